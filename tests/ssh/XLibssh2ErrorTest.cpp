#include <gtest/gtest.h>

#include "ssh/SshClientErrors.h"

namespace {

struct CodeCase {
    std::int64_t code;
    const char* description;
};

class XLibssh2ErrorDescriptionTest : public ::testing::TestWithParam<CodeCase> {};

TEST_P(XLibssh2ErrorDescriptionTest, ComposesMessageDescriptionAndCode) {
    const CodeCase& c = GetParam();
    const Ssh::XLibssh2Error error("Ssh handshake failure.", c.code);
    EXPECT_EQ(std::string(error.what()), std::string("Ssh handshake failure. Error : ") +
                                             c.description + " (" + std::to_string(c.code) + ").");
}

INSTANTIATE_TEST_SUITE_P(
    KnownAndUnknownCodes, XLibssh2ErrorDescriptionTest,
    ::testing::Values(
        CodeCase{-1, "Socket is invalid"},
        CodeCase{-2, "Unable to receive banner from remote host"},
        CodeCase{-3, "Unable to send banner to remote host"},
        CodeCase{-5, "Encryption key exchange with remote host failed"},
        CodeCase{-6, "Unable to allocate memory"}, CodeCase{-7, "Unable to send data on socket"},
        CodeCase{-8, "Encryption key exchange with remote host failed"},
        CodeCase{-9, "Request timed out"}, CodeCase{-13, "Socket was disconnected"},
        CodeCase{-14, "Invalid ssh protocol response was received"},
        CodeCase{-15, "Password expired"}, CodeCase{-18, "Authentication failed"},
        CodeCase{-22, "Channel request denied"}, CodeCase{-26, "Channel has been closed"},
        CodeCase{-27, "Channel has been requested to be closed"}, CodeCase{-39, "Bad usage"},
        CodeCase{-4, ""}, CodeCase{-21, ""}, CodeCase{0, ""}, CodeCase{7, ""}));

TEST(XLibssh2ErrorTest, UnknownCodeLeavesTwoBlanksBeforeTheParenthesis) {
    const Ssh::XLibssh2Error error("All commands could not be sent to the server.", -21);
    EXPECT_STREQ(error.what(), "All commands could not be sent to the server. Error :  (-21).");
}

TEST(XLibssh2ErrorTest, IsCaughtAsSshClientError) {
    try {
        throw Ssh::XLibssh2Error("User authentication failed.", -18);
    } catch (const Ssh::XSshClientError& error) {
        EXPECT_STREQ(error.what(),
                     "User authentication failed. Error : Authentication failed (-18).");
        return;
    }
    FAIL() << "XLibssh2Error was not caught as XSshClientError";
}

TEST(XSshClientErrorTest, KeepsTheMessage) {
    EXPECT_STREQ(Ssh::XSshClientError("SshClient DNS error - x").what(), "SshClient DNS error - x");
}

}  // namespace
