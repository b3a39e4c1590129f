// The exporter's door on its own: log lines no value can split, the web
// configuration file's refusals, and basic authentication against bcrypt hashes.

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "crypto/Base64Codec.h"
#include "exporter/BasicAuth.h"
#include "exporter/ExporterTestSupport.h"
#include "exporter/LogLine.h"
#include "exporter/WebConfigLoader.h"

namespace {

using testing::HasSubstr;
using VekExporter::LogFormatEnum;
using VekExporter::LogLevelEnum;

TEST(ExporterLog, EveryValueStaysOnOneLine) {
    const auto time =
        std::chrono::system_clock::time_point(std::chrono::milliseconds(1796732393618));
    const struct {
        std::string value;
        std::string logfmt;
        std::string json;  // as the value reads back
    } cases[] = {
        {"plain", "plain", "plain"},
        {"", "\"\"", ""},
        {"a b=c", "\"a b=c\"", "a b=c"},
        {"say \"hi\" \\", "\"say \\\"hi\\\" \\\\\"", "say \"hi\" \\"},
        {"127.0.0.1:99999\n2026-12-08 12:00:00.000 [INF] forged",
         "\"127.0.0.1:99999\\n2026-12-08 12:00:00.000 [INF] forged\"",
         "127.0.0.1:99999\n2026-12-08 12:00:00.000 [INF] forged"},
        {"cr\rtab\tbell\x07", "\"cr\\rtab\\tbell\\u0007\"", "cr\rtab\tbell\x07"},
        {"nel\xc2\x85ls\xe2\x80\xa8ps\xe2\x80\xa9", "\"nel\\u0085ls\\u2028ps\\u2029\"",
         "nel\xc2\x85ls\xe2\x80\xa8ps\xe2\x80\xa9"},
        {"bad\xff", "\"bad\xef\xbf\xbd\"", "bad\xef\xbf\xbd"},
    };
    for (const auto& c : cases) {
        const std::string logfmt = VekExporter::FormatLogLine(
            LogFormatEnum::Logfmt, time, LogLevelEnum::Warn, "m", {{"target", c.value}});
        EXPECT_EQ(logfmt, "ts=2026-12-08T12:19:53.618Z level=warn msg=m target=" + c.logfmt + "\n");
        const std::string json = VekExporter::FormatLogLine(
            LogFormatEnum::Json, time, LogLevelEnum::Error, "a \"msg\"", {{"target", c.value}});
        EXPECT_EQ(json.find_first_of("\n\r"), json.size() - 1) << json;
        EXPECT_EQ(json.find("\xe2\x80\xa8"), std::string::npos) << json;
        const nlohmann::json parsed = nlohmann::json::parse(json);
        EXPECT_EQ(parsed["target"], c.json);
        EXPECT_EQ(parsed["msg"], "a \"msg\"");
    }
}

TEST(ExporterWebConfig, RefusesBadFilesSayingWhy) {
    const VekTest::TempDir dir;
    const std::string make = "cd '" + dir.Path() +
                             "' && for n in a b; do openssl req -x509 -newkey ec -pkeyopt "
                             "ec_paramgen_curve:P-256 -nodes -days 1 -subj /CN=$n -keyout $n.key "
                             "-out $n.crt 2>/dev/null || exit 1; done";
    ASSERT_EQ(std::system(make.c_str()), 0);
    const std::string tls = "tls_server_config:\n  cert_file: a.crt\n";
    const std::string pair = tls + "  key_file: a.key\n";
    const std::pair<std::string, std::string> cases[] = {
        {"bogus: 1\n", "web.yml: unknown key \"bogus\""},
        {tls, "tls_server_config: key_file is missing"},
        {tls + "  key_file: b.key\n",
         "key_file: the key does not belong to the certificate of cert_file"},
        {"tls_server_config:\n  cert_file: a.key\n  key_file: a.key\n", "cert_file: no PEM"},
        {pair + "  client_auth_type: Always\n", "\"Always\" is not one of NoClientCert,"},
        {pair + "  client_ca_file: b.crt\n", "client_ca_file is given, but client_auth_type is"},
        {pair + "  client_auth_type: RequireAndVerifyClientCert\n", "needs client_ca_file"},
        {pair + "  client_auth_type: VerifyClientCertIfGiven\n  client_ca_file: b.crt\n"
                "  client_allowed_sans: [x]\n",
         "client_allowed_sans needs client_auth_type RequireAndVerifyClientCert"},
        {pair + "  min_version: TLS13\n  max_version: TLS12\n", "min_version is above max_version"},
        {pair + "  cipher_suites: [TLS_NO_SUCH]\n", "\"TLS_NO_SUCH\" is not a cipher suite"},
        {pair + "  curve_preferences: [P256]\n", "\"P256\" is not one of CurveP256"},
        {"http_server_config:\n  headers:\n    X-Frame-Options: allow\n", "is not deny or"},
        {"http_server_config:\n  headers:\n    Set-Cookie: a\n", "unknown key \"Set-Cookie\""},
        {"http_server_config:\n  headers:\n    X-XSS-Protection: \"1\\r\\nX: y\"\n",
         "holds a control character"},
        {"basic_auth_users:\n  alice: open-sesame\n", "alice: is not a bcrypt hash"},
        {"rate_limit:\n  interval: 1s\n  burst: 0\n", "burst: must be a whole number"},
    };
    const std::string path = dir.File("web.yml");
    for (const auto& [yaml, reason] : cases) {
        VekTest::WriteFile(path, yaml);
        try {
            VekExporter::LoadWebConfig(path);
            ADD_FAILURE() << "accepted:\n" << yaml;
        } catch (const std::runtime_error& error) {
            EXPECT_THAT(error.what(), HasSubstr(reason)) << yaml;
        }
    }
    VekTest::WriteFile(path, pair +
                                 "  cipher_suites: [TLS_ECDHE_ECDSA_WITH_AES_128_GCM_SHA256]\n"
                                 "  curve_preferences: [X25519, CurveP256]\n");
    EXPECT_TRUE(VekExporter::LoadWebConfig(path).tls);
}

TEST(ExporterBasicAuth, ChecksBcryptHashesOfHtpasswd) {
    // htpasswd -nbBC 4 alice 'open sesame'
    const std::map<std::string, std::string> users = {
        {"alice", "$2y$04$XxxWU23Zzpr9vvlFXBpcaOmLcJQxiL9DzU.8Rwux01qLs6lSX7QN6"}};
    const auto basic = [](const std::string& credentials) {
        std::string encoded;
        VekLibrary::Crypto::Base64Codec::Encode(credentials, encoded);
        return "Basic " + encoded;
    };
    const std::pair<std::string, bool> cases[] = {
        {basic("alice:open sesame"), true},
        {basic("alice:open sesame"), true},
        {basic("alice:open sesam"), false},
        {basic("bob:open sesame"), false},
        {basic(std::string("alice:open sesame\0x", 19)), false},
        {basic("alice"), false},
        {"Bearer abc", false},
        {"Basic !!!", false},
        {"", false},
    };
    VekExporter::BasicAuth auth;
    for (const auto& [header, admitted] : cases) {
        EXPECT_EQ(auth.Admits(users, header), admitted) << header;
    }
    EXPECT_TRUE(auth.Admits({}, ""));
}

}  // namespace
