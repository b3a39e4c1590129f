#include "plugin/PluginProcess.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <stdexcept>

#include <gtest/gtest.h>

namespace VekTest {

namespace {

// Far above any budget under test, but a stuck plugin still ends the case.
constexpr std::chrono::milliseconds kPluginRunLimit{30000};
const std::vector<std::string> kStageOrder = {
    "time", "dns", "connect", "banner", "kex", "service_request", "auth", "exec", "output_bytes"};

std::string Shown(const std::vector<std::string>& arguments) {
    std::string shown = "check_vek";
    for (const std::string& argument : arguments) {
        shown += " '" + argument + "'";
    }
    return shown;
}

}  // namespace

SecretFile::SecretFile(const std::string& text, const std::string& mode) {
    char name[] = "/tmp/check-vek-test.XXXXXX";
    const int descriptor = ::mkstemp(name);
    if (descriptor < 0) {
        throw std::runtime_error("mkstemp failed");
    }
    ::close(descriptor);
    path_ = name;
    std::ofstream(path_, std::ios::binary) << text;
    ::chmod(path_.c_str(), static_cast<mode_t>(std::stoul(mode, nullptr, 8)));
}

SecretFile::~SecretFile() {
    ::unlink(path_.c_str());
}

std::string CheckVekBinary() {
    return CHECK_VEK_BINARY;
}
std::string ProbeBinary() {
    return VEK_BINARY;
}

PluginRun RunPlugin(const std::vector<std::string>& arguments, ProbeRequest request) {
    request.arguments = arguments;
    if (request.killAfter == ProbeRequest().killAfter) {
        request.killAfter = kPluginRunLimit;
    }
    PluginRun run;
    run.process = RunProbe(CheckVekBinary(), request);
    EXPECT_FALSE(run.process.killed) << Shown(arguments) << " still running";
    EXPECT_TRUE(run.process.exited)
        << Shown(arguments) << " ended by signal " << run.process.signal;
    EXPECT_EQ(run.process.standardError, "") << Shown(arguments);
    run.answer = ReadPluginAnswer(run.process.standardOutput, run.process.exitCode);
    EXPECT_EQ(run.answer.problem, "") << Shown(arguments) << "\n" << run.process.standardOutput;
    return run;
}

void ExpectPerfdataOfADocument(const PluginAnswer& answer,
                               const std::vector<std::string>& arguments) {
    std::string timeout = "10";
    std::vector<std::pair<std::string, std::pair<std::string, bool>>> thresholds;
    for (std::size_t index = 0; index + 1 < arguments.size(); ++index) {
        const std::string& option = arguments[index];
        const std::string& value = arguments[index + 1];
        if (option == "-t") {
            timeout = value;
        } else if (option == "-w" || option == "-c") {
            thresholds.push_back({"time", {value, option == "-c"}});
        } else if (option == "--stage-warning" || option == "--stage-critical") {
            const std::size_t equals = value.find('=');
            thresholds.push_back({value.substr(0, equals),
                                  {value.substr(equals + 1), option == "--stage-critical"}});
        }
    }
    const std::vector<std::string> labels = PerfdataLabels(answer);
    ASSERT_FALSE(labels.empty()) << "no performance data";
    EXPECT_EQ(labels.front(), "time");
    std::size_t next = 0;
    for (const std::string& label : labels) {
        while (next < kStageOrder.size() && kStageOrder[next] != label) {
            ++next;
        }
        EXPECT_LT(next, kStageOrder.size()) << "label " << label << " unknown or out of order";
    }
    const bool exec = FindPerfdata(answer, "exec") != nullptr;
    EXPECT_EQ(FindPerfdata(answer, "output_bytes") != nullptr, exec);
    for (const PerfdataItem& item : answer.perfdata) {
        if (item.label == "output_bytes") {
            EXPECT_EQ(item.unit, "B");
            EXPECT_EQ(item.minimum, "0");
            EXPECT_EQ(item.maximum, "");
            continue;
        }
        EXPECT_EQ(item.unit, "s") << item.label;
        EXPECT_EQ(item.minimum, "0") << item.label;
        EXPECT_EQ(item.maximum, timeout) << item.label;
        EXPECT_NE(item.value.find('.'), std::string::npos) << item.label;
        EXPECT_EQ(item.value.size() - item.value.find('.'), 4u) << "milliseconds: " << item.value;
    }
    for (const auto& [label, threshold] : thresholds) {
        const PerfdataItem* item = FindPerfdata(answer, label);
        if (item != nullptr) {
            EXPECT_EQ(threshold.second ? item->critical : item->warning, threshold.first) << label;
        }
    }
}

std::string CasePattern(std::string text, const std::string& target) {
    // A probe that reached the server names its identification after the target.
    const std::string targetAndIdentification = target + "(?: SSH-[^|\n]*?)?";
    for (const auto& [placeholder, value] :
         {std::pair<std::string, std::string>{"{target}", targetAndIdentification},
          {"{s}", "[0-9]+\\.[0-9]{3}"}}) {
        for (std::size_t at = text.find(placeholder); at != std::string::npos;
             at = text.find(placeholder, at + value.size())) {
            text.replace(at, placeholder.size(), value);
        }
    }
    return text;
}

std::vector<PluginRun> RunCases(const std::vector<PluginCase>& cases,
                                const std::vector<std::string>& base, const std::string& target) {
    std::vector<PluginRun> runs;
    for (const PluginCase& entry : cases) {
        SCOPED_TRACE(entry.name);
        std::vector<std::string> arguments = base;
        arguments.insert(arguments.end(), entry.arguments.begin(), entry.arguments.end());
        runs.push_back(RunPlugin(arguments));
        const PluginAnswer& answer = runs.back().answer;
        EXPECT_EQ(answer.state, entry.state) << answer.text;
        EXPECT_TRUE(std::regex_match(answer.text, std::regex(CasePattern(entry.text, target))))
            << answer.text << "\n  does not match " << entry.text;
        ExpectPerfdataOfADocument(answer, arguments);
    }
    return runs;
}

std::string HelpOf(const std::string& program) {
    ProbeRequest request;
    request.arguments = {"-h"};
    request.killAfter = std::chrono::milliseconds(20000);
    const ProbeRun run = RunProbe(program, request);
    return run.standardOutput + run.standardError;
}

}  // namespace VekTest
