#pragma once

#include <memory>

#include "app/ISshTestSession.h"

namespace Ssh {

// Makes test sessions. Create replaces `out` with a new session that owns a new
// SSH client and serializer and writes to the process's standard output.
class ISshTestSessionFactory {
public:
    virtual ~ISshTestSessionFactory() = default;

    virtual void Create(std::unique_ptr<ISshTestSession>& out) = 0;
};

}  // namespace Ssh
