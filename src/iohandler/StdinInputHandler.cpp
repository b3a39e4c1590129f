#include "iohandler/StdinInputHandler.h"

#include <poll.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "iohandler/IoHandlerErrors.h"

namespace VekLibrary::IoHandler {
namespace {

constexpr std::chrono::milliseconds::rep kLargestPollTimeout = 2147483647;

std::string ErrnoText(int error) {
    char buffer[256];
    // The GNU strerror_r may return a static text instead of filling the buffer.
    return strerror_r(error, buffer, sizeof buffer);
}

// True when earlier reads have left characters in a user-space buffer of
// standard input. Such characters make fd 0 look idle to poll although a line
// may be ready, so the wait must be skipped for them.
bool HasBufferedInput() {
    if (std::cin.rdbuf() != nullptr && std::cin.rdbuf()->in_avail() > 0) {
        return true;
    }
#ifdef __GLIBC__
    // std::cin synchronised with stdio reads through the C stream stdin.
    return stdin->_IO_read_ptr < stdin->_IO_read_end;
#else
    return false;
#endif
}

}  // namespace

std::string StdinInputHandler::ReadInput(std::chrono::milliseconds timeout) {
    const auto count = timeout.count();
    if (count < 1 || count > kLargestPollTimeout) {
        throw XInputOutputError("Invalid timeout value provided: " + std::to_string(count));
    }

    // A previous read that reached the end of input leaves both streams in their
    // end-of-file state (glibc keeps EOF sticky); start every read afresh.
    std::cin.clear();
    clearerr(stdin);

    if (!HasBufferedInput()) {
        pollfd descriptor{};
        descriptor.fd = 0;
        descriptor.events = POLLIN;
        const int ready = poll(&descriptor, 1, static_cast<int>(count));
        if (ready < 0) {
            throw XInputOutputError("Error while waiting for data from stdin. error: " +
                                    ErrnoText(errno));
        }
        if (ready == 0) {
            throw XInputOutputError("Timed out while waiting for input from stdin.");
        }
        if ((descriptor.revents & POLLIN) == 0) {
            throw XInputOutputError("Error occurred while reading input from stdin.");
        }
    }

    std::string line;
    std::getline(std::cin, line);
    if (std::cin.fail() || std::cin.bad()) {
        throw XInputOutputError("Error while reading input from stdin. read: " + line);
    }
    return line;
}

}  // namespace VekLibrary::IoHandler
