#pragma once

#include <memory>

#include "app/ISshTestResultSerializerFactory.h"
#include "serialization/IJsonWrapperFactory.h"

namespace Ssh {

class SshTestResultSerializerFactory final : public ISshTestResultSerializerFactory {
public:
    // Throws XBrokenInvariantsError "Json wrapper factory cannot be null.".
    explicit SshTestResultSerializerFactory(
        std::shared_ptr<VekLibrary::Serialization::IJsonWrapperFactory> jsonWrapperFactory);

    void Create(std::unique_ptr<ISshTestResultSerializer>& out) override;

private:
    std::shared_ptr<VekLibrary::Serialization::IJsonWrapperFactory> jsonWrapperFactory_;
};

}  // namespace Ssh
