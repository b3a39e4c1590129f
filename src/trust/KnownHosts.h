#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace VekLibrary::Trust {

// What a known hosts text says of one server key under one name.
enum class HostKeyStandingEnum {
    // A line that names the host lists the key.
    Listed,
    // Lines name the host, but none of them lists the key.
    Unlisted,
    // No line names the host.
    Unknown,
    // An @revoked line lists the key, whatever its names: a stolen key is refused
    // under every name, even where another line lists it.
    Revoked,
};

// An OpenSSH known_hosts text, read once and then asked about names and keys. Each
// line is "[marker] names keytype base64-key [comment]":
// - names: comma-separated patterns, case-insensitive, where '*' matches any run of
//   characters, '?' any one, and a pattern led by '!' keeps the line from naming a
//   host it matches even where another pattern does; or one hashed name
//   "|1|<base64 salt>|<base64 HMAC-SHA1 of the name>", checked by libssh2's
//   known-host functions;
// - marker: "@revoked", or "@cert-authority", whose lines are skipped because the
//   client does not take host certificates;
// - blank lines and lines whose first field starts with '#' are comments.
// A line that cannot be read (a missing field, a key that is not Base64 or not of
// its key type, a marker or hashed name of another kind) is skipped and counted,
// as OpenSSH skips it. Keys are compared as the server sends them: type and key.
// Not copyable or movable; its const members may be called from several threads.
class KnownHosts final {
public:
    explicit KnownHosts(std::string text);
    ~KnownHosts();
    KnownHosts(const KnownHosts&) = delete;
    KnownHosts& operator=(const KnownHosts&) = delete;

    // The standing of `keyBlob`, a public key in the SSH wire format as the server
    // sent it, under `name` as LookupName makes it.
    HostKeyStandingEnum Check(const std::string& name, std::string_view keyBlob) const;

    // The lines, each as written and ending in a line feed, that give every key its
    // standing under `name`: the lines that name it and every @revoked line.
    std::string LinesFor(const std::string& name) const;

    // The text as given.
    const std::string& Text() const { return text_; }
    std::size_t Entries() const;
    std::size_t CertificateAuthorityLines() const { return certificateAuthorityLines_; }
    std::size_t UnreadableLines() const { return unreadableLines_; }

    // The name a server is looked up by: its host in lower case, and for a port
    // other than 22 "[host]:port", as OpenSSH writes it.
    static std::string LookupName(std::string_view host, unsigned port);

private:
    struct Entry;
    struct Library;

    const std::string text_;
    std::unique_ptr<Library> library_;
    std::vector<Entry> entries_;
    std::size_t certificateAuthorityLines_ = 0;
    std::size_t unreadableLines_ = 0;
};

}  // namespace VekLibrary::Trust
