#include "probeclient/ProbeInput.h"

#include <algorithm>
#include <stdexcept>

#include "crypto/Base64Codec.h"
#include "domain/CommonTestFlags.h"
#include "domain/CommonTestOptions.h"
#include "probeclient/SecretFile.h"
#include "stringutils/Utf8Repair.h"

namespace VekProbeClient {

namespace {

namespace CommonTestOptions = VekLibrary::VekDomain::DataKeys::CommonTestOptions;
namespace CommonTestFlags = VekLibrary::VekDomain::DataKeys::CommonTestFlags;
using VekLibrary::Crypto::HostKeyFingerprintText;
using VekLibrary::VekDomain::SensitiveString;

// The probe's input keys that are its own rather than common data keys, and the
// levels of its input document.
constexpr char kCapabilities[] = "Capabilities";
constexpr char kSettings[] = "Settings";
constexpr char kDataDirectory[] = "DataDirectory";
constexpr char kMaxCommandLength[] = "MaxCommandLength";
constexpr char kPrivateKey[] = "common.test.auth-private-key";
constexpr char kHostKeyFingerprints[] = "qo-ssh.test.host-key-fingerprints";
constexpr char kKnownHosts[] = "qo-ssh.test.known-hosts";
constexpr char kHandshakeOnly[] = "qo-ssh.test.handshake-only";
constexpr char kDataDirectoryPath[] = "/tmp/";
// The probe refuses command text longer than its MaxCommandLength setting, whose
// default is this; a longer command raises it.
constexpr std::size_t kProbeDefaultMaxCommandLength = 1000;

// Writes the line twice: first only counting its bytes, then into a buffer of
// exactly that capacity, so that no reallocation leaves a copy of a credential in
// freed memory.
class LineWriter final {
public:
    explicit LineWriter(std::string* out) : out_(out) {}

    void Raw(std::string_view text) {
        if (out_ != nullptr) {
            out_->append(text);
        }
        length_ += text.size();
    }

    void String(std::string_view text) {
        Raw("\"");
        static constexpr char kHex[] = "0123456789abcdef";
        std::size_t plain = 0;
        for (std::size_t at = 0; at < text.size(); ++at) {
            const unsigned char c = static_cast<unsigned char>(text[at]);
            if (c >= 0x20 && c != '"' && c != '\\') {
                continue;
            }
            Raw(text.substr(plain, at - plain));
            plain = at + 1;
            const char escaped[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 0x0f]};
            Raw(c == '"' ? "\\\"" : c == '\\' ? "\\\\" : std::string_view(escaped, 6));
        }
        Raw(text.substr(plain));
        Raw("\"");
    }

    // `"key":` after a comma unless it opens its object.
    void Key(std::string_view key) {
        Raw(first_ ? "" : ",");
        first_ = false;
        String(key);
        Raw(":");
    }

    void Open(std::string_view key) {
        Key(key);
        Raw("{");
        first_ = true;
    }

    void Close() {
        Raw("}");
        first_ = false;
    }

    std::size_t Length() const { return length_; }

private:
    std::string* out_;
    std::size_t length_ = 0;
    bool first_ = true;
};

std::string Joined(const std::vector<VekLibrary::Crypto::HostKeyFingerprint>& fingerprints) {
    std::string joined;
    for (const auto& fingerprint : fingerprints) {
        joined += (joined.empty() ? "" : ",") + HostKeyFingerprintText::ToHex(fingerprint);
    }
    return joined;
}

// The texts the line carries in Base64.
struct EncodedTexts {
    std::string privateKey;
    std::string knownHosts;
};

void Write(const ProbeInput& input, const std::string& script, const EncodedTexts& texts,
           LineWriter& line) {
    line.Raw("{");
    line.Open(kCapabilities);
    line.Key(CommonTestOptions::Url);
    line.String(input.url);
    line.Key(CommonTestFlags::UseIpv6);
    line.Raw(input.ipv6 ? "true" : "false");
    if (!input.testId.empty()) {
        line.Key(CommonTestOptions::TestId);
        line.String(input.testId);
    }
    line.Key(CommonTestOptions::MaxStepTime);
    line.Raw(std::to_string(std::max(1L, input.timeoutSeconds)));
    if (input.handshakeOnly) {
        line.Key(kHandshakeOnly);
        line.Raw("true");
    } else {
        line.Key(CommonTestOptions::AuthUsername);
        line.String(input.username);
        if (input.password) {
            line.Key(CommonTestOptions::AuthPassword);
            line.String(input.password->GetText());
        }
        if (input.privateKey) {
            line.Key(kPrivateKey);
            line.String(texts.privateKey);
        }
    }
    if (!input.hostKeys.empty()) {
        line.Key(kHostKeyFingerprints);
        line.String(Joined(input.hostKeys));
    }
    if (input.knownHosts) {
        line.Key(kKnownHosts);
        line.String(texts.knownHosts);
    }
    if (!script.empty()) {
        std::string encoded;
        VekLibrary::Crypto::Base64Codec::Encode(script, encoded);
        line.Key(CommonTestOptions::SendDataBytes);
        line.String(encoded);
    }
    if (input.maxOutputBytes) {
        line.Key(CommonTestOptions::MaxDownloadBytes);
        line.Raw(std::to_string(*input.maxOutputBytes));
    }
    line.Close();
    line.Open(kSettings);
    line.Key(kDataDirectory);
    line.String(kDataDirectoryPath);
    if (!script.empty()) {
        line.Key(kMaxCommandLength);
        line.Raw(std::to_string(std::max(kProbeDefaultMaxCommandLength, script.size())));
    }
    line.Close();
    line.Raw("}\n");
}

}  // namespace

void RequireUtf8(std::string_view text, const std::string& what) {
    if (VekLibrary::StringUtilities::FindInvalidUtf8(text) != std::string_view::npos) {
        throw std::invalid_argument(what + " is not valid UTF-8");
    }
}

SensitiveString BuildProbeInputLine(const ProbeInput& input) {
    RequireUtf8(input.url, "the target");
    RequireUtf8(input.testId, "the test id");
    RequireUtf8(input.username, "the user name");
    if (input.password) {
        RequireUtf8(input.password->GetText(),
                    input.privateKey ? "the passphrase" : "the password");
    }
    if (input.privateKey) {
        RequireUtf8(input.privateKey->GetText(), "the private key");
    }
    RequireUtf8(input.command, "the command");

    std::string script = input.command;
    if (!script.empty() && script.back() != '\n') {
        script += '\n';
    }
    EncodedTexts encoded;
    if (input.privateKey) {
        VekLibrary::Crypto::Base64Codec::Encode(input.privateKey->GetText(), encoded.privateKey);
    }
    if (input.knownHosts) {
        // The probe refuses an empty value; a lone line feed lists no host either.
        VekLibrary::Crypto::Base64Codec::Encode(
            input.knownHosts->empty() ? "\n" : *input.knownHosts, encoded.knownHosts);
    }
    LineWriter counter(nullptr);
    Write(input, script, encoded, counter);
    std::string text;
    text.reserve(counter.Length());
    LineWriter writer(&text);
    Write(input, script, encoded, writer);
    SensitiveString line(text);
    WipeText(text);
    WipeText(encoded.privateKey);
    return line;
}

}  // namespace VekProbeClient
