// The one rule for secret files: what is read of a good file and why every other
// kind of file is refused, without blocking on any of them.

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "probeclient/SecretFile.h"

namespace {

using VekProbeClient::kMaxSecretFileBytes;

std::string Refusal(const std::string& path) {
    try {
        VekProbeClient::ReadSecretFile(path);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "(accepted)";
}

TEST(SecretFileTest, TheWholeContentLessOneLineEndAndNoOtherFile) {
    char folderName[] = "/tmp/secret-file-test.XXXXXX";
    ASSERT_NE(::mkdtemp(folderName), nullptr);
    const std::string folder = folderName;
    const auto write = [&folder](const std::string& text, mode_t mode) {
        static int files = 0;
        const std::string path = folder + "/file" + std::to_string(++files);
        std::ofstream(path, std::ios::binary) << text;
        ::chmod(path.c_str(), mode);
        return path;
    };
    const std::pair<std::string, std::string> secrets[] = {
        {"s3cret", "s3cret"},
        {"s3cret\n", "s3cret"},
        {"s3cret\r\n", "s3cret"},
        {"s3cret\n\n", "s3cret\n"},
        {"one\ntwo\n", "one\ntwo"},
        {"cr\r", "cr\r"},
        {"\n", ""},
        {"", ""},
        {std::string(kMaxSecretFileBytes, 'k'), std::string(kMaxSecretFileBytes, 'k')},
    };
    for (const auto& [content, secret] : secrets) {
        EXPECT_EQ(VekProbeClient::ReadSecretFile(write(content, 0400)).GetText(), secret);
    }

    const std::string fifo = folder + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string large = write(std::string(kMaxSecretFileBytes + 1, 'k'), 0600);
    const std::pair<std::string, std::string> refused[] = {
        {fifo, fifo + ": is a FIFO, not a regular file"},
        {folder, folder + ": is a directory, not a regular file"},
        {"/dev/zero", "/dev/zero: is a device, not a regular file"},
        {folder + "/missing", folder + "/missing: cannot open: No such file or directory"},
        {large, large + ": is larger than 64 KiB"},
    };
    for (const auto& [path, refusal] : refused) {
        EXPECT_EQ(Refusal(path), refusal);
    }
    for (const mode_t mode : {0644, 0640, 0604, 0660, 0601, 0610}) {
        const std::string path = write("s3cret\n", mode);
        char modeText[8];
        std::snprintf(modeText, sizeof modeText, "%04o", mode);
        EXPECT_EQ(Refusal(path), path + ": its mode " + modeText +
                                     " lets group or others access it; run chmod 600 on it");
    }

    // Without the mode rule, for files that are not secret.
    const std::string published = write("host ssh-ed25519 AAAA\n", 0644);
    EXPECT_EQ(VekProbeClient::ReadRegularFile(published, 100), "host ssh-ed25519 AAAA\n");
    EXPECT_THROW(VekProbeClient::ReadRegularFile(published, 10), std::runtime_error);
    EXPECT_THROW(VekProbeClient::ReadRegularFile(fifo, 100), std::runtime_error);
    std::system(("rm -rf '" + folder + "'").c_str());
}

}  // namespace
