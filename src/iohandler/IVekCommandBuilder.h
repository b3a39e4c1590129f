#pragma once

#include <memory>
#include <string>

#include "iohandler/IVekCommand.h"

namespace VekLibrary::IoHandler {

// Assembles one command at a time. The builder takes ownership of every option
// added and hands them to the command at Build. A refused call throws
// XBrokenInvariantsError and changes nothing; after Build the builder is empty.
class IVekCommandBuilder {
public:
    virtual ~IVekCommandBuilder() = default;

    virtual IVekCommandBuilder& AddOption(std::unique_ptr<IVekCommandOption> option) = 0;
    // An option (such as help) whose presence ends verification of the input.
    virtual IVekCommandBuilder& AddShortCircuitOption(
        std::unique_ptr<IVekCommandOption> option) = 0;
    virtual IVekCommandBuilder& AddCommandDetails(const std::string& name,
                                                  const std::string& description) = 0;
    virtual std::unique_ptr<IVekCommand> Build() = 0;
};

}  // namespace VekLibrary::IoHandler
