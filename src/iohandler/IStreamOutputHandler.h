#pragma once

#include <string>

namespace VekLibrary::IoHandler {

// Writes whole texts to one output stream. The handler does not own the stream.
class IStreamOutputHandler {
public:
    virtual ~IStreamOutputHandler() = default;

    // Inserts the text unchanged (no line feed added) and flushes; throws
    // XInputOutputError "Failure while writing to output stream." when the stream
    // is not good afterwards.
    virtual void WriteOutput(const std::string& text) = 0;
};

}  // namespace VekLibrary::IoHandler
