#include "serialization/SerializationLibraryFactoryProvider.h"

#include "serialization/NlohmannJsonWrapperFactory.h"

namespace VekLibrary::Serialization {

SerializationLibraryFactoryProvider::SerializationLibraryFactoryProvider()
    : jsonWrapperFactory_(std::make_shared<NlohmannJsonWrapperFactory>()) {}

std::shared_ptr<IJsonWrapperFactory> SerializationLibraryFactoryProvider::GetJsonWrapperFactory() {
    return jsonWrapperFactory_;
}

}  // namespace VekLibrary::Serialization
