#pragma once

#include <netdb.h>

#include <memory>

namespace VekLibrary::Networking {

// Deleters for the resources that the resolver hands out.
template <typename T>
struct NetworkingDeleterOf;

template <>
struct NetworkingDeleterOf<addrinfo> {
    void operator()(addrinfo* list) const noexcept {
        if (list != nullptr) {
            ::freeaddrinfo(list);
        }
    }
};

using AddressInfoPointer = std::unique_ptr<addrinfo, NetworkingDeleterOf<addrinfo>>;

// Move-only owner of a resolver result with a cursor on one of its nodes. A moved-from
// list owns nothing and its cursor is null.
class AddressInfoList final {
public:
    // Throws XBrokenInvariantsError "::addrinfo list cannot be null." for a null list.
    // The cursor starts on the first node.
    explicit AddressInfoList(AddressInfoPointer list);

    AddressInfoList(AddressInfoList&& other) noexcept;
    AddressInfoList& operator=(AddressInfoList&& other) noexcept;
    AddressInfoList(const AddressInfoList&) = delete;
    AddressInfoList& operator=(const AddressInfoList&) = delete;
    ~AddressInfoList() = default;

    // The node under the cursor; null once the cursor ran off the end.
    const addrinfo* GetCurrentNode() const noexcept { return current_; }
    // Moves the cursor to the following node and returns it; a null cursor stays null.
    const addrinfo* Next() noexcept;
    void ResetCurrentNode() noexcept { current_ = list_.get(); }

private:
    AddressInfoPointer list_;
    const addrinfo* current_ = nullptr;
};

}  // namespace VekLibrary::Networking
