// The probe's entry point: one process, one SSH test, one result document.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>

#include "app/SshVekFactoryProvider.h"
#include "crypto/OneTestCryptoSetup.h"

namespace {

// The handler's lines, composed before it is installed: strsignal and the standard
// streams are not async-signal-safe, write is.
struct SignalLine {
    int number = 0;
    char text[192] = {};
    std::size_t length = 0;
};
SignalLine signalLines[3];

void SignalHandler(int signalNumber) {
    for (const SignalLine& line : signalLines) {
        if (line.number == signalNumber) {
            // Standard output needs no flush here: the document is flushed as soon
            // as it is written, and nothing else is ever written there.
            const ssize_t ignored = ::write(STDERR_FILENO, line.text, line.length);
            static_cast<void>(ignored);
            break;
        }
    }
    _Exit(1);
}

void InstallSignalHandler() {
    const int signals[] = {SIGTERM, SIGABRT, SIGQUIT};
    for (std::size_t i = 0; i < 3; ++i) {
        SignalLine& line = signalLines[i];
        line.number = signals[i];
        const int length = std::snprintf(line.text, sizeof(line.text),
                                         "[SSH VEK] Received signal: [%d] - %s. Exiting...\n",
                                         signals[i], ::strsignal(signals[i]));
        line.length = length < 0 ? 0 : std::min<std::size_t>(length, sizeof(line.text) - 1);
    }
    for (const int number : signals) {
        std::signal(number, SignalHandler);
    }
}

// A caller may start the probe with a standard descriptor closed. The first socket
// would then take its number, and the result document, or log lines, would be
// written into the SSH connection. Standard output is reserved read-only, so that
// writing the document fails and the exit code says so.
void ReserveStandardDescriptors() {
    for (int descriptor = 0; descriptor <= 2; ++descriptor) {
        if (::fcntl(descriptor, F_GETFD) == -1 && errno == EBADF) {
            const int reserved = ::open("/dev/null", descriptor == 1 ? O_RDONLY : O_RDWR);
            if (reserved >= 0 && reserved != descriptor) {
                ::dup2(reserved, descriptor);
                ::close(reserved);
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    VekLibrary::Crypto::SetUpCryptoForOneTest();
    ReserveStandardDescriptors();
    std::cerr << "[SSH VEK] Current process ID: " << ::getpid() << std::endl;
    InstallSignalHandler();
    // A controller that went away must not kill the probe without a word: the
    // failed write of the document is reported and the exit code is 1.
    std::signal(SIGPIPE, SIG_IGN);
    try {
        Ssh::SshVekFactoryProvider provider;
        std::unique_ptr<Ssh::ISshTestSession> session;
        provider.GetSshTestSessionFactory()->Create(session);
        const int exitCode = session->ExecuteTest(argc, argv);
        session.reset();
        return exitCode;
    } catch (const std::exception& error) {
        std::cerr << "[SSH VEK] Unhandled exception: " << error.what() << std::endl;
    } catch (...) {
        std::cerr << "[SSH VEK] Unknown exception." << std::endl;
    }
    return 1;
}
