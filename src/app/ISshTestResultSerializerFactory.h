#pragma once

#include <memory>

#include "app/ISshTestResultSerializer.h"

namespace Ssh {

// Makes result serializers; the caller owns each one.
class ISshTestResultSerializerFactory {
public:
    virtual ~ISshTestResultSerializerFactory() = default;

    // Replaces whatever `out` held with a new serializer.
    virtual void Create(std::unique_ptr<ISshTestResultSerializer>& out) = 0;
};

}  // namespace Ssh
