#include "logger/UtcTimestampProviderFactory.h"

#include "logger/UtcTimestampProvider.h"

namespace VekLibrary::VekLogger {

void UtcTimestampProviderFactory::Create(std::shared_ptr<ITimestampProvider>& out) {
    out = std::make_shared<UtcTimestampProvider>();
}

}  // namespace VekLibrary::VekLogger
