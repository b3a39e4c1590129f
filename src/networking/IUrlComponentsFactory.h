#pragma once

#include <memory>
#include <string>

#include "networking/UrlComponents.h"

namespace VekLibrary::Networking {

// Splits URL texts into validated UrlComponents. On success Create replaces `out`
// (destroying what it held); on failure it throws XBrokenInvariantsError and
// leaves `out` unchanged.
class IUrlComponentsFactory {
public:
    virtual ~IUrlComponentsFactory() = default;

    virtual void Create(const std::string& url, std::unique_ptr<UrlComponents>& out) = 0;
};

}  // namespace VekLibrary::Networking
