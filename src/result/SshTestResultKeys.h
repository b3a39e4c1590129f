#pragma once

#include <string>

// Names of the SSH-specific metrics in the result document, each used whole as one
// JSON member name. The last segment names the unit or form of the value: "ms"
// milliseconds, "number" a count, "hex-encoded" hexadecimal text; "result" is the
// raw captured output. Constructed before any ordinary static initialiser runs, so
// other files may read them from their own static initialisers.
namespace Ssh::SshTestResultKeys {

extern const std::string BannerExchangeMs;
extern const std::string KeyExchangeMs;
extern const std::string ServiceRequestExchangeMs;
extern const std::string AuthenticationMs;
extern const std::string CommandExecutionMs;
extern const std::string CommandResultSizeNumber;
extern const std::string CommandExecutionReturnCodeNumber;
extern const std::string CommandExecutionResult;
extern const std::string HostFingerprintHexEncoded;
// The server's identification line and the algorithms the key exchange settled on.
extern const std::string ServerIdentification;
extern const std::string AlgorithmKex;
extern const std::string AlgorithmHostKey;
extern const std::string AlgorithmCipherClientToServer;
extern const std::string AlgorithmCipherServerToClient;
extern const std::string AlgorithmMacClientToServer;
extern const std::string AlgorithmMacServerToClient;
// The name-lists of the server's KEXINIT as received, and the verdicts on them
// (ServerOfferAudit): a text of weak names, two booleans.
extern const std::string ServerAlgorithmsKex;
extern const std::string ServerAlgorithmsHostKey;
extern const std::string ServerAlgorithmsCipherClientToServer;
extern const std::string ServerAlgorithmsCipherServerToClient;
extern const std::string ServerAlgorithmsMacClientToServer;
extern const std::string ServerAlgorithmsMacServerToClient;
extern const std::string ServerAlgorithmsCompressionClientToServer;
extern const std::string ServerAlgorithmsCompressionServerToClient;
extern const std::string WeakAlgorithms;
extern const std::string StrictKex;
extern const std::string TerrapinVulnerable;

}  // namespace Ssh::SshTestResultKeys
