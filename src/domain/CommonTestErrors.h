#pragma once

#include <string>

// Error codes shared by every test type, stored as the string value of a
// result's error-code field. Constructed before any ordinary static initialiser
// runs, so other files may read them from their own static initialisers.
namespace VekLibrary::VekDomain::DataKeys::CommonTestErrors {

extern const std::string DnsResolutionError;
extern const std::string UnknownConnectFailureError;
extern const std::string ConnectTimeoutError;
extern const std::string TooMuchTimeError;
extern const std::string OtherSocketFailure;
extern const std::string RecvFailure;
extern const std::string RecvTimeout;
extern const std::string SecureAuthenticationFailure;
extern const std::string TlsHandshakeTimeout;
extern const std::string SendFailure;
extern const std::string SendTimeout;
extern const std::string MaxDownloadLimitExceeded;

}  // namespace VekLibrary::VekDomain::DataKeys::CommonTestErrors
