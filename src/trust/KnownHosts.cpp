#include "trust/KnownHosts.h"

#include <libssh2.h>

#include <cctype>
#include <optional>
#include <stdexcept>

#include "crypto/Base64Codec.h"
#include "crypto/XCodecError.h"

namespace VekLibrary::Trust {

namespace {

using Crypto::Base64Codec;

constexpr char kBlanks[] = " \t\r";
constexpr std::size_t kHashBytes = 20;  // HMAC-SHA1, and its salt

struct CollectionDeleter {
    void operator()(LIBSSH2_KNOWNHOSTS* hosts) const { libssh2_knownhost_free(hosts); }
};
using Collection = std::unique_ptr<LIBSSH2_KNOWNHOSTS, CollectionDeleter>;

// The next run of characters other than blanks, taken off the front of `rest`;
// empty when there is none.
std::string_view NextField(std::string_view& rest) {
    const std::size_t begin = rest.find_first_not_of(kBlanks);
    if (begin == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(begin);
    const std::size_t end = std::min(rest.find_first_of(kBlanks), rest.size());
    const std::string_view field = rest.substr(0, end);
    rest.remove_prefix(end);
    return field;
}

std::optional<std::string> Decoded(std::string_view base64) {
    std::string bytes;
    try {
        Base64Codec::Decode(std::string(base64), bytes);
    } catch (const Crypto::XCodecError&) {
        return std::nullopt;
    }
    return bytes;
}

std::string Encoded(std::string_view bytes) {
    std::string base64;
    Base64Codec::Encode(std::string(bytes), base64);
    return base64;
}

// A key blob opens with its type as an SSH string: a 32-bit length, then the name.
bool IsOfType(std::string_view blob, std::string_view type) {
    if (blob.size() < 4) {
        return false;
    }
    std::size_t length = 0;
    for (int i = 0; i < 4; ++i) {
        length = (length << 8) | static_cast<unsigned char>(blob[i]);
    }
    return length == type.size() && blob.substr(4, length) == type;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower;
}

// OpenSSH's wildcards: '*' matches any run of characters, '?' any one.
bool WildcardMatch(std::string_view text, std::string_view pattern) {
    std::size_t t = 0;
    std::size_t p = 0;
    std::size_t star = std::string_view::npos;
    std::size_t resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

// "|1|<salt>|<hash>", both Base64 of 20 bytes.
bool IsHashedName(std::string_view field) {
    constexpr std::string_view kMagic = "|1|";
    if (field.substr(0, kMagic.size()) != kMagic) {
        return false;
    }
    const std::string_view rest = field.substr(kMagic.size());
    const std::size_t bar = rest.find('|');
    if (bar == std::string_view::npos) {
        return false;
    }
    const auto salt = Decoded(rest.substr(0, bar));
    const auto hash = Decoded(rest.substr(bar + 1));
    return salt && hash && salt->size() == kHashBytes && hash->size() == kHashBytes;
}

}  // namespace

// The session that libssh2's known-host collections allocate through; it never
// connects. libssh2 counts its initialisations, and this one is never undone.
struct KnownHosts::Library {
    Library() {
        static const bool initialised = libssh2_init(0) == 0;
        session = initialised ? libssh2_session_init() : nullptr;
        if (session == nullptr) {
            throw std::runtime_error("The SSH library could not be initialised.");
        }
    }
    ~Library() { libssh2_session_free(session); }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    LIBSSH2_SESSION* session = nullptr;
};

// One line that was read. A hashed name lives in a libssh2 collection of its own,
// patterns in lower case here; an @revoked line keeps neither.
struct KnownHosts::Entry {
    std::string_view line;
    bool revoked = false;
    Collection hashedName;
    std::vector<std::string> patterns;
    // The canonical Base64 of the key blob.
    std::string key;

    enum class NamingEnum { None, OtherKey, ThisKey };

    NamingEnum Naming(const std::string& name, const std::string& keyBase64) const {
        if (hashedName) {
            const int found = libssh2_knownhost_checkp(
                hashedName.get(), name.c_str(), -1, keyBase64.c_str(), keyBase64.size(),
                LIBSSH2_KNOWNHOST_TYPE_PLAIN | LIBSSH2_KNOWNHOST_KEYENC_BASE64, nullptr);
            return found == LIBSSH2_KNOWNHOST_CHECK_MATCH      ? NamingEnum::ThisKey
                   : found == LIBSSH2_KNOWNHOST_CHECK_MISMATCH ? NamingEnum::OtherKey
                                                               : NamingEnum::None;
        }
        bool named = false;
        for (const std::string& pattern : patterns) {
            const bool negated = !pattern.empty() && pattern[0] == '!';
            if (WildcardMatch(name, std::string_view(pattern).substr(negated ? 1 : 0))) {
                if (negated) {
                    return NamingEnum::None;
                }
                named = true;
            }
        }
        return !named             ? NamingEnum::None
               : keyBase64 == key ? NamingEnum::ThisKey
                                  : NamingEnum::OtherKey;
    }
};

KnownHosts::KnownHosts(std::string text)
    : text_(std::move(text)), library_(std::make_unique<Library>()) {
    enum class LineEnum { Comment, Entry, CertificateAuthority, Unreadable };
    const auto read = [this](std::string_view line, Entry& entry) {
        std::string_view rest = line;
        std::string_view field = NextField(rest);
        if (field.empty() || field[0] == '#') {
            return LineEnum::Comment;
        }
        if (field == "@cert-authority") {
            return LineEnum::CertificateAuthority;
        }
        if (field[0] == '@') {
            if (field != "@revoked") {
                return LineEnum::Unreadable;
            }
            entry.revoked = true;
            field = NextField(rest);
        }
        const std::string_view names = field;
        const std::string_view type = NextField(rest);
        const std::optional<std::string> blob = Decoded(NextField(rest));
        if (names.empty() || type.empty() || !blob || !IsOfType(*blob, type)) {
            return LineEnum::Unreadable;
        }
        entry.key = Encoded(*blob);
        if (entry.revoked) {
            return LineEnum::Entry;
        }
        if (names[0] != '|') {
            for (std::string_view list = names;;) {
                const std::size_t comma = std::min(list.find(','), list.size());
                entry.patterns.push_back(Lower(list.substr(0, comma)));
                if (comma == list.size()) {
                    return LineEnum::Entry;
                }
                list.remove_prefix(comma + 1);
            }
        }
        if (!IsHashedName(names)) {
            return LineEnum::Unreadable;
        }
        entry.hashedName.reset(libssh2_knownhost_init(library_->session));
        const std::string known = std::string(names) + " " + std::string(type) + " " + entry.key;
        return entry.hashedName &&
                       libssh2_knownhost_readline(entry.hashedName.get(), known.data(),
                                                  known.size(), LIBSSH2_KNOWNHOST_FILE_OPENSSH) == 0
                   ? LineEnum::Entry
                   : LineEnum::Unreadable;
    };
    for (std::size_t begin = 0; begin < text_.size();) {
        const std::size_t end = std::min(text_.find('\n', begin), text_.size());
        Entry entry;
        entry.line = std::string_view(text_).substr(begin, end - begin);
        switch (read(entry.line, entry)) {
            case LineEnum::Entry:
                entries_.push_back(std::move(entry));
                break;
            case LineEnum::CertificateAuthority:
                ++certificateAuthorityLines_;
                break;
            case LineEnum::Unreadable:
                ++unreadableLines_;
                break;
            case LineEnum::Comment:
                break;
        }
        begin = end + 1;
    }
}

KnownHosts::~KnownHosts() {
    // The collections go before the session they were made in.
    entries_.clear();
}

std::size_t KnownHosts::Entries() const {
    return entries_.size();
}

HostKeyStandingEnum KnownHosts::Check(const std::string& name, std::string_view keyBlob) const {
    const std::string key = Encoded(keyBlob);
    for (const Entry& entry : entries_) {
        if (entry.revoked && entry.key == key) {
            return HostKeyStandingEnum::Revoked;
        }
    }
    HostKeyStandingEnum standing = HostKeyStandingEnum::Unknown;
    for (const Entry& entry : entries_) {
        if (entry.revoked) {
            continue;
        }
        switch (entry.Naming(name, key)) {
            case Entry::NamingEnum::ThisKey:
                return HostKeyStandingEnum::Listed;
            case Entry::NamingEnum::OtherKey:
                standing = HostKeyStandingEnum::Unlisted;
                break;
            case Entry::NamingEnum::None:
                break;
        }
    }
    return standing;
}

std::string KnownHosts::LinesFor(const std::string& name) const {
    std::string lines;
    for (const Entry& entry : entries_) {
        // No key is the empty text, so every line that names the host differs.
        if (entry.revoked || entry.Naming(name, "") != Entry::NamingEnum::None) {
            lines.append(entry.line).append("\n");
        }
    }
    return lines;
}

std::string KnownHosts::LookupName(std::string_view host, unsigned port) {
    const std::string lower = Lower(host);
    return port == 22 ? lower : "[" + lower + "]:" + std::to_string(port);
}

}  // namespace VekLibrary::Trust
