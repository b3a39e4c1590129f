#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "networking/IUrlComponentsFactory.h"

namespace VekLibrary::Networking {

// Splits "[scheme://][user[:password]@]host[:port][/path][?query][#fragment]" by
// plain byte searches (nothing is decoded) and hands the pieces to UrlComponents.
class UrlComponentsFactory final : public IUrlComponentsFactory {
public:
    static constexpr std::size_t kMaxUrlLength = 65536;

    void Create(const std::string& url, std::unique_ptr<UrlComponents>& out) override;
};

}  // namespace VekLibrary::Networking
