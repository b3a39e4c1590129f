#include "probeclient/SecretFile.h"

#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <stdexcept>

namespace VekProbeClient {

namespace {

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

[[noreturn]] void Refuse(const std::string& path, const std::string& reason) {
    throw std::runtime_error(path + ": " + reason);
}

[[noreturn]] void RefuseErrno(const std::string& path, const std::string& what) {
    Refuse(path, what + ": " + ::strerror(errno));
}

std::string KindOf(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a directory";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return "not a plain file";
}

std::string ModeText(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

std::string SizeText(std::size_t bytes) {
    return bytes % 1024 == 0 ? std::to_string(bytes / 1024) + " KiB"
                             : std::to_string(bytes) + " bytes";
}

// Reads the whole file into `buffer`, whose capacity is fixed beforehand so that no
// reallocation leaves a copy of the content behind.
void ReadChecked(const std::string& path, std::size_t maxBytes, bool secret, std::string& buffer) {
    const int opened = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (opened < 0) {
        RefuseErrno(path, "cannot open");
    }
    const Descriptor file(opened);
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0) {
        RefuseErrno(path, "cannot stat");
    }
    if (!S_ISREG(status.st_mode)) {
        Refuse(path, "is " + KindOf(status.st_mode) + ", not a regular file");
    }
    if (secret && (status.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        Refuse(path, "its mode " + ModeText(status.st_mode) +
                         " lets group or others access it; run chmod 600 on it");
    }
    const std::string tooLarge = "is larger than " + SizeText(maxBytes);
    if (static_cast<unsigned long long>(status.st_size) > maxBytes) {
        Refuse(path, tooLarge);
    }
    // One byte more than allowed tells a file that grew since fstat. A secret's
    // buffer is never reallocated, which would leave a copy behind; a public file's
    // starts at its size and grows as it must.
    const std::size_t limit = maxBytes + 1;
    buffer.assign(secret ? limit : std::min<std::size_t>(limit, status.st_size + 1), '\0');
    std::size_t size = 0;
    while (size < buffer.size() || (!secret && size < limit)) {
        if (size == buffer.size()) {
            buffer.resize(std::min(limit, 2 * size));
        }
        const ssize_t count = ::read(file.Get(), &buffer[size], buffer.size() - size);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            RefuseErrno(path, "cannot read");
        }
        if (count == 0) {
            break;
        }
        size += static_cast<std::size_t>(count);
    }
    if (size > maxBytes) {
        Refuse(path, tooLarge);
    }
    buffer.resize(size);
}

}  // namespace

void WipeText(std::string& text) {
    text.resize(text.capacity());
    ::explicit_bzero(text.data(), text.size());
    text.clear();
}

VekLibrary::VekDomain::SensitiveString ReadSecretFile(const std::string& path) {
    std::string buffer;
    try {
        ReadChecked(path, kMaxSecretFileBytes, true, buffer);
    } catch (...) {
        WipeText(buffer);
        throw;
    }
    std::size_t size = buffer.size();
    if (size > 0 && buffer[size - 1] == '\n') {
        --size;
        if (size > 0 && buffer[size - 1] == '\r') {
            --size;
        }
    }
    buffer.resize(size);
    VekLibrary::VekDomain::SensitiveString secret(buffer);
    WipeText(buffer);
    return secret;
}

std::string ReadRegularFile(const std::string& path, std::size_t maxBytes) {
    std::string buffer;
    ReadChecked(path, maxBytes, false, buffer);
    buffer.shrink_to_fit();
    return buffer;
}

}  // namespace VekProbeClient
