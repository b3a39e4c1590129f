#pragma once

#include <memory>

#include "serialization/IJsonWrapperFactory.h"

namespace VekLibrary::Serialization {

class NlohmannJsonWrapperFactory final : public IJsonWrapperFactory {
public:
    void Create(std::shared_ptr<IJsonWrapper>& out) override;
};

}  // namespace VekLibrary::Serialization
