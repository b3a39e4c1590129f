#pragma once

#include <memory>
#include <string>

#include "app/ISshTestSessionPolicyFactory.h"
#include "iohandler/IVekCommand.h"
#include "iohandler/IVekCommandBuilder.h"
#include "iohandler/IVekCommandOptionBuilder.h"
#include "networking/IUrlComponentsFactory.h"

namespace Ssh {

class SshTestSessionPolicyFactory final : public ISshTestSessionPolicyFactory {
public:
    // Throws XBrokenInvariantsError for a null collaborator. The builders are used
    // only to build the command definition (SshVekCommandDefinition) and are not
    // kept.
    SshTestSessionPolicyFactory(
        std::shared_ptr<VekLibrary::IoHandler::IVekCommandOptionBuilder> optionBuilder,
        std::shared_ptr<VekLibrary::IoHandler::IVekCommandBuilder> commandBuilder,
        std::shared_ptr<VekLibrary::Networking::IUrlComponentsFactory> urlComponentsFactory);

    std::string CreateOrReturnHelpMessage(int argc, const char* const* argv,
                                          std::unique_ptr<SshTestSessionPolicy>& policy) override;

private:
    std::unique_ptr<VekLibrary::IoHandler::IVekCommand> command_;
    std::shared_ptr<VekLibrary::Networking::IUrlComponentsFactory> urlComponentsFactory_;
};

}  // namespace Ssh
