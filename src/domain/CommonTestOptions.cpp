#include "domain/CommonTestOptions.h"

#include "domain/DataKeysInit.h"

namespace VekLibrary::VekDomain::DataKeys::CommonTestOptions {

namespace {
const std::string TestCommonOptionsPrefix VEK_DATA_KEY_INIT = "test.common.";
const std::string CommonTestOptionsPrefix VEK_DATA_KEY_INIT = "common.test.";
const std::string TestProxy VEK_DATA_KEY_INIT = "test.proxy.";
}  // namespace

const std::string ActualRuntime VEK_DATA_KEY_INIT = TestCommonOptionsPrefix + "actual-runtime";
const std::string Url VEK_DATA_KEY_INIT = TestCommonOptionsPrefix + "url";
const std::string TestId VEK_DATA_KEY_INIT = CommonTestOptionsPrefix + "test-id";
const std::string MaxStepTime VEK_DATA_KEY_INIT = CommonTestOptionsPrefix + "max-step-time";
const std::string AuthUsername VEK_DATA_KEY_INIT = CommonTestOptionsPrefix + "auth-username";
const std::string AuthPassword VEK_DATA_KEY_INIT = CommonTestOptionsPrefix + "auth-password";
const std::string AuthCertificates VEK_DATA_KEY_INIT =
    CommonTestOptionsPrefix + "auth-certificates";
const std::string SendDataBytes VEK_DATA_KEY_INIT = CommonTestOptionsPrefix + "send-data-bytes";
// "downloads" in the plural, unlike the MaxDownloadLimitExceeded error code.
const std::string MaxDownloadBytes VEK_DATA_KEY_INIT =
    CommonTestOptionsPrefix + "max-downloads-bytes";
const std::string CertificatePassPhrase VEK_DATA_KEY_INIT =
    TestCommonOptionsPrefix + "certificate-pass-phrase";
const std::string NetworkCheckCertRevocation VEK_DATA_KEY_INIT =
    CommonTestOptionsPrefix + "network-check-cert-revocation";
const std::string ProxyFtp VEK_DATA_KEY_INIT = TestProxy + "ftp";
const std::string ProxyUsername VEK_DATA_KEY_INIT = TestProxy + "username";
const std::string ProxyPassword VEK_DATA_KEY_INIT = TestProxy + "password";
const std::string ProxyBypassList VEK_DATA_KEY_INIT = TestProxy + "bypass-list";
const std::string ProxyPacFileUrl VEK_DATA_KEY_INIT = TestCommonOptionsPrefix + "proxy.pacfile-url";

}  // namespace VekLibrary::VekDomain::DataKeys::CommonTestOptions
