#include "serialization/NlohmannJsonWrapperFactory.h"

#include "serialization/NlohmannJsonWrapper.h"

namespace VekLibrary::Serialization {

void NlohmannJsonWrapperFactory::Create(std::shared_ptr<IJsonWrapper>& out) {
    out = std::make_shared<NlohmannJsonWrapper>();
}

}  // namespace VekLibrary::Serialization
