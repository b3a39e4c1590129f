#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdio_ext.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <thread>

#include "IoHandlerTestSupport.h"
#include "iohandler/IoHandlerErrors.h"
#include "iohandler/IoHandlerLibraryFactoryProvider.h"
#include "iohandler/StdinInputHandler.h"
#include "serialization/SerializationLibraryFactoryProvider.h"

namespace VekLibrary::IoHandler {
namespace {

using Testing::ThrowsWithMessage;
using namespace std::chrono_literals;

// Points descriptor 0 at pipes and files made by each test and restores the
// original standard input afterwards. The user-space buffers of std::cin and
// stdin are dropped on every switch so that no test sees another's data.
class StdinTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedStdin_ = dup(0);
        ASSERT_GE(savedStdin_, 0);
    }

    void TearDown() override {
        if (writeEnd_ >= 0) {
            close(writeEnd_);
        }
        DropStreamBuffers();
        dup2(savedStdin_, 0);
        close(savedStdin_);
    }

    static void DropStreamBuffers() {
        std::cin.clear();
        __fpurge(stdin);
        clearerr(stdin);
    }

    void RedirectStdin(int descriptor) {
        DropStreamBuffers();
        ASSERT_EQ(dup2(descriptor, 0), 0);
        close(descriptor);
    }

    // Standard input becomes the read end of a new pipe; returns the write end,
    // which the fixture closes at the end unless the test did.
    int RedirectToPipe() {
        int ends[2];
        EXPECT_EQ(pipe(ends), 0);
        RedirectStdin(ends[0]);
        writeEnd_ = ends[1];
        return ends[1];
    }

    void CloseWriteEnd() {
        close(writeEnd_);
        writeEnd_ = -1;
    }

    void Write(const std::string& text) {
        ASSERT_EQ(write(writeEnd_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }

    StdinInputHandler reader_;
    int savedStdin_ = -1;
    int writeEnd_ = -1;
};

TEST_F(StdinTest, ReadsOneLineWithoutItsLineFeed) {
    RedirectToPipe();
    Write("{\"a\":1}\n");
    EXPECT_EQ(reader_.ReadInput(1000ms), "{\"a\":1}");
}

TEST_F(StdinTest, ASilentPipeTimesOut) {
    RedirectToPipe();
    EXPECT_TRUE(ThrowsWithMessage<XInputOutputError>(
        [&] { reader_.ReadInput(100ms); }, "Timed out while waiting for input from stdin."));
}

TEST_F(StdinTest, AClosedEmptyPipeIsAnError) {
    RedirectToPipe();
    CloseWriteEnd();
    EXPECT_TRUE(ThrowsWithMessage<XInputOutputError>(
        [&] { reader_.ReadInput(1000ms); }, "Error occurred while reading input from stdin."));
}

TEST_F(StdinTest, AClosedDescriptorIsAnError) {
    DropStreamBuffers();
    close(0);
    EXPECT_TRUE(ThrowsWithMessage<XInputOutputError>(
        [&] { reader_.ReadInput(1000ms); }, "Error occurred while reading input from stdin."));
}

TEST_F(StdinTest, AnEmptyFileEndsBeforeAnyCharacter) {
    char path[] = "/tmp/vek-stdin-XXXXXX";
    const int file = mkstemp(path);
    ASSERT_GE(file, 0);
    unlink(path);
    RedirectStdin(file);
    EXPECT_TRUE(ThrowsWithMessage<XInputOutputError>(
        [&] { reader_.ReadInput(1000ms); }, "Error while reading input from stdin. read: "));
    // Every later read fails the same way instead of hanging on a stale state.
    EXPECT_TRUE(ThrowsWithMessage<XInputOutputError>(
        [&] { reader_.ReadInput(1000ms); }, "Error while reading input from stdin. read: "));
}

TEST_F(StdinTest, AnEmptyLineIsReturnedEmpty) {
    RedirectToPipe();
    Write("\n");
    EXPECT_EQ(reader_.ReadInput(1000ms), "");
}

TEST_F(StdinTest, ALastLineWithoutLineFeedIsAccepted) {
    RedirectToPipe();
    Write("{\"a\":true}");
    CloseWriteEnd();
    EXPECT_EQ(reader_.ReadInput(1000ms), "{\"a\":true}");
}

TEST_F(StdinTest, LinesAlreadyBufferedAreNotLostToPoll) {
    // Both lines arrive in one chunk; the first read buffers the second in user
    // space, where poll on descriptor 0 cannot see it. The writer stays open,
    // so a poll would wait until the timeout.
    RedirectToPipe();
    Write("{\"a\":\n1}\n");
    EXPECT_EQ(reader_.ReadInput(1000ms), "{\"a\":");
    EXPECT_EQ(reader_.ReadInput(200ms), "1}");
    EXPECT_TRUE(ThrowsWithMessage<XInputOutputError>(
        [&] { reader_.ReadInput(50ms); }, "Timed out while waiting for input from stdin."));
    Write("later\n");
    EXPECT_EQ(reader_.ReadInput(1000ms), "later");
}

TEST_F(StdinTest, AVeryLongLineArrivesWhole) {
    RedirectToPipe();
    std::string line(8 * 1024 * 1024, 'x');
    for (std::size_t index = 0; index < line.size(); index += 4099) {
        line[index] = static_cast<char>('a' + index % 26);
    }
    const int writeEnd = writeEnd_;
    writeEnd_ = -1;  // the writer thread closes it
    std::thread writer([writeEnd, &line] {
        std::size_t written = 0;
        const std::string data = line + "\ntrailing";
        while (written < data.size()) {
            const ssize_t count = write(writeEnd, data.data() + written, data.size() - written);
            if (count <= 0) {
                break;
            }
            written += static_cast<std::size_t>(count);
        }
        close(writeEnd);
    });
    const std::string read = reader_.ReadInput(2000ms);
    writer.join();
    EXPECT_EQ(read.size(), line.size());
    EXPECT_TRUE(read == line);
}

TEST_F(StdinTest, ALineIsReadUpToItsLimitAndNoFurther) {
    StdinInputHandler reader(8);
    RedirectToPipe();
    Write("12345678\n\n12345678");
    EXPECT_EQ(reader.ReadInput(1000ms), "12345678");
    EXPECT_EQ(reader.ReadInput(1000ms), "");
    Write("9abc\nnext\n");
    EXPECT_TRUE(ThrowsWithMessage<XInputOutputError>([&] { reader.ReadInput(1000ms); },
                                                     "The input line is longer than 8 bytes."));
    // One byte past the limit was taken, the rest of the line was left.
    EXPECT_EQ(reader.ReadInput(1000ms), "abc");
    CloseWriteEnd();
    EXPECT_EQ(reader.ReadInput(1000ms), "next");
}

TEST_F(StdinTest, RefusesTimeoutsOutsidePollsRange) {
    RedirectToPipe();
    Write("data\n");
    for (const auto timeout : {0ms, -1ms, 2147483648ms}) {
        EXPECT_TRUE(ThrowsWithMessage<XInputOutputError>(
            [&] { reader_.ReadInput(timeout); },
            "Invalid timeout value provided: " + std::to_string(timeout.count())));
    }
    EXPECT_EQ(reader_.ReadInput(2147483647ms), "data");
}

void IgnoreSignal(int) {}

TEST_F(StdinTest, AnInterruptedWaitReportsTheErrno) {
    RedirectToPipe();
    struct sigaction action {};
    action.sa_handler = IgnoreSignal;  // no SA_RESTART: poll returns EINTR
    struct sigaction previous {};
    ASSERT_EQ(sigaction(SIGALRM, &action, &previous), 0);
    itimerval timer{};
    timer.it_value.tv_usec = 50 * 1000;
    ASSERT_EQ(setitimer(ITIMER_REAL, &timer, nullptr), 0);
    EXPECT_TRUE(ThrowsWithMessage<XInputOutputError>(
        [&] { reader_.ReadInput(5000ms); },
        "Error while waiting for data from stdin. error: Interrupted system call"));
    sigaction(SIGALRM, &previous, nullptr);
}

// The whole JSON path as the program runs it without arguments: the provider's
// factories, the real reader on descriptor 0 and the real JSON facade.
class JsonOnStdinTest : public StdinTest {
protected:
    void SetUp() override {
        StdinTest::SetUp();
        IoHandlerLibraryFactoryProvider provider(
            std::make_shared<Serialization::SerializationLibraryFactoryProvider>());
        std::shared_ptr<IVekCommandOptionBuilder> options;
        provider.GetVekCommandOptionBuilderFactory()->Create(options);
        std::shared_ptr<IVekCommandBuilder> builder;
        provider.GetVekCommandBuilderFactory()->Create(builder);
        builder->AddCommandDetails("cmd", "Demo.");
        builder->AddOption(options->AddFlags('u', "url")
                               .AddDescription("Url.")
                               .AddDatakey({"Capabilities", "test.common.url"})
                               .AddInputValueType(InputValueTypeEnum::String)
                               .AddOptionRequirement(OptionRequirementEnum::RequiredForBoth)
                               .Build());
        builder->AddShortCircuitOption(options->AddFlags('h', "help")
                                           .AddDescription("Help.")
                                           .AddInputValueType(InputValueTypeEnum::Boolean)
                                           .AddOptionRequirement(OptionRequirementEnum::Optional)
                                           .Build());
        command_ = builder->Build();
    }

    void Parse() { command_->Parse(1, argv_); }

    const char* const argv_[2] = {"vek", nullptr};
    std::unique_ptr<IVekCommand> command_;
};

TEST_F(JsonOnStdinTest, ReadsTheDocumentFromDescriptorZero) {
    RedirectToPipe();
    Write("{\"Capabilities\":{\"test.common.url\":\"qo-ssh://host:2222\"}}\n");
    Parse();
    std::string url;
    ASSERT_TRUE(command_->TryGet('u', url));
    EXPECT_EQ(url, "qo-ssh://host:2222");
    bool help = true;
    EXPECT_FALSE(command_->TryGet('h', help));
}

TEST_F(JsonOnStdinTest, InputProblemsBecomeTestInputErrors) {
    RedirectToPipe();
    Write("{\"Capabilities\":\n{\"test.common.url\":\"h\"}}\n");
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { Parse(); }, "Invalid JSON input provided. Failed to parse the input string."));
    Write("\n");
    // The second line of the earlier document is still waiting; it is not an object.
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { Parse(); }, "Invalid JSON input provided. Failed to parse the input string."));
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { Parse(); }, "Empty string provided when a serialized Json was required."));
    Write("{}\n");
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>([&] { Parse(); },
                                                          "Expected option(-u) is not provided."));
    CloseWriteEnd();
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { Parse(); },
        "Unable to read test input. Error occurred while reading input from stdin."));
}

TEST_F(JsonOnStdinTest, AnEmptyFileCannotBeRead) {
    char path[] = "/tmp/vek-stdin-XXXXXX";
    const int file = mkstemp(path);
    ASSERT_GE(file, 0);
    unlink(path);
    RedirectStdin(file);
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { Parse(); },
        "Unable to read test input. Error while reading input from stdin. read: "));
}

}  // namespace
}  // namespace VekLibrary::IoHandler
