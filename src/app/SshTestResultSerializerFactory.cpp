#include "app/SshTestResultSerializerFactory.h"

#include <utility>

#include "app/SshTestResultSerializer.h"
#include "domain/Exceptions.h"

namespace Ssh {

SshTestResultSerializerFactory::SshTestResultSerializerFactory(
    std::shared_ptr<VekLibrary::Serialization::IJsonWrapperFactory> jsonWrapperFactory)
    : jsonWrapperFactory_(std::move(jsonWrapperFactory)) {
    if (!jsonWrapperFactory_) {
        throw VekLibrary::XBrokenInvariantsError("Json wrapper factory cannot be null.");
    }
}

void SshTestResultSerializerFactory::Create(std::unique_ptr<ISshTestResultSerializer>& out) {
    out = std::make_unique<SshTestResultSerializer>(jsonWrapperFactory_);
}

}  // namespace Ssh
