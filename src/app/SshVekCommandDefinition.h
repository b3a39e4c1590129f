#pragma once

#include <memory>

#include "iohandler/IVekCommand.h"
#include "iohandler/IVekCommandBuilder.h"
#include "iohandler/IVekCommandOptionBuilder.h"

namespace Ssh {

// The "SSH VEK" command with its options, the table the probe's input is read
// against: the fourteen of the first release, then the host key fingerprints, the
// private key and the known hosts. The builders are used for the one command and not kept.
class SshVekCommandDefinition final {
public:
    SshVekCommandDefinition() = delete;

    static std::unique_ptr<VekLibrary::IoHandler::IVekCommand> Build(
        VekLibrary::IoHandler::IVekCommandOptionBuilder& optionBuilder,
        VekLibrary::IoHandler::IVekCommandBuilder& commandBuilder);
};

}  // namespace Ssh
