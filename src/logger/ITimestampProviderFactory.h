#pragma once

#include <memory>

#include "logger/ITimestampProvider.h"

namespace VekLibrary::VekLogger {

// Makes timestamp providers. Create replaces `out` with a new provider that the
// caller shares with whoever needs it.
class ITimestampProviderFactory {
public:
    virtual ~ITimestampProviderFactory() = default;

    virtual void Create(std::shared_ptr<ITimestampProvider>& out) = 0;
};

}  // namespace VekLibrary::VekLogger
