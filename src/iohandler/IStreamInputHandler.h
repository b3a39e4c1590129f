#pragma once

#include <chrono>
#include <string>

namespace VekLibrary::IoHandler {

// Reads one line of the process's standard input within a time limit.
class IStreamInputHandler {
public:
    virtual ~IStreamInputHandler() = default;

    // Waits at most `timeout` (1 to 2147483647 ms) for input to arrive, then reads
    // one line to its end; the line feed is not kept. Throws XInputOutputError on
    // a bad timeout, no input in time, a closed or failing input, end of input
    // before any character, or a line longer than the implementation's limit.
    virtual std::string ReadInput(std::chrono::milliseconds timeout) = 0;
};

}  // namespace VekLibrary::IoHandler
