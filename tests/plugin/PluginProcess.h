#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "app/ProbeProcess.h"
#include "plugin/PluginAnswer.h"

namespace VekTest {

// A file of mode 600 in /tmp holding `text`, removed with the object.
class SecretFile final {
public:
    explicit SecretFile(const std::string& text, const std::string& mode = "600");
    ~SecretFile();
    SecretFile(const SecretFile&) = delete;
    SecretFile& operator=(const SecretFile&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// A run of the built check_vek and its answer, read as a monitoring core reads it.
struct PluginRun {
    ProbeRun process;
    PluginAnswer answer;
};

// Runs check_vek with `arguments`; checks that it exited by itself within its
// limit with an exit code 0 to 3, wrote nothing to standard error, and answered
// in the guidelines' format: a status line with the state of its exit code and
// performance data of which every item is well-formed.
PluginRun RunPlugin(const std::vector<std::string>& arguments,
                    ProbeRequest request = ProbeRequest());

// What holds for the performance data of every answer that came from a result
// document: "time" first, then the stages in the probe's order, each in seconds
// with minimum 0 and the timeout of `arguments` as maximum, "output_bytes" in B
// exactly when "exec" is there, and every -w, -c, --stage-warning and
// --stage-critical of `arguments` as the warn or crit field of its item.
void ExpectPerfdataOfADocument(const PluginAnswer& answer,
                               const std::vector<std::string>& arguments);

struct PluginCase {
    std::string name;
    std::vector<std::string> arguments;
    std::string state;
    // A regular expression for the whole status text; "{target}" stands for the
    // target's pattern given to RunCases, "{s}" for a duration like "0.092".
    std::string text;
};

// Runs each case with `base` before its own arguments and checks its state, its
// text and its performance data (ExpectPerfdataOfADocument); returns the runs.
std::vector<PluginRun> RunCases(const std::vector<PluginCase>& cases,
                                const std::vector<std::string>& base, const std::string& target);

// The text of "<program> -h" on both streams.
std::string HelpOf(const std::string& program);

// The built check_vek, and the probe beside it.
std::string CheckVekBinary();
std::string ProbeBinary();

}  // namespace VekTest
