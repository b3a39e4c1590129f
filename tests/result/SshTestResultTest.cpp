#include "result/SshTestResult.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "result/SshTestResultFactory.h"
#include "domain/Exceptions.h"

namespace Ssh {
namespace {

using VekLibrary::VekDomain::Milliseconds;

TEST(SshTestResultFactoryTest, CreatesAResultInItsInitialState) {
    std::unique_ptr<SshTestResult> result;
    SshTestResultFactory().Create(result);
    ASSERT_NE(result, nullptr);

    for (const std::string* text :
         {&result->GetTestId(), &result->GetHostName(), &result->GetHostAddress(),
          &result->GetCommandExecutionReturnCode(), &result->GetCommandExecutionResult(),
          &result->GetHostFingerprint(), &result->GetError(), &result->GetErrorDetails()}) {
        EXPECT_EQ(*text, "");
    }
    EXPECT_EQ(result->GetPortNumber(), 0);
    EXPECT_EQ(result->GetCommandResultSize(), 0UL);
    for (const Milliseconds* duration :
         {&result->GetDnsDuration(), &result->GetConnectDuration(),
          &result->GetBannerExchangeDuration(), &result->GetKeyExchangeDuration(),
          &result->GetServiceRequestExchangeDuration(), &result->GetAuthenticationDuration(),
          &result->GetCommandExecutionDuration()}) {
        EXPECT_FALSE(*duration);
        EXPECT_THROW(duration->GetValue(), VekLibrary::XInvalidOperationError);
    }
}

TEST(SshTestResultFactoryTest, CreateReplacesWhatTheOutParameterHeld) {
    SshTestResultFactory factory;
    std::unique_ptr<SshTestResult> result;
    factory.Create(result);
    result->SetError("qo-ssh.results.error.unknown");
    SshTestResult* first = result.get();
    factory.Create(result);
    EXPECT_NE(result.get(), first);
    EXPECT_EQ(result->GetError(), "");
}

// Every member has its own storage: each getter returns what its own setter stored.
TEST(SshTestResultTest, EachAccessorPairUsesItsOwnMember) {
    SshTestResult result;
    result.SetTestId("id");
    result.SetHostName("host");
    result.SetPortNumber(65535);
    result.SetHostAddress("::1");
    result.SetDnsDuration(Milliseconds(1));
    result.SetConnectDuration(Milliseconds(2));
    result.SetBannerExchangeDuration(Milliseconds(3));
    result.SetKeyExchangeDuration(Milliseconds(4));
    result.SetServiceRequestExchangeDuration(Milliseconds(5));
    result.SetAuthenticationDuration(Milliseconds(6));
    result.SetCommandExecutionDuration(Milliseconds(7));
    result.SetCommandResultSize(18446744073709551615UL);
    result.SetCommandExecutionReturnCode("127");
    result.SetCommandExecutionResult("out");
    result.SetHostFingerprint("ab01");
    result.SetError("err");
    result.SetErrorDetails("details");

    const SshTestResult copy = result;
    result.SetTestId("changed");
    EXPECT_EQ(copy.GetTestId(), "id");
    EXPECT_EQ(copy.GetHostName(), "host");
    EXPECT_EQ(copy.GetPortNumber(), 65535);
    EXPECT_EQ(copy.GetHostAddress(), "::1");
    EXPECT_EQ(copy.GetDnsDuration().GetValue(), 1);
    EXPECT_EQ(copy.GetConnectDuration().GetValue(), 2);
    EXPECT_EQ(copy.GetBannerExchangeDuration().GetValue(), 3);
    EXPECT_EQ(copy.GetKeyExchangeDuration().GetValue(), 4);
    EXPECT_EQ(copy.GetServiceRequestExchangeDuration().GetValue(), 5);
    EXPECT_EQ(copy.GetAuthenticationDuration().GetValue(), 6);
    EXPECT_EQ(copy.GetCommandExecutionDuration().GetValue(), 7);
    EXPECT_EQ(copy.GetCommandResultSize(), 18446744073709551615UL);
    EXPECT_EQ(copy.GetCommandExecutionReturnCode(), "127");
    EXPECT_EQ(copy.GetCommandExecutionResult(), "out");
    EXPECT_EQ(copy.GetHostFingerprint(), "ab01");
    EXPECT_EQ(copy.GetError(), "err");
    EXPECT_EQ(copy.GetErrorDetails(), "details");
}

}  // namespace
}  // namespace Ssh
