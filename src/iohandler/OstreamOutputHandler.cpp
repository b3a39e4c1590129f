#include "iohandler/OstreamOutputHandler.h"

#include "domain/Exceptions.h"
#include "iohandler/IoHandlerErrors.h"

namespace VekLibrary::IoHandler {

OstreamOutputHandler::OstreamOutputHandler(std::ostream* stream) : stream_(stream) {
    if (stream_ == nullptr) {
        throw XBrokenInvariantsError("Null outputstream provided.");
    }
}

void OstreamOutputHandler::WriteOutput(const std::string& text) {
    // Unformatted, so that a field width left on the stream cannot pad the text.
    stream_->write(text.data(), static_cast<std::streamsize>(text.size()));
    stream_->flush();
    if (!stream_->good()) {
        throw XInputOutputError("Failure while writing to output stream.");
    }
}

}  // namespace VekLibrary::IoHandler
