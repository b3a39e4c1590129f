#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>

#include "fuzz/ProbeInputCheck.h"

// Randomized robustness run over the probe's own command definition and policy
// factory (fuzz/ProbeInputCheck.h, shared with input_fuzzer): structured JSON documents,
// mutated documents and argv arrays built from flag-like tokens. Every input
// must either parse or be refused with XInvalidTestInputError. The default run
// is short; VEK_FUZZ_ITERATIONS and VEK_FUZZ_SEED make longer or other runs.
namespace VekFuzz {
namespace {

class InputGenerator {
public:
    explicit InputGenerator(std::uint64_t seed) : random_(seed) {}

    std::string JsonLine() {
        std::string line = Below(3) == 0 ? Mutate(ProbeDocument()) : ProbeDocument();
        return Below(10) == 0 ? Mutate(Mutate(line)) : line;
    }

    std::vector<std::string> Arguments() {
        static const std::vector<std::string> kTokens = {
            "-h",
            "--help",
            "--help=1",
            "-u",
            "--url",
            "--url=qo-ssh://h:22",
            "--ur",
            "-p",
            "--password",
            "--pass=",
            "-n",
            "--username",
            "-t",
            "--timeout",
            "--time=5",
            "-b",
            "--maxDownloadBytes",
            "-l",
            "--maxCommandLength=3",
            "-c",
            "--commands",
            "-g",
            "-d",
            "-x",
            "-6",
            "--useIpv6",
            "-i",
            "--testId",
            "-s",
            "--handshakeOnly=true",
            "-f",
            "--",
            "-",
            "--zz",
            "--u",
            "-hx6dg",
            "-p22",
            "-l1",
            "-t-1",
            "0",
            "-1",
            "30s",
            "abc",
            "99999999999999999999",
            "18446744073709551616",
            "<Bytes.Invalid>",
            "true",
            "false",
            "",
            " ",
            "=",
            "host",
            "-\xff",
            "\xc3\xa9",
            "--\xff",
            "-z",
            "-hz",
            "-vzh",
            "---",
            "--=x",
            "--help=",
        };
        std::vector<std::string> arguments;
        const std::size_t count = Below(14);
        for (std::size_t index = 0; index < count; ++index) {
            if (Below(8) == 0) {
                arguments.push_back(RandomBytes(Below(6)));
            } else {
                arguments.push_back(kTokens[Below(kTokens.size())]);
            }
        }
        return arguments;
    }

private:
    std::size_t Below(std::size_t bound) {
        return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random_);
    }

    std::string RandomBytes(std::size_t count) {
        std::string bytes;
        for (std::size_t index = 0; index < count; ++index) {
            bytes.push_back(static_cast<char>(Below(256)));
        }
        return bytes;
    }

    std::string Scalar() {
        static const std::vector<std::string> kScalars = {
            "null",
            "true",
            "false",
            "0",
            "-1",
            "1",
            "22",
            "2.5",
            "-0.0",
            "1e308",
            "1e-320",
            "9223372036854775807",
            "9223372036854775808",
            "18446744073709551615",
            "18446744073709551616",
            "-9223372036854775809",
            "\"\"",
            "\"x\"",
            "\"22\"",
            "\"true\"",
            "\"<Bytes.Invalid>\"",
            "\"-5\"",
            "\"\\u0000\"",
            "\"\\ud83d\\ude00\"",
            "\"\\ud800\"",
            "\"qo-ssh://host:2222\"",
            "\"\xc3\xa9\"",
            "\"30s\"",
            "\" 7\"",
        };
        return kScalars[Below(kScalars.size())];
    }

    std::string Value(int depth) {
        switch (depth > 3 ? 0 : Below(6)) {
            case 4: {
                std::string array = "[";
                for (std::size_t index = Below(4); index > 0; --index) {
                    array += Value(depth + 1) + (index > 1 ? "," : "");
                }
                return array + "]";
            }
            case 5:
                return "{\"k\":" + Value(depth + 1) + "}";
            default:
                return Scalar();
        }
    }

    std::string Members(const std::vector<std::string>& keys) {
        std::string members;
        for (const auto& key : keys) {
            if (Below(5) == 0) {
                continue;
            }
            members += (members.empty() ? "\"" : ",\"") + key + "\":" + Value(0);
        }
        return members;
    }

    std::string ProbeDocument() {
        static const std::vector<std::string> kCapabilities = {
            "test.common.use-ipv6",
            "test.common.url",
            "common.test.test-id",
            "common.test.max-step-time",
            "common.test.auth-username",
            "common.test.auth-password",
            "common.test.send-data-bytes",
            "common.test.max-downloads-bytes",
            "common.test.flag.ignore-file-size-limits",
            "qo-ssh.test.handshake-only",
        };
        static const std::vector<std::string> kSettings = {"DataDirectory", "MaxCommandLength",
                                                           "DebugModeOn"};
        std::string document = "{";
        if (Below(8) != 0) {
            document += "\"Capabilities\":" +
                        (Below(10) == 0 ? Value(0) : "{" + Members(kCapabilities) + "}");
        }
        if (Below(8) != 0) {
            document += std::string(document.size() > 1 ? "," : "") + "\"Settings\":" +
                        (Below(10) == 0 ? Value(0) : "{" + Members(kSettings) + "}");
        }
        return document + "}";
    }

    std::string Mutate(std::string text) {
        static const std::vector<std::string> kTokens = {
            "{",
            "}",
            "[",
            "]",
            "\"",
            ":",
            ",",
            "\\",
            "\\u",
            "null",
            "-",
            "1e999",
            "\n",
            "\0",
            "\xff",
            "\xc3",
            "[[[[[[[[[[[[[[[[",
            "/*",
            "//",
            " ",
            "\"Capabilities\"",
            "\t",
        };
        const std::size_t position = text.empty() ? 0 : Below(text.size() + 1);
        switch (Below(5)) {
            case 0:
                if (!text.empty()) {
                    text[Below(text.size())] = static_cast<char>(Below(256));
                }
                break;
            case 1:
                text.insert(position, kTokens[Below(kTokens.size())]);
                break;
            case 2:
                text.erase(position, Below(8));
                break;
            case 3:
                text.insert(position, text.substr(Below(text.size() + 1), Below(16)));
                break;
            default:
                text.resize(position);
                break;
        }
        return text;
    }

    std::mt19937_64 random_;
};

std::uint64_t EnvironmentNumber(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    return text == nullptr ? fallback : std::strtoull(text, nullptr, 10);
}

TEST(InputFuzzTest, RandomJsonLinesAndArgvArraysEndInParsedValuesOrTestInputErrors) {
    const std::uint64_t iterations = EnvironmentNumber("VEK_FUZZ_ITERATIONS", 10000);
    const std::uint64_t seed = EnvironmentNumber("VEK_FUZZ_SEED", 20240611);
    InputGenerator generator(seed);
    const auto start = std::chrono::steady_clock::now();
    for (std::uint64_t iteration = 0; iteration < iterations; ++iteration) {
        const std::string line = generator.JsonLine();
        const std::string jsonFault = CheckJsonLine(line);
        ASSERT_EQ(jsonFault, "") << "iteration " << iteration << ", line: " << line;
        const auto arguments = generator.Arguments();
        const std::string cliFault = CheckCommandLine(arguments);
        ASSERT_EQ(cliFault, "") << "iteration " << iteration
                                << ", argv: " << ::testing::PrintToString(arguments);
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    std::printf("%llu JSON lines and %llu argv arrays in %lld ms (seed %llu)\n",
                static_cast<unsigned long long>(iterations),
                static_cast<unsigned long long>(iterations),
                static_cast<long long>(elapsed.count()), static_cast<unsigned long long>(seed));
}

TEST(InputFuzzTest, KnownHardInputs) {
    for (const std::string& line :
         {std::string(), std::string("\0", 1), std::string(100000, '['),
          "{\"Capabilities\":{\"common.test.auth-password\":" + std::string(5000, '[') +
              std::string(5000, ']') + "}}",
          std::string("{\"Capabilities\":{\"common.test.auth-password\":\"\xff\"}}"),
          std::string(
              "{\"Capabilities\":{\"common.test.max-downloads-bytes\":{\"a\":\"\\u0000\"}}}"),
          std::string("{\"Settings\":[],\"Capabilities\":{}}")}) {
        EXPECT_EQ(CheckJsonLine(line), "");
    }
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"-vzh"},
             {"-h"},
             {"-u", "h", "-n", "n", "-p", "p", "-l", "0", "-c", "x"},
             {"--", "--"},
             {"-p"},
             {std::string(1 << 20, 'a')},
             {"-t", "-0"}}) {
        EXPECT_EQ(CheckCommandLine(arguments), "");
    }
    const std::uint8_t raw[] = {1, '-', 'h', 0, '-', 'z', 0};
    EXPECT_EQ(CheckInput(raw, sizeof raw), "");
}

}  // namespace
}  // namespace VekFuzz
