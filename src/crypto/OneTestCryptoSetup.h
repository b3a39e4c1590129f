#pragma once

namespace VekLibrary::Crypto {

// Settles OpenSSL for a process that runs one SSH test and then exits. Must run
// before anything else in the process touches OpenSSL (the probe's main calls it
// first). A setting OpenSSL refuses leaves its default in force: the test still
// runs, only at a higher CPU cost. Together the settings take about a third off
// the instructions of a whole test (benchmarks/compare counts them).
//
// - The machine's OpenSSL configuration (openssl.cnf, or the file OPENSSL_CONF
//   names) is not read: the probe reads no configuration file and no environment
//   variable, and the same input gives the same cryptography on every machine.
// - OpenSSL frees nothing at exit: the process ends a moment later, and the
//   kernel takes back its memory at once.
// - OpenSSL's error texts are not loaded: the probe shows none, as libssh2 reports
//   its own texts and the Base64 encoder, the one place that would quote one,
//   cannot fail. Such a text would name its codes instead.
// - The random generator is Hash_DRBG over SHA-256 instead of CTR_DRBG over
//   AES-256: both NIST SP 800-90A generators of 256-bit strength, seeded from the
//   kernel alike, but the AES one makes OpenSSL build the method of every cipher
//   of its provider first, which a test whose SSH cipher is libssh2's own
//   chacha20-poly1305 never needs otherwise.
void SetUpCryptoForOneTest();

}  // namespace VekLibrary::Crypto
