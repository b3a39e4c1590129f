#include "exporter/ExporterOptions.h"

#include <re2/re2.h>

#include <cstdlib>

namespace VekExporter {

namespace {

std::optional<long> ParseCount(const std::string& text) {
    static const RE2 kCount("[0-9]{1,6}");
    if (!RE2::FullMatch(text, kCount)) {
        return std::nullopt;
    }
    const long value = std::stol(text);
    return value >= 1 && value <= 4096 ? std::optional<long>(value) : std::nullopt;
}

}  // namespace

std::string ExporterUsage() {
    return std::string(
               "usage: vek-exporter [options]\n"
               "\n"
               "Prometheus exporter that runs the SSH probe vek for each scrape of\n"
               "/probe?target=<url>&module=<name> and answers with its metrics.\n"
               "\n"
               "Options:\n"
               "  --config.file=PATH          YAML file of modules (default ") +
           kDefaultConfigFile +
           ")\n"
           "  --web.listen-address=ADDR   [host]:port to serve HTTP on (default " +
           kDefaultListenAddress +
           ", every address)\n"
           "  --probe.path=PATH           the probe binary (default: vek beside vek-exporter)\n"
           "  --probe.max-concurrent=N    probes running at once, 1 to 4096 (default " +
           std::to_string(kDefaultMaxConcurrent) +
           "); past that a scrape waits\n"
           "  -h, --help                  show this help and exit\n"
           "\n"
           "SIGHUP or POST /-/reload reads the configuration file again; a bad file keeps\n"
           "the previous configuration. SIGTERM lets running probes finish within 5 s.\n";
}

ParsedOptions ParseExporterOptions(const std::vector<std::string>& arguments) {
    ParsedOptions parsed;
    ExporterOptions& options = parsed.options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "-h" || argument == "--help") {
            options.help = true;
            continue;
        }
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        std::string value;
        const bool known = name == "--config.file" || name == "--web.listen-address" ||
                           name == "--probe.path" || name == "--probe.max-concurrent";
        if (!known) {
            parsed.error = "unknown option: " + argument;
            return parsed;
        }
        if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            parsed.error = "option " + name + " needs a value";
            return parsed;
        }
        if (value.empty()) {
            parsed.error = "option " + name + " needs a value";
            return parsed;
        }
        if (name == "--config.file") {
            options.configFile = value;
        } else if (name == "--web.listen-address") {
            if (!ParseListenAddress(value)) {
                parsed.error = "--web.listen-address: \"" + value + "\" is not [host]:port";
                return parsed;
            }
            options.listenAddress = value;
        } else if (name == "--probe.path") {
            options.probePath = value;
        } else if (const auto count = ParseCount(value)) {
            options.maxConcurrent = *count;
        } else {
            parsed.error =
                "--probe.max-concurrent: \"" + value + "\" is not a number from 1 to 4096";
            return parsed;
        }
    }
    return parsed;
}

std::optional<ListenAddress> ParseListenAddress(const std::string& text) {
    static const RE2 kAddress("(?:\\[([0-9A-Fa-f:.]+)\\]|([^:\\[\\]]*)):([0-9]{1,5})");
    std::string bracketed;
    std::string plain;
    std::string port;
    if (!RE2::FullMatch(text, kAddress, &bracketed, &plain, &port)) {
        return std::nullopt;
    }
    ListenAddress address;
    address.host = bracketed.empty() ? plain : bracketed;
    address.port = std::stoi(port);
    if (address.port > 65535) {
        return std::nullopt;
    }
    return address;
}

}  // namespace VekExporter
