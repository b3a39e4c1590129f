#pragma once

#include <memory>

#include "app/ISshTestResultSerializerFactory.h"
#include "app/ISshTestSessionFactory.h"
#include "app/ISshTestSessionPolicyFactory.h"
#include "result/ISshTestResultFactory.h"
#include "ssh/ISshClientFactory.h"

namespace Ssh {

// The composition root: builds every library provider, the process's one logger
// and the application's factories once, and hands out shared copies.
class ISshVekFactoryProvider {
public:
    virtual ~ISshVekFactoryProvider() = default;

    virtual std::shared_ptr<ISshTestResultFactory> GetTestResultFactory() = 0;
    virtual std::shared_ptr<ISshTestResultSerializerFactory> GetTestResultSerializerFactory() = 0;
    virtual std::shared_ptr<ISshTestSessionPolicyFactory> GetTestSessionPolicyFactory() = 0;
    virtual std::shared_ptr<ISshClientFactory> GetSshClientFactory() = 0;
    virtual std::shared_ptr<ISshTestSessionFactory> GetSshTestSessionFactory() = 0;
};

}  // namespace Ssh
