#pragma once

#include <memory>

#include "serialization/IJsonWrapper.h"

namespace VekLibrary::Serialization {

// Makes new, independent JSON documents.
class IJsonWrapperFactory {
public:
    virtual ~IJsonWrapperFactory() = default;

    // Replaces `out` with a wrapper over a new document that holds an empty object.
    virtual void Create(std::shared_ptr<IJsonWrapper>& out) = 0;
};

}  // namespace VekLibrary::Serialization
