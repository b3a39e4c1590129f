// The exception texts end up verbatim in log lines and in the result's error
// details, so each class's what() is checked byte for byte.

#include "domain/Exceptions.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <stdexcept>
#include <string>
#include <system_error>

#include "crypto/XCodecError.h"
#include "iohandler/IoHandlerErrors.h"
#include "networking/NetworkErrors.h"
#include "serialization/XJsonError.h"

namespace VekLibrary {
namespace {

using Crypto::XCodecError;
using IoHandler::XInputOutputError;
using IoHandler::XInvalidTestInputError;
using Networking::XConnectError;
using Networking::XNameResolutionError;
using Networking::XNetworkError;
using Serialization::XJsonError;

TEST(ExceptionsTest, WhatTextsCarryTheirPrefixesExactly) {
    struct Case {
        std::string actual;
        std::string expected;
    };
    const Case cases[] = {
        {XBrokenInvariantsError("Logger cannot be null.").what(), "Logger cannot be null."},
        {XInvalidOperationError("closed socket").what(), "Invalid operation: closed socket"},
        {XInvalidOperationError("").what(), "Invalid operation: "},
        {XTestTimeout("Connect").what(), "A timeout occurred. Reason: Connect"},
        {XInvalidTestInputError("Bad port").what(), "Bad port"},
        {XInputOutputError("stdin closed").what(), "stdin closed"},
        {XJsonError("Parse failed").what(), "Parse failed"},
        {XJsonError("Parse failed", "unexpected end").what(),
         "Parse failed. [Extra] unexpected end"},
        {XJsonError("Parse failed", "").what(), "Parse failed. [Extra] "},
        {XCodecError("EVP_DecodeFinal: invalid padding").what(),
         "Codec error: EVP_DecodeFinal: invalid padding"},
        {XConnectError("127.0.0.1:22", "Connection refused").what(),
         "Connection to 127.0.0.1:22 failed. Reason: Connection refused"},
        {XNameResolutionError("no such host").what(), "no such host"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.actual, c.expected);
    }
}

TEST(ExceptionsTest, NetworkErrorWithCodeZeroIsTheMessageAlone) {
    const XNetworkError error("Send failed", std::error_code(0, std::system_category()));
    EXPECT_STREQ(error.what(), "Send failed");
    EXPECT_EQ(error.code().value(), 0);
}

TEST(ExceptionsTest, NetworkErrorWithACodeAppendsCategoryAndDescription) {
    const XNetworkError error("Send failed", std::error_code(ECONNREFUSED, std::system_category()));
    EXPECT_EQ(std::string(error.what()), "Send failed [error:" + std::to_string(ECONNREFUSED) +
                                             " - system:Connection refused].");
    EXPECT_EQ(error.code(), std::error_code(ECONNREFUSED, std::system_category()));

    // Negative codes keep their sign.
    const std::error_code negative(-3, std::generic_category());
    const XNetworkError negativeError("Probe", negative);
    EXPECT_EQ(std::string(negativeError.what()),
              "Probe [error:-3 - generic:" + negative.message() + "].");
}

TEST(ExceptionsTest, ConnectErrorIsANetworkErrorAndASystemError) {
    try {
        throw XConnectError("host:22", "timeout");
    } catch (const XNetworkError& error) {
        EXPECT_STREQ(error.what(), "Connection to host:22 failed. Reason: timeout");
    }
    try {
        throw XConnectError("host:22", "timeout");
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().value(), 0);
        // what() is virtual, so the composed text survives catching by the base.
        EXPECT_STREQ(error.what(), "Connection to host:22 failed. Reason: timeout");
    }
}

TEST(ExceptionsTest, NameResolutionErrorIsNotANetworkError) {
    bool caughtAsNetworkError = false;
    bool caughtAsRuntimeError = false;
    try {
        try {
            throw XNameResolutionError("no such host");
        } catch (const XNetworkError&) {
            caughtAsNetworkError = true;
        }
    } catch (const std::runtime_error&) {
        caughtAsRuntimeError = true;
    }
    EXPECT_FALSE(caughtAsNetworkError);
    EXPECT_TRUE(caughtAsRuntimeError);
}

TEST(ExceptionsTest, RuntimeErrorBasedClassesAreCaughtAsRuntimeError) {
    auto caughtAsRuntimeError = [](auto thrower) {
        try {
            thrower();
        } catch (const std::runtime_error&) {
            return true;
        } catch (...) {
        }
        return false;
    };
    EXPECT_TRUE(caughtAsRuntimeError([] { throw XBrokenInvariantsError("x"); }));
    EXPECT_TRUE(caughtAsRuntimeError([] { throw XInvalidOperationError("x"); }));
    EXPECT_TRUE(caughtAsRuntimeError([] { throw XTestTimeout("x"); }));
    EXPECT_TRUE(caughtAsRuntimeError([] { throw XInvalidTestInputError("x"); }));
    EXPECT_TRUE(caughtAsRuntimeError([] { throw XInputOutputError("x"); }));
    EXPECT_TRUE(caughtAsRuntimeError([] { throw XJsonError("x"); }));
    EXPECT_TRUE(caughtAsRuntimeError([] { throw XCodecError("x"); }));
}

}  // namespace
}  // namespace VekLibrary
