#pragma once

#include <memory>
#include <string>
#include <unordered_set>

#include "iohandler/IVekCommand.h"

namespace VekLibrary::IoHandler {

// Makes commands from their parts; the command takes ownership of the options.
class IVekCommandFactory {
public:
    virtual ~IVekCommandFactory() = default;

    // Replaces `out` with a new command. When the command refuses its definition,
    // the exception passes on, the options are destroyed and `out` is unchanged.
    virtual void Create(const std::string& name, const std::string& description,
                        VekCommandOptionList options, std::unordered_set<char> shortCircuitFlags,
                        std::unique_ptr<IVekCommand>& out) = 0;
};

}  // namespace VekLibrary::IoHandler
