#include "probeclient/ProcessSetup.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

namespace VekProbeClient {

void EnsureStandardDescriptors() {
    for (int descriptor = STDIN_FILENO; descriptor <= STDERR_FILENO; ++descriptor) {
        if (::fcntl(descriptor, F_GETFD) < 0) {
            // The lowest free number is taken, which is this one.
            const int opened =
                ::open("/dev/null", descriptor == STDIN_FILENO ? O_RDONLY : O_WRONLY);
            if (opened >= 0 && opened != descriptor) {
                ::close(opened);
            }
        }
    }
}

std::string OwnFolder() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return "";
    }
    const std::string executable(path, static_cast<std::size_t>(length));
    const std::size_t slash = executable.rfind('/');
    return slash == std::string::npos ? "" : executable.substr(0, slash);
}

std::string DefaultProbePath() {
    const std::string folder = OwnFolder();
    if (folder.empty()) {
        return "vek";
    }
    const std::string beside = folder + "/vek";
    const std::string inBuildTree = folder + "/../app/vek";
    char resolved[PATH_MAX];
    if (::access(beside.c_str(), X_OK) != 0 && ::access(inBuildTree.c_str(), X_OK) == 0 &&
        ::realpath(inBuildTree.c_str(), resolved) != nullptr) {
        return resolved;
    }
    return beside;
}

}  // namespace VekProbeClient
