#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "domain/CommonTestErrors.h"
#include "domain/CommonTestFlags.h"
#include "domain/CommonTestOptions.h"
#include "domain/CommonTestResults.h"

namespace VekLibrary::VekDomain::DataKeys {
namespace {

struct KeyCase {
    const char* name;
    std::string copiedAtStartup;
    const std::string* live;
    const char* expected;
};

#define VEK_KEY_CASE(table, key, text)                  \
    KeyCase {                                           \
#table "::" #key, table::key, &table::key, text \
    }

// Built by an ordinary static initialiser of this file, which the linker places
// before the key tables' own files: it shows that other files can read every
// key while static initialisation is still running.
const std::vector<KeyCase> kKeyCases = {
    VEK_KEY_CASE(CommonTestErrors, DnsResolutionError,
                 "common.results.error.dns-resolution-failure"),
    VEK_KEY_CASE(CommonTestErrors, UnknownConnectFailureError,
                 "common.results.error.unknown-connect-failure"),
    VEK_KEY_CASE(CommonTestErrors, ConnectTimeoutError, "common.results.error.connect-timeout"),
    VEK_KEY_CASE(CommonTestErrors, TooMuchTimeError, "common.results.error.other.too-much-time"),
    VEK_KEY_CASE(CommonTestErrors, OtherSocketFailure, "common.results.error.other-socket-failure"),
    VEK_KEY_CASE(CommonTestErrors, RecvFailure, "common.results.error.recv-failure"),
    VEK_KEY_CASE(CommonTestErrors, RecvTimeout, "common.results.error.recv-timeout"),
    VEK_KEY_CASE(CommonTestErrors, SecureAuthenticationFailure,
                 "common.results.error.secure-authentication-failure"),
    VEK_KEY_CASE(CommonTestErrors, TlsHandshakeTimeout,
                 "common.results.error.other.tls-handshake-timeout"),
    VEK_KEY_CASE(CommonTestErrors, SendFailure, "common.results.error.send-failure"),
    VEK_KEY_CASE(CommonTestErrors, SendTimeout, "common.results.error.send-timeout"),
    VEK_KEY_CASE(CommonTestErrors, MaxDownloadLimitExceeded,
                 "common.results.error.max-download-limit-exceeded"),

    VEK_KEY_CASE(CommonTestFlags, UseIpv6, "test.common.use-ipv6"),
    VEK_KEY_CASE(CommonTestFlags, IgnoreFileSizeLimits, "common.test.flag.ignore-file-size-limits"),
    VEK_KEY_CASE(CommonTestFlags, DebugOnError, "test.common.debug-on-error"),
    VEK_KEY_CASE(CommonTestFlags, IgnoreSslErrors, "test.common.flag.ignore-ssl-errors"),

    VEK_KEY_CASE(CommonTestOptions, ActualRuntime, "test.common.actual-runtime"),
    VEK_KEY_CASE(CommonTestOptions, Url, "test.common.url"),
    VEK_KEY_CASE(CommonTestOptions, TestId, "common.test.test-id"),
    VEK_KEY_CASE(CommonTestOptions, MaxStepTime, "common.test.max-step-time"),
    VEK_KEY_CASE(CommonTestOptions, AuthUsername, "common.test.auth-username"),
    VEK_KEY_CASE(CommonTestOptions, AuthPassword, "common.test.auth-password"),
    VEK_KEY_CASE(CommonTestOptions, AuthCertificates, "common.test.auth-certificates"),
    VEK_KEY_CASE(CommonTestOptions, SendDataBytes, "common.test.send-data-bytes"),
    VEK_KEY_CASE(CommonTestOptions, MaxDownloadBytes, "common.test.max-downloads-bytes"),
    VEK_KEY_CASE(CommonTestOptions, CertificatePassPhrase, "test.common.certificate-pass-phrase"),
    VEK_KEY_CASE(CommonTestOptions, NetworkCheckCertRevocation,
                 "common.test.network-check-cert-revocation"),
    VEK_KEY_CASE(CommonTestOptions, ProxyFtp, "test.proxy.ftp"),
    VEK_KEY_CASE(CommonTestOptions, ProxyUsername, "test.proxy.username"),
    VEK_KEY_CASE(CommonTestOptions, ProxyPassword, "test.proxy.password"),
    VEK_KEY_CASE(CommonTestOptions, ProxyBypassList, "test.proxy.bypass-list"),
    VEK_KEY_CASE(CommonTestOptions, ProxyPacFileUrl, "test.common.proxy.pacfile-url"),

    VEK_KEY_CASE(CommonTestResults, HostName, "common.results.host.name"),
    VEK_KEY_CASE(CommonTestResults, HostAddress, "common.results.host.address"),
    VEK_KEY_CASE(CommonTestResults, HostAddressPort, "common.results.host.address.port"),
    VEK_KEY_CASE(CommonTestResults, DnsDurationMs, "common.results.metrics.dns.ms"),
    VEK_KEY_CASE(CommonTestResults, ConnectDurationMs, "common.results.metrics.connect.ms"),
    VEK_KEY_CASE(CommonTestResults, ErrorCode, "common.results.error-code"),
    VEK_KEY_CASE(CommonTestResults, ErrorDetails, "common.results.error-details"),
    VEK_KEY_CASE(CommonTestResults, SslDurationMs, "common.results.metrics.ssl.ms"),
    VEK_KEY_CASE(CommonTestResults, SendDurationMs, "common.results.metrics.send.ms"),
    VEK_KEY_CASE(CommonTestResults, WaitDurationMs, "common.results.metrics.wait.ms"),
    VEK_KEY_CASE(CommonTestResults, DurationMs, "common.results.metrics.duration.ms"),
    VEK_KEY_CASE(CommonTestResults, ReceiveDurationMs, "common.results.metrics.receive.ms"),
};

#undef VEK_KEY_CASE

TEST(DataKeysTest, EveryKeyHasItsExactText) {
    ASSERT_EQ(kKeyCases.size(), 12u + 4u + 16u + 12u);
    for (const KeyCase& key : kKeyCases) {
        EXPECT_EQ(*key.live, key.expected) << key.name;
    }
}

TEST(DataKeysTest, EveryKeyIsReadableFromOtherFilesStaticInitialisers) {
    for (const KeyCase& key : kKeyCases) {
        EXPECT_EQ(key.copiedAtStartup, key.expected) << key.name;
    }
}

}  // namespace
}  // namespace VekLibrary::VekDomain::DataKeys
