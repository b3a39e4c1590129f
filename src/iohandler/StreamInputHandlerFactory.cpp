#include "iohandler/StreamInputHandlerFactory.h"

#include "iohandler/StdinInputHandler.h"

namespace VekLibrary::IoHandler {

void StreamInputHandlerFactory::Create(std::shared_ptr<IStreamInputHandler>& out) {
    out = std::make_shared<StdinInputHandler>();
}

}  // namespace VekLibrary::IoHandler
