#include "plugin/ExtraOpts.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "plugin/XPluginUsageError.h"
#include "probeclient/SecretFile.h"

namespace VekPlugin {

namespace {

const std::string kOption = "--extra-opts";
const std::string kPasswordKey = "password";
constexpr std::size_t kMaxIniBytes = 1024 * 1024;

std::string Trimmed(const std::string& text) {
    const std::size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) {
        return "";
    }
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

struct Section {
    bool found = false;
    std::vector<std::string> arguments;
    std::optional<VekLibrary::VekDomain::SensitiveString> password;
};

// The section `name` of an ini text; the password, when it has one, is kept apart.
Section ReadSection(const std::string& text, const std::string& name) {
    Section section;
    bool inside = false;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = Trimmed(text.substr(begin, end - begin));
        begin = end + 1;
        if (line.empty() || line[0] == '#' || line[0] == ';') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            inside = Trimmed(line.substr(1, line.size() - 2)) == name;
            section.found = section.found || inside;
            continue;
        }
        if (!inside) {
            continue;
        }
        const std::size_t equals = line.find('=');
        const std::string key = Trimmed(line.substr(0, equals));
        if (equals == std::string::npos) {
            section.arguments.push_back("--" + key);
        } else if (key == kPasswordKey) {
            section.password = Trimmed(line.substr(equals + 1));
        } else {
            section.arguments.push_back("--" + key + "=" + Trimmed(line.substr(equals + 1)));
        }
    }
    return section;
}

std::string DefaultFile() {
    const char* configured = std::getenv("MP_CONFIG_FILE");
    if (configured != nullptr && *configured != '\0') {
        return configured;
    }
    for (const std::string& path : DefaultExtraOptsFiles()) {
        if (::access(path.c_str(), F_OK) == 0) {
            return path;
        }
    }
    throw XPluginUsageError("--extra-opts: no file given and none of the standard ones exists (" +
                            DefaultExtraOptsFiles().front() + ", ...)");
}

Section Load(const std::string& value, const std::string& pluginName) {
    const std::size_t at = value.find('@');
    const std::string name = at == 0 || value.empty() ? pluginName : value.substr(0, at);
    const std::string path = at == std::string::npos ? DefaultFile() : value.substr(at + 1);
    Section section;
    try {
        std::string text = VekProbeClient::ReadRegularFile(path, kMaxIniBytes);
        section = ReadSection(text, name);
        VekProbeClient::WipeText(text);
        if (section.password) {
            // A file with a password is read again by the rule of secret files.
            section = ReadSection(VekProbeClient::ReadSecretFile(path).GetText(), name);
        }
    } catch (const std::runtime_error& error) {
        throw XPluginUsageError(kOption + " " + error.what());
    }
    if (!section.found) {
        throw XPluginUsageError(kOption + ": " + path + " has no section [" + name + "]");
    }
    return section;
}

}  // namespace

const std::vector<std::string>& DefaultExtraOptsFiles() {
    static const std::vector<std::string> files = {
        "/usr/local/etc/monitoring-plugins/monitoring-plugins.ini",
        "/usr/local/etc/monitoring-plugins.ini",
        "/etc/monitoring-plugins/monitoring-plugins.ini",
        "/etc/monitoring-plugins.ini",
        "/usr/local/nagios/etc/plugins.ini",
        "/usr/local/etc/nagios/plugins.ini",
        "/etc/nagios/plugins.ini",
        "/etc/opt/nagios/plugins.ini",
        "/etc/nagios-plugins.ini",
        "/usr/local/etc/nagios-plugins.ini",
        "/etc/opt/nagios-plugins.ini",
    };
    return files;
}

ExtraOptsResult ExpandExtraOpts(const std::vector<std::string>& arguments,
                                const std::string& pluginName) {
    ExtraOptsResult result;
    std::vector<std::string> own;
    const auto rest = std::find(arguments.begin(), arguments.end(), "--");
    for (auto argument = arguments.begin(); argument != rest; ++argument) {
        std::string value;
        if (*argument == kOption) {
            // As the Monitoring Plugins read it: a next word that is no option is the value.
            const auto next = argument + 1;
            if (next != rest && !next->empty() && next->front() != '-') {
                value = *next;
                argument = next;
            }
        } else if (argument->compare(0, kOption.size() + 1, kOption + "=") == 0) {
            value = argument->substr(kOption.size() + 1);
        } else {
            own.push_back(*argument);
            continue;
        }
        Section section = Load(value, pluginName);
        result.arguments.insert(result.arguments.end(), section.arguments.begin(),
                                section.arguments.end());
        if (section.password) {
            result.password = std::move(section.password);
        }
    }
    result.arguments.insert(result.arguments.end(), own.begin(), own.end());
    // Everything from "--" on is passed as it is.
    result.arguments.insert(result.arguments.end(), rest, arguments.end());
    return result;
}

}  // namespace VekPlugin
