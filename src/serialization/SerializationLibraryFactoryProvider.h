#pragma once

#include <memory>

#include "serialization/ISerializationLibraryFactoryProvider.h"

namespace VekLibrary::Serialization {

class SerializationLibraryFactoryProvider final : public ISerializationLibraryFactoryProvider {
public:
    SerializationLibraryFactoryProvider();

    std::shared_ptr<IJsonWrapperFactory> GetJsonWrapperFactory() override;

private:
    std::shared_ptr<IJsonWrapperFactory> jsonWrapperFactory_;
};

}  // namespace VekLibrary::Serialization
