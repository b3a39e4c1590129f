#include "exporter/ExporterOptions.h"

#include <re2/re2.h>

#include <cstdlib>

#include "exporter/BuildInfo.h"

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
               "/probe?target=<url>&module=<name> and answers with its metrics. Without\n"
               "--web.config.file, anyone who can reach its port can run probes with the\n"
               "configured modules.\n"
               "\n"
               "Options:\n"
               "  --config.file=PATH          YAML file of modules (default ") +
           kDefaultConfigFile +
           ")\n"
           "  --web.listen-address=ADDR   [host]:port to serve HTTP on (default " +
           kDefaultListenAddress +
           ", every address)\n"
           "  --probe.path=PATH           the probe binary (default: vek beside vek-exporter or in "
           "../app)\n"
           "  --probe.max-concurrent=N    probes running at once, 1 to 4096 (default " +
           std::to_string(kDefaultMaxConcurrent) +
           "); past that a scrape waits\n"
           "  --web.config.file=PATH      TLS, basic auth and headers (exporter toolkit format)\n"
           "  --log.level=LEVEL           debug, info, warn or error (default info)\n"
           "  --log.format=FORMAT         logfmt or json (default logfmt)\n"
           "  --version                   show the version and git revision and exit\n"
           "  -h, --help                  show this help and exit\n"
           "\n"
           "SIGHUP or POST /-/reload reads the configuration file and the web configuration\n"
           "file again; a bad file keeps the previous configuration. The web configuration\n"
           "file is also read again whenever it or a file it names changes. SIGTERM lets\n"
           "running probes finish within 5 s.\n";
}

std::string ExporterVersionText() {
    return std::string("vek-exporter, version ") + kBuildVersion + " (revision: " + kBuildRevision +
           ")\n";
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
        if (argument == "--version") {
            options.version = true;
            continue;
        }
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        std::string value;
        const bool known = name == "--config.file" || name == "--web.listen-address" ||
                           name == "--probe.path" || name == "--probe.max-concurrent" ||
                           name == "--web.config.file" || name == "--log.level" ||
                           name == "--log.format";
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
        } else if (name == "--web.config.file") {
            options.webConfigFile = value;
        } else if (name == "--log.level") {
            const auto level = ParseLogLevel(value);
            if (!level) {
                parsed.error = "--log.level: \"" + value + "\" is not debug, info, warn or error";
                return parsed;
            }
            options.logLevel = *level;
        } else if (name == "--log.format") {
            const auto format = ParseLogFormat(value);
            if (!format) {
                parsed.error = "--log.format: \"" + value + "\" is not logfmt or json";
                return parsed;
            }
            options.logFormat = *format;
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
