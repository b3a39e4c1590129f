#include "domain/CommonTestErrors.h"

#include "domain/DataKeysInit.h"

namespace VekLibrary::VekDomain::DataKeys::CommonTestErrors {

namespace {
const std::string CommonErrorPrefix VEK_DATA_KEY_INIT = "common.results.error.";
const std::string OtherCommonErrorPrefix VEK_DATA_KEY_INIT = CommonErrorPrefix + "other.";
}  // namespace

const std::string DnsResolutionError VEK_DATA_KEY_INIT =
    CommonErrorPrefix + "dns-resolution-failure";
const std::string UnknownConnectFailureError VEK_DATA_KEY_INIT =
    CommonErrorPrefix + "unknown-connect-failure";
const std::string ConnectTimeoutError VEK_DATA_KEY_INIT = CommonErrorPrefix + "connect-timeout";
// "other." is part of this suffix, while TlsHandshakeTimeout gets it from its prefix.
const std::string TooMuchTimeError VEK_DATA_KEY_INIT = CommonErrorPrefix + "other.too-much-time";
const std::string OtherSocketFailure VEK_DATA_KEY_INIT = CommonErrorPrefix + "other-socket-failure";
const std::string RecvFailure VEK_DATA_KEY_INIT = CommonErrorPrefix + "recv-failure";
const std::string RecvTimeout VEK_DATA_KEY_INIT = CommonErrorPrefix + "recv-timeout";
const std::string SecureAuthenticationFailure VEK_DATA_KEY_INIT =
    CommonErrorPrefix + "secure-authentication-failure";
const std::string TlsHandshakeTimeout VEK_DATA_KEY_INIT =
    OtherCommonErrorPrefix + "tls-handshake-timeout";
const std::string SendFailure VEK_DATA_KEY_INIT = CommonErrorPrefix + "send-failure";
const std::string SendTimeout VEK_DATA_KEY_INIT = CommonErrorPrefix + "send-timeout";
const std::string MaxDownloadLimitExceeded VEK_DATA_KEY_INIT =
    CommonErrorPrefix + "max-download-limit-exceeded";

}  // namespace VekLibrary::VekDomain::DataKeys::CommonTestErrors
