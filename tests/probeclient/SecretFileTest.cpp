// The one rule for secret files: what is read of a good file and why every other
// kind of file is refused, without blocking on any of them.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "probeclient/SecretFile.h"

namespace {

using testing::HasSubstr;
using testing::Not;

class SecretFileTest : public testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/secret-file-test.XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        folder_ = folder;
    }
    void TearDown() override { std::system(("rm -rf '" + folder_ + "'").c_str()); }

    std::string Write(const std::string& text, mode_t mode = 0600) {
        const std::string path = folder_ + "/file" + std::to_string(++files_);
        std::ofstream(path, std::ios::binary) << text;
        ::chmod(path.c_str(), mode);
        return path;
    }

    std::string Refusal(const std::string& path) {
        try {
            VekProbeClient::ReadSecretFile(path);
        } catch (const std::runtime_error& error) {
            return error.what();
        }
        return "(accepted)";
    }

    std::string folder_;
    int files_ = 0;
};

TEST_F(SecretFileTest, TheWholeContentLessOneLineEnd) {
    const std::pair<std::string, std::string> cases[] = {
        {"s3cret", "s3cret"},
        {"s3cret\n", "s3cret"},
        {"s3cret\r\n", "s3cret"},
        {"s3cret\n\n", "s3cret\n"},
        {"first\nsecond\n", "first\nsecond"},
        {"ends in cr\r", "ends in cr\r"},
        {"\n", ""},
        {"", ""},
        {std::string(VekProbeClient::kMaxSecretFileBytes, 'k'),
         std::string(VekProbeClient::kMaxSecretFileBytes, 'k')},
    };
    for (const auto& [content, secret] : cases) {
        EXPECT_EQ(VekProbeClient::ReadSecretFile(Write(content, 0400)).GetText(), secret)
            << content.substr(0, 20);
    }
}

TEST_F(SecretFileTest, RefusesEveryOtherFileWithoutBlocking) {
    const std::string fifo = folder_ + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string tooLarge = Write(std::string(VekProbeClient::kMaxSecretFileBytes + 1, 'k'));
    const std::pair<std::string, std::string> cases[] = {
        {fifo, fifo + ": is a FIFO, not a regular file"},
        {folder_, folder_ + ": is a directory, not a regular file"},
        {"/dev/zero", "/dev/zero: is a device, not a regular file"},
        {folder_ + "/missing", folder_ + "/missing: cannot open: No such file or directory"},
        {tooLarge, tooLarge + ": is larger than 64 KiB"},
    };
    for (const auto& [path, refusal] : cases) {
        EXPECT_EQ(Refusal(path), refusal);
    }
    for (const mode_t mode : {0644, 0640, 0604, 0660, 0601, 0610}) {
        const std::string path = Write("s3cret\n", mode);
        const std::string refusal = Refusal(path);
        EXPECT_THAT(refusal, HasSubstr(path + ": its mode 0"));
        EXPECT_THAT(refusal, HasSubstr("lets group or others access it; run chmod 600 on it"));
        EXPECT_THAT(refusal, Not(HasSubstr("s3cret")));
    }
}

TEST_F(SecretFileTest, APublicFileIsReadWholeWithoutTheModeRule) {
    const std::string path = Write("host ssh-ed25519 AAAA\n", 0644);
    EXPECT_EQ(VekProbeClient::ReadRegularFile(path, 100), "host ssh-ed25519 AAAA\n");
    EXPECT_THROW(VekProbeClient::ReadRegularFile(path, 10), std::runtime_error);
    EXPECT_THROW(VekProbeClient::ReadRegularFile(folder_, 100), std::runtime_error);
}

}  // namespace
