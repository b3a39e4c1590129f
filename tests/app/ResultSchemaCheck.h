#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace Ssh::Testing {

// Checks documents against docs/result.schema.json with the repository's
// validator script (python3 with the jsonschema package) in one run; the
// validator's reasons appear on standard error. With `expectValid` false every
// document must be rejected.
inline ::testing::AssertionResult CheckResultDocuments(const std::vector<std::string>& documents,
                                                       bool expectValid) {
    const std::string source = VEK_TEST_SOURCE_DIR;
    const std::string command =
        "python3 '" + source + "/tests/fixtures/validate_json_documents.py' " +
        (expectValid ? "" : "--expect-invalid ") + "'" + source + "/docs/result.schema.json'";
    FILE* validator = popen(command.c_str(), "w");
    if (validator == nullptr) {
        return ::testing::AssertionFailure() << "cannot start: " << command;
    }
    // Each document is compact JSON, so it is one line.
    for (const std::string& document : documents) {
        std::fwrite(document.data(), 1, document.size(), validator);
        std::fputc('\n', validator);
    }
    const int status = pclose(validator);
    if (status == -1 || !WIFEXITED(status)) {
        return ::testing::AssertionFailure() << "the validator did not finish: " << command;
    }
    switch (WEXITSTATUS(status)) {
        case 0:
            return ::testing::AssertionSuccess();
        case 1:
            return ::testing::AssertionFailure()
                   << (expectValid ? "a document does not match the schema"
                                   : "a document matches the schema");
        case 77:
            return ::testing::AssertionFailure()
                   << "python3's jsonschema package is missing (scripts/bootstrap installs it)";
        default:
            return ::testing::AssertionFailure()
                   << "the validator failed with exit code " << WEXITSTATUS(status);
    }
}

inline ::testing::AssertionResult AllMatchResultSchema(const std::vector<std::string>& documents) {
    return CheckResultDocuments(documents, true);
}

inline ::testing::AssertionResult NoneMatchResultSchema(const std::vector<std::string>& documents) {
    return CheckResultDocuments(documents, false);
}

}  // namespace Ssh::Testing
