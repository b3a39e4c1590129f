#include "plugin/PluginReport.h"

#include <optional>

namespace VekPlugin {

namespace {

const std::string kBrokenBar = "\xc2\xa6";

// Status-line text: one line, no "|".
std::string OneLine(const std::string& text) {
    std::string line;
    for (const char c : text) {
        if (c == '|') {
            line += kBrokenBar;
        } else if (c == '\n' || c == '\r') {
            line += ' ';
        } else {
            line += c;
        }
    }
    return line;
}

std::string WithoutBars(const std::string& text) {
    std::string result;
    for (const char c : text) {
        result += c == '|' ? kBrokenBar : std::string(1, c);
    }
    return result;
}

// At most `limit` bytes, never ending inside a UTF-8 sequence.
std::string CutAtCharacter(const std::string& text, std::size_t limit) {
    if (text.size() <= limit) {
        return text;
    }
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xc0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}

std::string Field(const std::optional<ThresholdRange>& range) {
    return range ? range->Text() : "";
}

std::string PerfdataItem(const std::string& label, const std::string& value,
                         const std::string& warning, const std::string& critical,
                         const std::string& minimum, const std::string& maximum) {
    std::string fields[] = {warning, critical, minimum, maximum};
    std::size_t used = 4;
    while (used > 0 && fields[used - 1].empty()) {
        --used;
    }
    std::string item = QuoteLabel(label) + "=" + value;
    for (std::size_t index = 0; index < used; ++index) {
        item += ";" + fields[index];
    }
    return item;
}

std::string HostPort(const PluginOptions& options, const VekProbeClient::ProbeDocument& outcome) {
    const std::string host = outcome.hostName.empty() ? options.hostname : outcome.hostName;
    const long long port = outcome.port.value_or(options.port);
    const bool ipv6Literal = host.find(':') != std::string::npos;
    return (ipv6Literal ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

// "(kex K, host key H, cipher C, MAC M) " of a handshake, each direction's
// algorithm "cs/sc" when the two differ; empty when the probe reports none.
std::string Algorithms(const VekProbeClient::ProbeDocument& outcome) {
    const auto& found = outcome.algorithms;
    const auto pair = [&found](std::size_t clientToServer) {
        const std::string cs = found[clientToServer].value_or("");
        const std::string sc = found[clientToServer + 1].value_or("");
        return cs == sc ? cs : cs + "/" + sc;
    };
    if (!found[0] || !found[1] || !found[2]) {
        return "";
    }
    return "(kex " + *found[0] + ", host key " + *found[1] + ", cipher " + pair(2) + ", MAC " +
           pair(4) + ") ";
}

}  // namespace

std::string QuoteLabel(const std::string& label) {
    std::string quoted = "'";
    for (const char c : label) {
        quoted += c == '\'' ? "''" : std::string(1, c);
    }
    return quoted + "'";
}

std::string FormatPerformanceData(const PluginOptions& options,
                                  const VekProbeClient::ProbeDocument& outcome,
                                  std::optional<long long> timeMilliseconds) {
    const std::string maximum = std::to_string(options.timeoutSeconds);
    const long long time = timeMilliseconds.value_or(outcome.TotalMilliseconds());
    std::string data = PerfdataItem("time", FormatSeconds(time) + "s", Field(options.warning),
                                    Field(options.critical), "0", maximum);
    for (std::size_t index = 0; index < VekProbeClient::kStageCount; ++index) {
        if (outcome.stageMilliseconds[index]) {
            data += " " + PerfdataItem(VekProbeClient::ProbeStages()[index].name,
                                       FormatSeconds(*outcome.stageMilliseconds[index]) + "s",
                                       Field(options.stageWarning[index]),
                                       Field(options.stageCritical[index]), "0", maximum);
        }
    }
    if (outcome.stageMilliseconds[VekProbeClient::kStageCount - 1]) {
        data += " " + PerfdataItem("output_bytes",
                                   std::to_string(outcome.outputBytes.value_or(0)) + "B", "", "",
                                   "0", "");
    }
    return data;
}

std::string FormatReport(const PluginOptions& options, const VekProbeClient::ProbeDocument& outcome,
                         const CheckVerdict& verdict) {
    std::string text;
    if (verdict.reasons.empty()) {
        text = HostPort(options, outcome) + " ";
        if (outcome.serverIdentification && !outcome.serverIdentification->empty()) {
            text += *outcome.serverIdentification + " ";
        }
        if (options.logname.empty()) {
            text += Algorithms(outcome);
        }
        text += "in " + FormatSeconds(outcome.TotalMilliseconds()) + " s";
    } else {
        for (const std::string& reason : verdict.reasons) {
            text += (text.empty() ? "" : "; ") + reason;
        }
    }
    std::string report = "SSH " + std::string(StateName(verdict.state)) + " - " + OneLine(text) +
                         "|" + FormatPerformanceData(options, outcome) + "\n";
    if (outcome.output && !outcome.output->empty()) {
        const std::string shown = WithoutBars(*outcome.output);
        const std::string kept = CutAtCharacter(shown, kLongOutputBytes);
        report += kept;
        if (kept.back() != '\n') {
            report += '\n';
        }
        if (kept.size() < shown.size()) {
            report += "(output cut to " + std::to_string(kept.size()) + " of " +
                      std::to_string(outcome.output->size()) + " bytes)\n";
        }
    }
    return report;
}

std::string FormatUnknown(const std::string& reason) {
    return "SSH UNKNOWN - " + OneLine(reason) + "\n";
}

}  // namespace VekPlugin
