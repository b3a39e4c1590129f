#pragma once

#include <memory>

#include "iohandler/IInputParserAdapterFactory.h"
#include "iohandler/IVekCommand.h"

namespace VekLibrary::IoHandler::Fuzzing {

// The probe's SSH VEK command, built with the real option and command
// builders, parsing through `parserFactory`.
std::unique_ptr<IVekCommand> BuildProbeCommand(
    std::shared_ptr<IInputParserAdapterFactory> parserFactory);

}  // namespace VekLibrary::IoHandler::Fuzzing
