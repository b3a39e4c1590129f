#pragma once

#include <memory>

#include "ssh/ISshClient.h"

namespace Ssh {

// Makes SSH clients. Create replaces `out` with a new client that owns a new DNS
// strategy and networking wrapper and shares the factory's logger.
class ISshClientFactory {
public:
    virtual ~ISshClientFactory() = default;

    virtual void Create(std::unique_ptr<ISshClient>& out) = 0;
};

}  // namespace Ssh
