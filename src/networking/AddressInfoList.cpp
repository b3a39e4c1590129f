#include "networking/AddressInfoList.h"

#include <utility>

#include "domain/Exceptions.h"

namespace VekLibrary::Networking {

AddressInfoList::AddressInfoList(AddressInfoPointer list) : list_(std::move(list)) {
    if (!list_) {
        throw XBrokenInvariantsError("::addrinfo list cannot be null.");
    }
    current_ = list_.get();
}

AddressInfoList::AddressInfoList(AddressInfoList&& other) noexcept
    : list_(std::move(other.list_)), current_(other.current_) {
    other.current_ = nullptr;
}

AddressInfoList& AddressInfoList::operator=(AddressInfoList&& other) noexcept {
    if (this != &other) {
        list_ = std::move(other.list_);
        current_ = other.current_;
        other.current_ = nullptr;
    }
    return *this;
}

const addrinfo* AddressInfoList::Next() noexcept {
    if (current_ != nullptr) {
        current_ = current_->ai_next;
    }
    return current_;
}

}  // namespace VekLibrary::Networking
