// known_hosts_fuzzer: the input's first line is the name looked up, its second the
// Base64 of the server's key blob, and the rest a known hosts text.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "crypto/Base64Codec.h"
#include "crypto/XCodecError.h"
#include "fuzz/FuzzFault.h"
#include "trust/KnownHosts.h"

namespace {

using VekLibrary::Trust::HostKeyStandingEnum;
using VekLibrary::Trust::KnownHosts;

std::string_view TakeLine(std::string_view& rest) {
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(std::min(end + 1, rest.size()));
    return line;
}

std::size_t LineCount(std::string_view text) {
    std::size_t count = 0;
    for (std::string_view rest = text; !rest.empty(); TakeLine(rest)) {
        ++count;
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    const std::string name(TakeLine(rest));
    const std::string keyText(TakeLine(rest));
    std::string keyBlob;
    try {
        VekLibrary::Crypto::Base64Codec::Decode(keyText, keyBlob);
    } catch (const VekLibrary::Crypto::XCodecError&) {
        keyBlob = keyText;
    }
    try {
        const KnownHosts hosts{std::string(rest)};
        if (hosts.Entries() + hosts.CertificateAuthorityLines() + hosts.UnreadableLines() >
            LineCount(rest)) {
            VekFuzz::Fault("more lines were counted than the text has");
        }
        const HostKeyStandingEnum standing = hosts.Check(name, keyBlob);
        const std::string lines = hosts.LinesFor(name);
        if (standing != HostKeyStandingEnum::Unknown && lines.empty()) {
            VekFuzz::Fault("a key has a standing, yet no line gives it");
        }
        // Each line handed out is one of the text's lines, as written.
        for (std::string_view given = lines; !given.empty();) {
            const std::string_view line = TakeLine(given);
            bool found = false;
            for (std::string_view text = rest; !text.empty() && !found;) {
                found = TakeLine(text) == line;
            }
            if (!found) {
                VekFuzz::Fault("LinesFor handed out a line the text does not have");
            }
        }
    } catch (const std::exception& error) {
        VekFuzz::Fault("KnownHosts threw", error);
    }
    return 0;
}
