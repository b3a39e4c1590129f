#pragma once

#include "networking/SocketType.h"

namespace VekLibrary::Networking {

// What kind of local (AF_UNIX) socket a SocketHandle should create.
struct UnixDomainSocketPolicy {
    SocketType socketType = SocketType::Unknown;
};

}  // namespace VekLibrary::Networking
