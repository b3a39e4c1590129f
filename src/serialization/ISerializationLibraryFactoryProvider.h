#pragma once

#include <memory>

#include "serialization/IJsonWrapperFactory.h"

namespace VekLibrary::Serialization {

// Builds the serialization factories once and hands out shared copies.
class ISerializationLibraryFactoryProvider {
public:
    virtual ~ISerializationLibraryFactoryProvider() = default;

    // The same factory object on every call.
    virtual std::shared_ptr<IJsonWrapperFactory> GetJsonWrapperFactory() = 0;
};

}  // namespace VekLibrary::Serialization
