#pragma once

#include "iohandler/IStreamInputHandler.h"

namespace VekLibrary::IoHandler {

// Reads file descriptor 0 through std::cin. One poll bounds the wait for the
// first data; the line is then read without a further limit.
class StdinInputHandler final : public IStreamInputHandler {
public:
    std::string ReadInput(std::chrono::milliseconds timeout) override;
};

}  // namespace VekLibrary::IoHandler
