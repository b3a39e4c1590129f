#pragma once

// OpenSSL made repeatable for the client fuzzer: one input must replay the same
// way every time, so the client's random bytes restart from one seed per input.
namespace VekFuzz {

// Replaces OpenSSL's random generator with a fixed xorshift64* for the whole
// process. Call once, before the first handshake.
void InstallFixedRandom();

// Restarts the fixed generator from its seed; call before every input.
void RestartFixedRandom();

}  // namespace VekFuzz
