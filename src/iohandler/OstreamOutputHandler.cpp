#include "iohandler/OstreamOutputHandler.h"

#include "domain/Exceptions.h"
#include "iohandler/IoHandlerErrors.h"

namespace VekLibrary::IoHandler {

OstreamOutputHandler::OstreamOutputHandler(std::ostream* stream) : m_stream(stream) {
    if (m_stream == nullptr) {
        throw XBrokenInvariantsError("Null outputstream provided.");
    }
}

void OstreamOutputHandler::WriteOutput(const std::string& text) {
    // Unformatted, so that a field width left on the stream cannot pad the text.
    m_stream->write(text.data(), static_cast<std::streamsize>(text.size()));
    m_stream->flush();
    if (!m_stream->good()) {
        throw XInputOutputError("Failure while writing to output stream.");
    }
}

}  // namespace VekLibrary::IoHandler
