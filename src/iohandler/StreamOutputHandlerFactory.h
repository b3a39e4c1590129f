#pragma once

#include "iohandler/IStreamOutputHandlerFactory.h"

namespace VekLibrary::IoHandler {

class StreamOutputHandlerFactory final : public IStreamOutputHandlerFactory {
public:
    // Throws XBrokenInvariantsError when the stream is null.
    void Create(std::ostream* stream, std::shared_ptr<IStreamOutputHandler>& out) override;
};

}  // namespace VekLibrary::IoHandler
