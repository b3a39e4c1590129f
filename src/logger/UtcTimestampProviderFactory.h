#pragma once

#include <memory>

#include "logger/ITimestampProviderFactory.h"

namespace VekLibrary::VekLogger {

class UtcTimestampProviderFactory final : public ITimestampProviderFactory {
public:
    // Replaces `out` with a new UtcTimestampProvider.
    void Create(std::shared_ptr<ITimestampProvider>& out) override;
};

}  // namespace VekLibrary::VekLogger
