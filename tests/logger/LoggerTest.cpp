#include "logger/Logger.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "domain/Exceptions.h"
#include "fixtures/RecordingStreamOutputHandler.h"
#include "iohandler/IoHandlerErrors.h"

namespace VekLibrary::VekLogger {
namespace {

constexpr char kStamp[] = "2026-12-07 01:02:03.045";

class FixedTimestampProvider final : public ITimestampProvider {
public:
    std::string GetNow() const override {
        if (fail) {
            throw XBrokenInvariantsError("Failed to get current time.");
        }
        return kStamp;
    }
    bool fail = false;
};

class LoggerTest : public ::testing::Test {
protected:
    std::shared_ptr<VekTest::RecordingStreamOutputHandler> output =
        std::make_shared<VekTest::RecordingStreamOutputHandler>();
    std::shared_ptr<FixedTimestampProvider> clock = std::make_shared<FixedTimestampProvider>();
    Logger logger{output, clock};

    static std::string Line(const std::string& level, const std::string& id,
                            const std::string& message) {
        return std::string(kStamp) + " [" + level + "][ID=" + id + "] " + message + "\n";
    }
};

TEST_F(LoggerTest, RefusesNullCollaboratorsInOrder) {
    try {
        Logger nullBoth(nullptr, nullptr);
        FAIL();
    } catch (const XBrokenInvariantsError& error) {
        EXPECT_STREQ(error.what(), "STDERR output handler cannot be null.");
    }
    try {
        Logger nullClock(output, nullptr);
        FAIL();
    } catch (const XBrokenInvariantsError& error) {
        EXPECT_STREQ(error.what(), "Timestamp provider cannot be null.");
    }
}

TEST_F(LoggerTest, WritesOneCompleteLinePerCall) {
    EXPECT_EQ(logger.GetLogLevelCutoff(), LogLevelEnum::Info);
    EXPECT_EQ(logger.GetLoggerId(), "");
    logger.WriteLog(LogLevelEnum::Info, "before configuration");
    logger.SetLoggerId("test-42");
    logger.WriteLog(LogLevelEnum::Error, "  two\nlines  ");
    logger.WriteLog(LogLevelEnum::Warning, "");
    ASSERT_EQ(output->writes.size(), 3u);
    EXPECT_EQ(output->writes[0], Line("INF", "", "before configuration"));
    EXPECT_EQ(output->writes[1], Line("ERR", "test-42", "  two\nlines  "));
    EXPECT_EQ(output->writes[2], Line("WRN", "test-42", ""));
}

TEST_F(LoggerTest, CutoffDropsOnlyLowerLevels) {
    struct Case {
        LogLevelEnum cutoff;
        int level;
        const char* expectedText;  // null: nothing written
    };
    const std::vector<Case> cases = {
        {LogLevelEnum::Info, 1, nullptr},   {LogLevelEnum::Info, 2, "INF"},
        {LogLevelEnum::Info, 3, "WRN"},     {LogLevelEnum::Info, 4, "ERR"},
        {LogLevelEnum::Debug, 1, "DBG"},    {LogLevelEnum::Debug, 0, nullptr},
        {LogLevelEnum::Debug, -5, nullptr}, {LogLevelEnum::Info, 7, "UNKNOWN"},
        {LogLevelEnum::Error, 3, nullptr},  {LogLevelEnum::Error, 4, "ERR"},
    };
    for (const Case& c : cases) {
        for (bool sanitized : {false, true}) {
            output->writes.clear();
            logger.SetLogLevelCutoff(c.cutoff);
            const auto level = static_cast<LogLevelEnum>(c.level);
            if (sanitized) {
                logger.WriteSanitizedLog(level, "message");
            } else {
                logger.WriteLog(level, "message");
            }
            SCOPED_TRACE(::testing::Message()
                         << "cutoff " << static_cast<int>(c.cutoff) << " level " << c.level
                         << " sanitized " << sanitized);
            if (c.expectedText == nullptr) {
                EXPECT_TRUE(output->writes.empty());
            } else {
                ASSERT_EQ(output->writes.size(), 1u);
                EXPECT_EQ(output->writes[0], Line(c.expectedText, "", "message"));
            }
        }
    }
}

TEST_F(LoggerTest, FailuresOfCollaboratorsPassOutAndWriteNothing) {
    clock->fail = true;
    EXPECT_THROW(logger.WriteLog(LogLevelEnum::Error, "x"), XBrokenInvariantsError);
    EXPECT_TRUE(output->writes.empty());
    clock->fail = false;
    output->failWrites = true;
    try {
        logger.WriteSanitizedLog(LogLevelEnum::Error, "x");
        FAIL();
    } catch (const IoHandler::XInputOutputError& error) {
        EXPECT_STREQ(error.what(), "Failure while writing to output stream.");
    }
}

TEST_F(LoggerTest, SanitizedWriteMasksWholeLinesCaseInsensitively) {
    struct Case {
        const char* message;
        const char* written;  // null: nothing written
    };
    logger.SetSanitizationHints({"Secret"});
    const std::vector<Case> cases = {
        {"user SECRET here", ">>MASKED<<"},
        {"line one\n\n   my secret   \nline three", "line one\n>>MASKED<<\nline three"},
        {"sEcReT", ">>MASKED<<"},
        {"ends with the secret", ">>MASKED<<"},
        {"secrets are at the start", ">>MASKED<<"},
        {"sec ret is split", "sec ret is split"},
        {"\t first \r\n\n\n second\t\n", "first\nsecond"},
        {"clean\nx SECRET\n", "clean\n>>MASKED<<"},
        {"  \t\r\n  ", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        output->writes.clear();
        logger.WriteSanitizedLog(LogLevelEnum::Info, c.message);
        SCOPED_TRACE(c.message);
        if (c.written == nullptr) {
            EXPECT_TRUE(output->writes.empty());
        } else {
            ASSERT_EQ(output->writes.size(), 1u);
            EXPECT_EQ(output->writes[0], Line("INF", "", c.written));
        }
    }
}

TEST_F(LoggerTest, WithoutHintsSanitizedWriteOnlyTrimsTheEnds) {
    logger.WriteSanitizedLog(LogLevelEnum::Info, "   first  \n\n  second line  \t\n");
    ASSERT_EQ(output->writes.size(), 1u);
    EXPECT_EQ(output->writes[0], Line("INF", "", "first  \n\n  second line"));
}

TEST_F(LoggerTest, HintsAreReplacedLowerCasedAndDeduplicated) {
    logger.SetSanitizationHints({"", "ABC", "abc"});
    logger.WriteSanitizedLog(LogLevelEnum::Info, "xaBcx\nplain");
    logger.SetSanitizationHints({"other"});
    logger.WriteSanitizedLog(LogLevelEnum::Info, "xaBcx\nOTHER");
    logger.SetSanitizationHints({});
    logger.WriteSanitizedLog(LogLevelEnum::Info, "other\n\nabc");
    logger.SetSanitizationHints({""});
    logger.WriteSanitizedLog(LogLevelEnum::Info, " abc ");
    ASSERT_EQ(output->writes.size(), 4u);
    EXPECT_EQ(output->writes[0], Line("INF", "", ">>MASKED<<\nplain"));
    EXPECT_EQ(output->writes[1], Line("INF", "", "xaBcx\n>>MASKED<<"));
    EXPECT_EQ(output->writes[2], Line("INF", "", "other\n\nabc"));
    EXPECT_EQ(output->writes[3], Line("INF", "", "abc"));
}

// A password may contain a line feed or outer blanks; a test of each trimmed line
// on its own would let such a credential through piece by piece.
TEST_F(LoggerTest, MasksHintsThatSpanLinesOrCarryOuterWhitespace) {
    logger.SetSanitizationHints({"pa\nss", "word "});
    logger.WriteSanitizedLog(LogLevelEnum::Info, "keep\nthe PA\nSS here\nkeep too");
    logger.WriteSanitizedLog(LogLevelEnum::Info, "a WORD \nb");
    logger.WriteSanitizedLog(LogLevelEnum::Info, "a word");
    ASSERT_EQ(output->writes.size(), 3u);
    EXPECT_EQ(output->writes[0], Line("INF", "", "keep\n>>MASKED<<\n>>MASKED<<\nkeep too"));
    EXPECT_EQ(output->writes[1], Line("INF", "", ">>MASKED<<\nb"));
    // The trailing blank is only in the hint: "a word" holds the credential without it.
    EXPECT_EQ(output->writes[2], Line("INF", "", "a word"));
}

std::string RandomCase(std::string text, std::mt19937& random) {
    for (char& c : text) {
        if (random() % 2 != 0 && c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// Whatever surrounds the credentials and however they are cased, no written text
// contains either of them.
TEST_F(LoggerTest, RandomMessagesNeverLeakACredential) {
    std::mt19937 random(20240607u);
    const std::vector<std::string> credentials = {"alice", "s3cr3t:pw"};
    logger.SetSanitizationHints({"ALICE", "S3cr3t:PW"});
    const std::string alphabet = "ab \t\r\n\n:3sxelic";
    for (int round = 0; round < 3000; ++round) {
        std::string message;
        const int pieces = 1 + static_cast<int>(random() % 6);
        for (int piece = 0; piece < pieces; ++piece) {
            const int noise = static_cast<int>(random() % 8);
            for (int i = 0; i < noise; ++i) {
                message += alphabet[random() % alphabet.size()];
            }
            if (random() % 2 == 0) {
                message += RandomCase(credentials[random() % credentials.size()], random);
            }
        }
        output->writes.clear();
        logger.WriteSanitizedLog(LogLevelEnum::Error, message);
        const std::string written = Lower(output->Joined());
        for (const std::string& credential : credentials) {
            ASSERT_EQ(written.find(credential), std::string::npos) << "message: " << message;
        }
        ASSERT_LE(output->writes.size(), 1u);
    }
}

}  // namespace
}  // namespace VekLibrary::VekLogger
