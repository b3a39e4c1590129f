#include "iohandler/StdinInputHandler.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "iohandler/IoHandlerErrors.h"

namespace VekLibrary::IoHandler {
namespace {

constexpr std::chrono::milliseconds::rep kLargestPollTimeout = 2147483647;
// Lines up to this size grow as a string grows; a longer one gets room for the
// whole limit at once, which costs address space only, so that growing never
// holds two copies of a line of megabytes.
constexpr std::size_t kGrowInStepsBytes = 1024 * 1024;

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

    return ReadLine();
}

std::string StdinInputHandler::ReadLine() const {
    std::string line;
    char chunk[64 * 1024];
    for (;;) {
        // At most one byte past the limit is ever taken from the stream.
        const std::size_t room = maximumLineBytes_ - line.size() + 1;
        std::cin.getline(chunk, static_cast<std::streamsize>(std::min(sizeof chunk, room + 1)));
        std::size_t count = static_cast<std::size_t>(std::cin.gcount());
        // getline counts the line feed it takes but does not store it.
        const bool ended = !std::cin.fail() && !std::cin.eof();
        if (ended) {
            --count;
        }
        if (line.size() + count > maximumLineBytes_) {
            throw XInputOutputError("The input line is longer than " +
                                    std::to_string(maximumLineBytes_) + " bytes.");
        }
        if (line.size() + count > line.capacity() && line.size() + count > kGrowInStepsBytes) {
            line.reserve(maximumLineBytes_);
        }
        line.append(chunk, count);
        if (ended || std::cin.eof() || std::cin.bad()) {
            break;
        }
        // A full chunk: getline marks it as a failure; the line goes on.
        std::cin.clear();
    }
    if (std::cin.bad() || (std::cin.fail() && line.empty())) {
        throw XInputOutputError("Error while reading input from stdin. read: " + line);
    }
    return line;
}

}  // namespace VekLibrary::IoHandler
