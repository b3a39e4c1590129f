#include "iohandler/StreamOutputHandlerFactory.h"

#include "iohandler/OstreamOutputHandler.h"

namespace VekLibrary::IoHandler {

void StreamOutputHandlerFactory::Create(std::ostream* stream,
                                        std::shared_ptr<IStreamOutputHandler>& out) {
    out = std::make_shared<OstreamOutputHandler>(stream);
}

}  // namespace VekLibrary::IoHandler
