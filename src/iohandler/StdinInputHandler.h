#pragma once

#include <cstddef>

#include "iohandler/IStreamInputHandler.h"

namespace VekLibrary::IoHandler {

// The longest input line accepted, in bytes: room for the Base64 of a known_hosts
// file of ten thousand hosts.
inline constexpr std::size_t kMaximumInputLineBytes = 16 * 1024 * 1024;

// Reads file descriptor 0 through std::cin. One poll bounds the wait for the
// first data; the line is then read to its end without a further time limit, but
// only up to `maximumLineBytes`: a longer line is refused with XInputOutputError
// "The input line is longer than <maximumLineBytes> bytes." as soon as its first
// byte past the limit has been read, so memory stays bounded by the limit and the
// rest of the line is left unread. Input that an earlier read left in the streams'
// user-space buffers counts as arrived (poll cannot see it), and each read starts
// with the streams' error states cleared.
class StdinInputHandler final : public IStreamInputHandler {
public:
    explicit StdinInputHandler(std::size_t maximumLineBytes = kMaximumInputLineBytes)
        : maximumLineBytes_(maximumLineBytes) {}

    std::string ReadInput(std::chrono::milliseconds timeout) override;

private:
    std::string ReadLine() const;

    std::size_t maximumLineBytes_;
};

}  // namespace VekLibrary::IoHandler
