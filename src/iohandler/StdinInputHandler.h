#pragma once

#include "iohandler/IStreamInputHandler.h"

namespace VekLibrary::IoHandler {

// Reads file descriptor 0 through std::cin. One poll bounds the wait for the
// first data; the line is then read without a further limit. Input that an
// earlier read left in the streams' user-space buffers counts as arrived (poll
// cannot see it), and each read starts with the streams' error states cleared.
class StdinInputHandler final : public IStreamInputHandler {
public:
    std::string ReadInput(std::chrono::milliseconds timeout) override;
};

}  // namespace VekLibrary::IoHandler
