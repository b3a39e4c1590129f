#pragma once

#include <exception>

#include "result/SshTestResult.h"

namespace Ssh {

// The client's operations whose failures are recorded in the test result.
enum class ClientOperationEnum { Connect, AuthenticateUser, ExecuteCommands };

// Records in `result` the error key and details that `failure`, raised inside
// `operation`, stands for, and raises what the caller gets in its place: the same
// exception, or an XSshClientError whose text leads with the failure's kind. A fault
// of the connection (XConnectError, also from a failed wait on the socket) is the
// same failure in every operation. An exception that names no failure of that
// operation (an argument or invariant error) leaves the result untouched and is
// raised again unchanged.
[[noreturn]] void RecordAndRaise(ClientOperationEnum operation, const std::exception_ptr& failure,
                                 SshTestResult& result);

// Runs `body`, sending whatever it raises through RecordAndRaise.
template <typename Body>
void GuardOperation(ClientOperationEnum operation, SshTestResult& result, Body&& body) {
    try {
        body();
    } catch (...) {
        RecordAndRaise(operation, std::current_exception(), result);
    }
}

}  // namespace Ssh
