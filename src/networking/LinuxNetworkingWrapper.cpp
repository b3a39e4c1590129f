#include "networking/LinuxNetworkingWrapper.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <utility>

#include "domain/Exceptions.h"
#include "networking/NetworkErrors.h"
#include "networking/NetworkingHelpers.h"

namespace VekLibrary::Networking {

namespace {

bool HasEmbeddedNul(const std::string& text) {
    return text.find('\0') != std::string::npos;
}

XNameResolutionError ResolutionError(const std::string& host, int result) {
    return XNameResolutionError("Failed to resolve hostname: " + host +
                                ". getaddrinfo() returned: " + ::gai_strerror(result));
}

addrinfo MakeHints(AddressFamilyEnum family, SocketType type, int flags) {
    addrinfo hints{};
    hints.ai_flags = flags;
    hints.ai_family = static_cast<int>(family);
    hints.ai_socktype = static_cast<int>(type);
    hints.ai_protocol = 0;
    return hints;
}

// Everything that glibc's helper thread reads or writes while the request runs. It
// never moves once allocated, so the pointers in `request` stay valid.
struct Lookup final {
    Lookup(const std::string& hostText, const std::string& serviceText, const addrinfo& hintsValue)
        : host(hostText), service(serviceText), hints(hintsValue) {
        request.ar_name = host.c_str();
        request.ar_service = service.c_str();
        request.ar_request = &hints;
        request.ar_result = nullptr;
    }
    // Only called once the request is no longer in progress.
    ~Lookup() {
        if (request.ar_result != nullptr) {
            ::freeaddrinfo(request.ar_result);
        }
    }
    Lookup(const Lookup&) = delete;
    Lookup& operator=(const Lookup&) = delete;

    bool InProgress() { return ::gai_error(&request) == EAI_INPROGRESS; }

    const std::string host;
    const std::string service;
    const addrinfo hints;
    gaicb request{};
    std::unique_ptr<Lookup> next;  // link in the abandoned list
};

// Lookups that were still running when their caller gave up. Allocated once and never
// destroyed: a helper thread may write into one of them up to the process's exit.
struct AbandonedLookups final {
    std::mutex mutex;
    std::unique_ptr<Lookup> head;
};

AbandonedLookups& Abandoned() {
    static AbandonedLookups* const abandoned = new AbandonedLookups();
    return *abandoned;
}

void ReapFinishedLookups() {
    AbandonedLookups& abandoned = Abandoned();
    std::lock_guard<std::mutex> lock(abandoned.mutex);
    std::unique_ptr<Lookup>* link = &abandoned.head;
    while (*link) {
        if ((*link)->InProgress()) {
            link = &(*link)->next;
        } else {
            std::unique_ptr<Lookup> finished = std::move(*link);
            *link = std::move(finished->next);
        }
    }
}

// Owns one request from its start: on every way out, a request that is still running
// is cancelled, or, when glibc's helper thread already runs it (EAI_NOTCANCELED), handed
// to the abandoned list instead of being freed under the thread.
class StartedLookup final {
public:
    explicit StartedLookup(std::unique_ptr<Lookup> lookup) : lookup_(std::move(lookup)) {}
    ~StartedLookup() {
        if (lookup_->InProgress() && ::gai_cancel(&lookup_->request) == EAI_NOTCANCELED) {
            AbandonedLookups& abandoned = Abandoned();
            std::lock_guard<std::mutex> lock(abandoned.mutex);
            lookup_->next = std::move(abandoned.head);
            abandoned.head = std::move(lookup_);
        }
    }
    StartedLookup(const StartedLookup&) = delete;
    StartedLookup& operator=(const StartedLookup&) = delete;

    Lookup& Get() { return *lookup_; }

private:
    std::unique_ptr<Lookup> lookup_;
};

// The request's own result (gai_error), or EAI_INPROGRESS when it is still running at
// the deadline. gai_suspend returns EAI_AGAIN when its wait runs out and EAI_INTR on a
// signal; neither says anything about this request, so every wake-up re-reads it and
// suspends again for what is left.
int AwaitLookup(gaicb& request, const VekDomain::Deadline& deadline) {
    const gaicb* const waitList[] = {&request};
    for (;;) {
        const int state = ::gai_error(&request);
        if (state != EAI_INPROGRESS) {
            return state;
        }
        const int left = deadline.PollTimeout();
        if (left == 0) {
            return EAI_INPROGRESS;
        }
        timespec remaining{};
        remaining.tv_sec = static_cast<std::time_t>(left / 1000);
        remaining.tv_nsec = static_cast<long>(left % 1000) * 1000000L;
        ::gai_suspend(waitList, 1, &remaining);
    }
}

}  // namespace

AddressInfoList LinuxNetworkingWrapper::GetAddressInfo(const std::string& host,
                                                       const std::string& service,
                                                       AddressFamilyEnum family, SocketType type,
                                                       int flags) {
    // The resolver reads C strings: "a\0b" would be looked up as "a", a different
    // name than the one the caller asked for and reports. No such name exists.
    if (HasEmbeddedNul(host) || HasEmbeddedNul(service)) {
        throw ResolutionError(host, EAI_NONAME);
    }
    const addrinfo hints = MakeHints(family, type, flags);
    addrinfo* list = nullptr;
    const int result = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
    AddressInfoPointer owned(list);
    if (result != 0 || !owned) {
        throw ResolutionError(host, result != 0 ? result : EAI_NONAME);
    }
    return AddressInfoList(std::move(owned));
}

AddressInfoList LinuxNetworkingWrapper::GetAddressInfo(const std::string& host,
                                                       const std::string& service,
                                                       AddressFamilyEnum family, SocketType type,
                                                       int flags,
                                                       const VekDomain::Deadline& deadline) {
    const std::int64_t given = deadline.GivenMilliseconds();
    if (given < 1) {
        throw XBrokenInvariantsError("Invalid timeout provided to GetAddressInfo: " +
                                     std::to_string(given));
    }
    // A numeric host and service are converted, never looked up, so the call
    // cannot block; getaddrinfo_a would start a thread for it all the same.
    if ((flags & AI_NUMERICHOST) != 0 && (service.empty() || (flags & AI_NUMERICSERV) != 0)) {
        return GetAddressInfo(host, service, family, type, flags);
    }
    if (HasEmbeddedNul(host) || HasEmbeddedNul(service)) {
        throw ResolutionError(host, EAI_NONAME);
    }
    ReapFinishedLookups();

    StartedLookup lookup(std::make_unique<Lookup>(host, service, MakeHints(family, type, flags)));
    gaicb* requests[] = {&lookup.Get().request};
    const int started = ::getaddrinfo_a(GAI_NOWAIT, requests, 1, nullptr);
    if (started != 0) {
        throw ResolutionError(host, started);
    }
    const int result = AwaitLookup(lookup.Get().request, deadline);
    if (result == EAI_INPROGRESS) {
        throw XTestTimeout("Name resolution did not finish within " + std::to_string(given) +
                           " ms.");
    }
    AddressInfoPointer owned(std::exchange(lookup.Get().request.ar_result, nullptr));
    if (result != 0 || !owned) {
        throw ResolutionError(host, result != 0 ? result : EAI_NONAME);
    }
    return AddressInfoList(std::move(owned));
}

std::string LinuxNetworkingWrapper::AddressAsString(const addrinfo* addressInfo) {
    if (addressInfo == nullptr || addressInfo->ai_addr == nullptr) {
        throw XBrokenInvariantsError(
            "Cannot represent address as string, addrinfo or ai_addr is null.");
    }
    const int family = addressInfo->ai_family;
    const void* address = nullptr;
    socklen_t requiredLength = 0;
    if (family == AF_INET) {
        requiredLength = sizeof(sockaddr_in);
        address = &reinterpret_cast<const sockaddr_in*>(addressInfo->ai_addr)->sin_addr;
    } else if (family == AF_INET6) {
        requiredLength = sizeof(sockaddr_in6);
        address = &reinterpret_cast<const sockaddr_in6*>(addressInfo->ai_addr)->sin6_addr;
    } else {
        throw XBrokenInvariantsError("Unsupported address family: " + std::to_string(family));
    }
    // A node whose address is shorter than its family needs would make inet_ntop read
    // past the end of ai_addr; one whose address says another family is not that address.
    if (addressInfo->ai_addrlen < requiredLength) {
        throw XBrokenInvariantsError("Cannot represent address as string, ai_addrlen " +
                                     std::to_string(addressInfo->ai_addrlen) +
                                     " is too short for address family " + std::to_string(family) +
                                     ".");
    }
    if (addressInfo->ai_addr->sa_family != family) {
        throw XBrokenInvariantsError("Cannot represent address as string, ai_addr family " +
                                     std::to_string(addressInfo->ai_addr->sa_family) +
                                     " does not match ai_family " + std::to_string(family) + ".");
    }
    char text[INET6_ADDRSTRLEN] = {};
    if (::inet_ntop(family, address, text, sizeof(text)) == nullptr) {
        throw XBrokenInvariantsError("inet_ntop failed: " + std::to_string(errno));
    }
    return text;
}

void LinuxNetworkingWrapper::IpStringToAddress(const std::string& text, AddressFamilyEnum family,
                                               sockaddr_storage& out) {
    // Zeroed before any check, so that no refusal leaves an earlier address in `out`.
    std::memset(&out, 0, sizeof(out));
    if (text.empty()) {
        throw XBrokenInvariantsError("Cannot convert empty string to address.");
    }
    void* address = nullptr;
    if (family == AddressFamilyEnum::Ipv4) {
        auto* ipv4 = reinterpret_cast<sockaddr_in*>(&out);
        ipv4->sin_family = AF_INET;
        address = &ipv4->sin_addr;
    } else if (family == AddressFamilyEnum::Ipv6) {
        auto* ipv6 = reinterpret_cast<sockaddr_in6*>(&out);
        ipv6->sin6_family = AF_INET6;
        address = &ipv6->sin6_addr;
    } else {
        throw XBrokenInvariantsError(
            "Cannot convert string to address, unsupported address family : " +
            std::to_string(static_cast<int>(family)));
    }
    // errno is cleared first: inet_pton sets it only when the family is unsupported,
    // and a stale value would name an unrelated failure. A text with an embedded NUL
    // is refused rather than converted up to the NUL.
    errno = 0;
    if (HasEmbeddedNul(text) || ::inet_pton(static_cast<int>(family), text.c_str(), address) != 1) {
        const int error = errno;
        std::memset(&out, 0, sizeof(out));
        throw XBrokenInvariantsError("Cannot convert string to address, ::inet_pton failed. " +
                                     std::to_string(error));
    }
}

AddressFamilyEnum LinuxNetworkingWrapper::GetAddressType(const std::string& text) {
    return NetworkingHelpers::GetAddressType(text);
}

bool LinuxNetworkingWrapper::IsValidIpAddress(const std::string& text) {
    return GetAddressType(text) != AddressFamilyEnum::Unspecified;
}

}  // namespace VekLibrary::Networking
