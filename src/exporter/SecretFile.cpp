#include "exporter/SecretFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <system_error>

#include "exporter/SystemError.h"

namespace VekExporter {

namespace {

// A secret file larger than this is not a password or a key.
constexpr off_t kMaxSecretBytes = 1 << 20;

class Descriptor final {
public:
    explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { ::close(descriptor_); }
    int Get() const { return descriptor_; }

private:
    int descriptor_;
};

std::string ModeText(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

}  // namespace

std::string ReadSecretFile(const std::string& path, bool trimLineEnd) {
    try {
        const int opened = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
        if (opened < 0) {
            ThrowErrno("cannot open");
        }
        const Descriptor file(opened);
        struct stat status {};
        if (::fstat(file.Get(), &status) != 0) {
            ThrowErrno("cannot stat");
        }
        if (!S_ISREG(status.st_mode)) {
            throw std::runtime_error("not a regular file");
        }
        if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
            throw std::runtime_error("its mode " + ModeText(status.st_mode) +
                                     " lets group or others access it; run chmod 600 on it");
        }
        if (status.st_size > kMaxSecretBytes) {
            throw std::runtime_error("larger than 1 MiB");
        }
        std::string text;
        char buffer[4096];
        for (;;) {
            const ssize_t count = ::read(file.Get(), buffer, sizeof buffer);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count < 0) {
                ThrowErrno("cannot read");
            }
            if (count == 0) {
                break;
            }
            text.append(buffer, static_cast<std::size_t>(count));
            if (text.size() > static_cast<std::size_t>(kMaxSecretBytes)) {
                throw std::runtime_error("larger than 1 MiB");
            }
        }
        if (trimLineEnd && !text.empty() && text.back() == '\n') {
            text.pop_back();
            if (!text.empty() && text.back() == '\r') {
                text.pop_back();
            }
        }
        return text;
    } catch (const std::exception& error) {
        throw std::runtime_error("secret file " + path + ": " + error.what());
    }
}

}  // namespace VekExporter
