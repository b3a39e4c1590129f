#pragma once

#include <ostream>

#include "iohandler/IStreamOutputHandler.h"

namespace VekLibrary::IoHandler {

// Writes whole texts to a standard stream that it does not own; the stream must
// outlive the handler. A failed stream stays failed: its state is never cleared.
class OstreamOutputHandler final : public IStreamOutputHandler {
public:
    // Throws XBrokenInvariantsError when the stream is null.
    explicit OstreamOutputHandler(std::ostream* stream);

    void WriteOutput(const std::string& text) override;

private:
    std::ostream* stream_;
};

}  // namespace VekLibrary::IoHandler
