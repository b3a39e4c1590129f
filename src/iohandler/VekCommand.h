#pragma once

#include <memory>

#include "iohandler/IInputParserAdapter.h"
#include "iohandler/IInputParserAdapterFactory.h"
#include "iohandler/IVekCommand.h"

namespace VekLibrary::IoHandler {

class VekCommand final : public IVekCommand {
public:
    // Refuses an inconsistent definition with XBrokenInvariantsError.
    VekCommand(const std::string& name, const std::string& description,
               VekCommandOptionList options, const std::unordered_set<char>& shortCircuitFlags,
               std::shared_ptr<IInputParserAdapterFactory> inputParserAdapterFactory);

    void Parse(int argc, const char* const argv[]) override;

    bool TryGet(char shortFlag, bool& value) const override;
    bool TryGet(char shortFlag, std::int64_t& value) const override;
    bool TryGet(char shortFlag, std::uint64_t& value) const override;
    bool TryGet(char shortFlag, double& value) const override;
    bool TryGet(char shortFlag, std::string& value) const override;

    std::string GetHelpMessage() const override;
    const std::unordered_set<char>& GetShortCircuitCommandOptionFlags() const override {
        return shortCircuitFlags_;
    }
    const VekCommandOptionList& GetCommandOptions() const override { return options_; }
    const std::string& GetName() const override { return name_; }
    const std::string& GetDescription() const override { return description_; }

private:
    // Drops the placeholder of a required option that is absent while one of the
    // flags waiving its requirement was given (a boolean one: given as true).
    void WaiveRequirements();
    // The parsed text of the flag, or null when absent; throws when nothing was parsed.
    const std::string* FindParsedText(char shortFlag) const;

    std::string name_;
    std::string description_;
    VekCommandOptionList options_;
    std::unordered_set<char> shortCircuitFlags_;
    std::shared_ptr<IInputParserAdapterFactory> inputParserAdapterFactory_;
    ParsedOptionValues parsedValues_;
};

}  // namespace VekLibrary::IoHandler
