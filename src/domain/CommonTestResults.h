#pragma once

#include <string>

// Result document keys shared by every test type, each used whole as a single
// JSON member name. Constructed before any ordinary static initialiser runs.
namespace VekLibrary::VekDomain::DataKeys::CommonTestResults {

extern const std::string HostName;
extern const std::string HostAddress;
extern const std::string HostAddressPort;
extern const std::string DnsDurationMs;
extern const std::string ConnectDurationMs;
extern const std::string ErrorCode;
extern const std::string ErrorDetails;
extern const std::string SslDurationMs;
extern const std::string SendDurationMs;
extern const std::string WaitDurationMs;
extern const std::string DurationMs;
extern const std::string ReceiveDurationMs;

}  // namespace VekLibrary::VekDomain::DataKeys::CommonTestResults
