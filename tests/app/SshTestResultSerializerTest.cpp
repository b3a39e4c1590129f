#include "app/SshTestResultSerializer.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "ResultSchemaCheck.h"
#include "app/SshTestResultSerializerFactory.h"
#include "domain/Exceptions.h"
#include "serialization/NlohmannJsonWrapperFactory.h"
#include "serialization/XJsonError.h"

namespace Ssh {
namespace {

using Testing::AllMatchResultSchema;
using Testing::NoneMatchResultSchema;
using VekLibrary::Serialization::IJsonWrapper;
using VekLibrary::Serialization::NlohmannJsonWrapperFactory;
using VekLibrary::Serialization::XJsonError;
using VekLibrary::VekDomain::Milliseconds;

// The fixed envelope around a step's metric data and other data.
std::string Document(const std::string& metricData, const std::string& stepOtherData = "{}") {
    return R"({"MonitorResults":[{"OtherData":{},"StepResults":[{"Metrics":[{"MetricData":)" +
           metricData + R"(}],"OtherData":)" + stepOtherData +
           R"(,"PageResults":{}}]}],"OtherData":{}})";
}

class SshTestResultSerializerTest : public ::testing::Test {
protected:
    // Every document a case wrote must match the schema.
    void TearDown() override {
        if (!written_.empty()) {
            EXPECT_TRUE(AllMatchResultSchema(written_));
        }
    }

    // Serializes through the factory, as the session does.
    std::string Serialize(const SshTestResult& result) {
        std::unique_ptr<ISshTestResultSerializer> serializer;
        SshTestResultSerializerFactory(std::make_shared<NlohmannJsonWrapperFactory>())
            .Create(serializer);
        written_.push_back(serializer->SerializeToJson(result));
        return written_.back();
    }

    std::string SerializeError(const SshTestResult& result) {
        SshTestResultSerializer serializer(std::make_shared<NlohmannJsonWrapperFactory>());
        try {
            std::string document = serializer.SerializeToJson(result);
            ADD_FAILURE() << "a document was written: " << document.substr(0, 200);
        } catch (const XJsonError& error) {
            return error.what();
        }
        return {};
    }

    // The metric data member `key` of a written document, read back as text.
    static std::string ReadBackMetricText(const std::string& document, const std::string& key) {
        std::shared_ptr<IJsonWrapper> root;
        NlohmannJsonWrapperFactory().Create(root);
        root->Parse(document);
        // Arrays are reached by re-parsing their only element's text.
        auto onlyElement = [](const std::shared_ptr<IJsonWrapper>& array) {
            std::shared_ptr<IJsonWrapper> element;
            NlohmannJsonWrapperFactory().Create(element);
            const std::string text = array->ToString();
            element->Parse(text.substr(1, text.size() - 2));
            return element;
        };
        auto step = onlyElement(onlyElement(root->TryGet("MonitorResults"))->TryGet("StepResults"));
        auto metricData = onlyElement(step->TryGet("Metrics"))->TryGet("MetricData");
        std::string value;
        metricData->TryGet(key)->GetAs(value);
        return value;
    }

    std::vector<std::string> written_;

    // A test that got through every stage and whose command printed output.
    static SshTestResult Successful() {
        SshTestResult result;
        result.SetTestId("t-1");
        result.SetHostName("host.example");
        result.SetPortNumber(2222);
        result.SetHostAddress("127.0.0.1");
        result.SetDnsDuration(Milliseconds(1));
        result.SetConnectDuration(Milliseconds(2));
        result.SetBannerExchangeDuration(Milliseconds(3));
        result.SetKeyExchangeDuration(Milliseconds(4));
        result.SetServiceRequestExchangeDuration(Milliseconds(5));
        result.SetAuthenticationDuration(Milliseconds(6));
        result.SetCommandExecutionDuration(Milliseconds(7));
        result.SetCommandExecutionReturnCode("0");
        result.SetCommandExecutionResult("hello\n");
        result.SetCommandResultSize(6);
        return result;
    }
};

TEST_F(SshTestResultSerializerTest, NullJsonWrapperFactoryIsRefused) {
    for (auto make : {+[] { SshTestResultSerializer serializer(nullptr); },
                      +[] { SshTestResultSerializerFactory factory(nullptr); }}) {
        try {
            make();
            ADD_FAILURE() << "no exception";
        } catch (const VekLibrary::XBrokenInvariantsError& error) {
            EXPECT_STREQ(error.what(), "Json wrapper factory cannot be null.");
        }
    }
}

TEST_F(SshTestResultSerializerTest, InitialResultWithTestIdOnly) {
    SshTestResult result;
    result.SetTestId("t-1");
    EXPECT_EQ(Serialize(result),
              R"({"MonitorResults":[{"OtherData":{},"StepResults":[{"Metrics":[{"MetricData":)"
              R"({"common.test.test-id":"t-1"}}],"OtherData":{},"PageResults":{}}]}],)"
              R"("OtherData":{}})");
}

TEST_F(SshTestResultSerializerTest, DnsFailure) {
    SshTestResult result;
    result.SetTestId("t-1");
    result.SetHostName("no.such.host");
    result.SetPortNumber(22);
    result.SetDnsDuration(Milliseconds(12));
    result.SetError("common.results.error.dns-resolution-failure");
    result.SetErrorDetails("Name or service not known");
    EXPECT_EQ(Serialize(result),
              Document(R"({"common.results.host.address.port":22,)"
                       R"("common.results.host.name":"no.such.host",)"
                       R"("common.results.metrics.dns.ms":12,"common.test.test-id":"t-1"})",
                       R"({"common.results.error-code":)"
                       R"("common.results.error.dns-resolution-failure",)"
                       R"("common.results.error-details":"Name or service not known"})"));
}

TEST_F(SshTestResultSerializerTest, FullSuccessfulTest) {
    EXPECT_EQ(Serialize(Successful()),
              Document(R"({"common.results.host.address":"127.0.0.1",)"
                       R"("common.results.host.address.port":2222,)"
                       R"("common.results.host.name":"host.example",)"
                       R"("common.results.metrics.connect.ms":2,)"
                       R"("common.results.metrics.dns.ms":1,)"
                       R"("common.test.test-id":"t-1",)"
                       R"("qo-ssh.results.metrics.authentication.ms":6,)"
                       R"("qo-ssh.results.metrics.banner-exchange.ms":3,)"
                       R"("qo-ssh.results.metrics.command-execution.ms":7,)"
                       R"("qo-ssh.results.metrics.command-execution.result":"hello\n",)"
                       R"("qo-ssh.results.metrics.command-execution.result-size.number":6,)"
                       R"("qo-ssh.results.metrics.command-execution.return-code.number":0,)"
                       R"("qo-ssh.results.metrics.key-exchange.ms":4,)"
                       R"("qo-ssh.results.metrics.service-request-exchange.ms":5})"));
}

TEST_F(SshTestResultSerializerTest, HostFingerprintIsWrittenUnchanged) {
    SshTestResult result = Successful();
    result.SetHostFingerprint("00aaFF");
    const std::string document = Serialize(result);
    EXPECT_NE(document.find(R"("qo-ssh.results.metrics.host-fingerprint.hex-encoded":"00aaFF",)"
                            R"("qo-ssh.results.metrics.key-exchange.ms":4)"),
              std::string::npos)
        << document;
}

TEST_F(SshTestResultSerializerTest, FailedCommandWithoutOutput) {
    SshTestResult result;
    result.SetCommandExecutionDuration(Milliseconds(30));
    result.SetCommandExecutionReturnCode("127");
    result.SetError("qo-ssh.results.error.command-execution-failed");
    result.SetErrorDetails("Channel read failed.");
    EXPECT_EQ(Serialize(result),
              Document(R"({"qo-ssh.results.metrics.command-execution.ms":30,)"
                       R"("qo-ssh.results.metrics.command-execution.return-code.number":127})",
                       R"({"common.results.error-code":)"
                       R"("qo-ssh.results.error.command-execution-failed",)"
                       R"("common.results.error-details":"Channel read failed."})"));
}

TEST_F(SshTestResultSerializerTest, SetZeroDurationsAreWritten) {
    SshTestResult result;
    result.SetDnsDuration(Milliseconds(0));
    result.SetAuthenticationDuration(Milliseconds(0));
    result.SetCommandExecutionDuration(Milliseconds(Milliseconds::kMaxCount));
    EXPECT_EQ(Serialize(result),
              Document(R"({"common.results.metrics.dns.ms":0,)"
                       R"("qo-ssh.results.metrics.authentication.ms":0,)"
                       R"("qo-ssh.results.metrics.command-execution.ms":2147483647})"));
}

// Port and size are unsigned members: their largest values must not come out negative.
TEST_F(SshTestResultSerializerTest, UnsignedMembersKeepTheirFullRange) {
    SshTestResult result;
    result.SetPortNumber(65535);
    result.SetCommandExecutionDuration(Milliseconds(1));
    result.SetCommandResultSize(18446744073709551615UL);
    EXPECT_EQ(Serialize(result),
              Document(R"({"common.results.host.address.port":65535,)"
                       R"("qo-ssh.results.metrics.command-execution.ms":1,)"
                       R"("qo-ssh.results.metrics.command-execution.result-size.number":)"
                       R"(18446744073709551615})"));
}

TEST_F(SshTestResultSerializerTest, CommandMembersNeedTheExecutionDuration) {
    SshTestResult result;
    result.SetTestId("t");
    result.SetCommandExecutionReturnCode("1");
    result.SetCommandResultSize(3);
    result.SetCommandExecutionResult("abc");
    EXPECT_EQ(Serialize(result), Document(R"({"common.test.test-id":"t"})"));
}

TEST_F(SshTestResultSerializerTest, ReturnCodeIsReadLikeStoll) {
    const struct {
        const char* text;
        const char* written;
    } cases[] = {{"127", "127"},
                 {"-1", "-1"},
                 {"+7", "7"},
                 {" \t\n42", "42"},
                 {"3 trailing", "3"},
                 {"0x1f", "0"},
                 {"9223372036854775807", "9223372036854775807"},
                 {"-9223372036854775808", "-9223372036854775808"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        SshTestResult result;
        result.SetCommandExecutionDuration(Milliseconds(1));
        result.SetCommandExecutionReturnCode(c.text);
        EXPECT_EQ(Serialize(result),
                  Document(std::string(R"({"qo-ssh.results.metrics.command-execution.ms":1,)"
                                       R"("qo-ssh.results.metrics.command-execution.return-code.)"
                                       R"(number":)") +
                           c.written + "}"));
    }
}

TEST_F(SshTestResultSerializerTest, UnreadableReturnCodeGivesNoDocument) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"abc", "Invalid command execution return code: abc"},
        {" -", "Invalid command execution return code:  -"},
        {"9223372036854775808", "Command execution return code out of range: 9223372036854775808"},
        {"-99999999999999999999",
         "Command execution return code out of range: -99999999999999999999"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        SshTestResult result;
        result.SetCommandExecutionDuration(Milliseconds(1));
        result.SetCommandExecutionReturnCode(c.text);
        EXPECT_EQ(SerializeError(result), c.error);
    }
}

TEST_F(SshTestResultSerializerTest, OutputWithSpecialCharactersReadsBackUnchanged) {
    std::string output = "say \"hi\"\\ \n\r\t\b\f end\x01\x1f\x7f / ";
    output += "gr\xc3\xbc\xc3\x9f \xe2\x82\xac \xf0\x9f\x94\x91 \xe4\xb8\xad\xe6\x96\x87";
    SshTestResult result = Successful();
    result.SetCommandExecutionResult(output);
    result.SetCommandResultSize(output.size());
    const std::string document = Serialize(result);

    // Non-ASCII stays raw UTF-8; only what JSON requires is escaped.
    EXPECT_NE(document.find("gr\xc3\xbc\xc3\x9f \xe2\x82\xac"), std::string::npos);
    EXPECT_NE(document.find(R"(say \"hi\"\\ \n\r\t\b\f end\u0001\u001f)"), std::string::npos);
    EXPECT_EQ(document.find('\n'), std::string::npos);
    EXPECT_EQ(ReadBackMetricText(document, "qo-ssh.results.metrics.command-execution.result"),
              output);
}

TEST_F(SshTestResultSerializerTest, LargeOutputReadsBackUnchanged) {
    std::string output;
    for (int i = 0; output.size() < 1000000; ++i) {
        output += "line " + std::to_string(i) + " \"quoted\"\t\xc3\xa9\n";
    }
    SshTestResult result = Successful();
    result.SetCommandExecutionResult(output);
    result.SetCommandResultSize(output.size());
    EXPECT_EQ(
        ReadBackMetricText(Serialize(result), "qo-ssh.results.metrics.command-execution.result"),
        output);
}

// The session hands its result over: the output moves into the document, which
// must read exactly as when the serializer copies it, escapes and UTF-8 included.
TEST_F(SshTestResultSerializerTest, HandedOverResultGivesTheSameDocumentAndKeepsItsSize) {
    std::string output = "say \"hi\"\\ \n\t\x01 gr\xc3\xbc\xc3\x9f \xf0\x9f\x94\x91 ";
    while (output.size() < 300000) {
        output += output;
    }
    SshTestResult result = Successful();
    result.SetCommandExecutionResult(output);
    result.SetCommandResultSize(output.size());
    const std::string copied = Serialize(result);

    SshTestResultSerializer serializer(std::make_shared<NlohmannJsonWrapperFactory>());
    written_.push_back(serializer.SerializeToJson(std::move(result)));
    EXPECT_EQ(written_.back(), copied);
    EXPECT_EQ(ReadBackMetricText(copied, "qo-ssh.results.metrics.command-execution.result"),
              output);
    EXPECT_EQ(result.GetCommandExecutionResult(), "");
    EXPECT_EQ(result.GetCommandResultSize(), output.size());
    EXPECT_EQ(result.GetTestId(), "t-1");
}

TEST_F(SshTestResultSerializerTest, InvalidUtf8GivesTheSerialisationErrorAndNoDocument) {
    const char* expected =
        "Error while serializing the JSON object. Verify if a non utf-8 string stored in JSON.";
    SshTestResult badOutput = Successful();
    badOutput.SetCommandExecutionResult(std::string(100000, 'a') + "\xff\xfe binary");
    EXPECT_EQ(SerializeError(badOutput), expected);

    SshTestResult badDetails;
    badDetails.SetError("qo-ssh.results.error.unknown");
    badDetails.SetErrorDetails("truncated \xe2\x82");
    EXPECT_EQ(SerializeError(badDetails), expected);
}

// The schema is not vacuous: it rejects documents that break the contract.
TEST(ResultSchemaTest, RejectsDocumentsOutsideTheContract) {
    const std::vector<std::string> invalid = {
        "{}",
        Document(R"({"qo-ssh.results.metrics.command-execution.ms":1,)"
                 R"("qo-ssh.results.metrics.command-execution.return-code.number":"127"})"),
        Document(R"({"qo-ssh.results.metrics.command-execution.result":"x"})"),
        Document(R"({"common.results.metrics.dns.ms":-1})"),
        Document(R"({"common.results.metrics.dns.ms":1.5})"),
        Document(R"({"common.test.test-id":""})"),
        Document(R"({"qo-ssh.results.metrics.unknown.ms":1})"),
        Document("{}", R"({"common.results.error-code":"no.such.code"})"),
        Document("{}").substr(0, Document("{}").size() - 1) + R"(,"Extra":1})",
        Document(R"({"common.results.host.address.port":0})"),
        Document(R"({"qo-ssh.results.metrics.host-fingerprint.hex-encoded":"zz"})"),
    };
    EXPECT_TRUE(NoneMatchResultSchema(invalid));
}

}  // namespace
}  // namespace Ssh
