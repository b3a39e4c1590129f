#pragma once

#include <optional>
#include <string>
#include <vector>

#include "exporter/LogLine.h"

namespace VekExporter {

constexpr const char* kDefaultListenAddress = ":9706";
constexpr const char* kDefaultConfigFile = "/etc/vek-exporter/config.yml";
constexpr long kDefaultMaxConcurrent = 64;

struct ExporterOptions {
    std::string configFile = kDefaultConfigFile;
    std::string listenAddress = kDefaultListenAddress;
    // Empty: the probe installed beside the exporter (VekProbeClient::DefaultProbePath).
    std::string probePath;
    long maxConcurrent = kDefaultMaxConcurrent;
    // Empty: no web configuration (plain HTTP without authentication).
    std::string webConfigFile;
    LogLevelEnum logLevel = LogLevelEnum::Info;
    LogFormatEnum logFormat = LogFormatEnum::Logfmt;
    bool help = false;
    bool version = false;
};

// The result of reading the command line: options, or a reason to refuse it.
struct ParsedOptions {
    ExporterOptions options;
    std::optional<std::string> error;
};

// Reads "--name=value" or "--name value" for each option, -h/--help and --version.
ParsedOptions ParseExporterOptions(const std::vector<std::string>& arguments);

// The help text, also the man page's source.
std::string ExporterUsage();

// What --version prints: "vek-exporter, version 0.1.0 (revision: 1a2b3c4d5e6f)".
std::string ExporterVersionText();

// Host and port of a listen address "[host]:port"; an empty host means every
// address, "[::1]:9706" is an IPv6 address. Empty when it is not one.
struct ListenAddress {
    std::string host;
    int port = 0;
};
std::optional<ListenAddress> ParseListenAddress(const std::string& text);

}  // namespace VekExporter
