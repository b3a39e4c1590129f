// --extra-opts: the monitoring plugins' ini convention, and the one password it may hold.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "plugin/ExtraOpts.h"
#include "plugin/XPluginUsageError.h"

namespace {

using Arguments = std::vector<std::string>;

class IniFile final {
public:
    IniFile(const std::string& text, mode_t mode) {
        char name[] = "/tmp/check-vek-ini.XXXXXX";
        const int descriptor = ::mkstemp(name);
        ::close(descriptor);
        path_ = name;
        std::ofstream(path_) << text;
        ::chmod(path_.c_str(), mode);
    }
    ~IniFile() { ::unlink(path_.c_str()); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// The expanded arguments joined by blanks (the password as "password:<it>"), or the
// refusal.
std::string Expanded(const Arguments& arguments) {
    try {
        const VekPlugin::ExtraOptsResult result =
            VekPlugin::ExpandExtraOpts(arguments, "check_vek");
        std::string joined;
        for (const std::string& argument : result.arguments) {
            joined += (joined.empty() ? "" : " ") + argument;
        }
        return result.password ? joined + " password:" + result.password->GetText() : joined;
    } catch (const VekPlugin::XPluginUsageError& error) {
        return error.what();
    }
}

TEST(ExtraOptsTest, SectionsBecomeOptionsBeforeTheCommandLine) {
    const IniFile open(
        "# comment\n[check_vek]\n  hostname = server.example \nuse-ipv4\n"
        "; comment\n[login]\nlogname=monitor\n",
        0644);
    const IniFile secret("[login]\nlogname = monitor\npassword = pass word \n", 0600);
    const IniFile leaked("[login]\npassword = pw\n", 0640);
    const std::string file = open.Path();
    ::setenv("MP_CONFIG_FILE", file.c_str(), 1);
    const std::vector<std::pair<Arguments, std::string>> cases = {
        {{"--extra-opts=@" + file, "-t", "3"}, "--hostname=server.example --use-ipv4 -t 3"},
        {{"-t", "3", "--extra-opts", "login@" + file}, "--logname=monitor -t 3"},
        {{"--extra-opts", "-t", "3"}, "--hostname=server.example --use-ipv4 -t 3"},
        {{"--extra-opts=login", "--", "--extra-opts"}, "--logname=monitor -- --extra-opts"},
        {{"--extra-opts=login@" + secret.Path()}, "--logname=monitor password:pass word"},
        {{"--extra-opts=login@" + leaked.Path()},
         "--extra-opts " + leaked.Path() +
             ": its mode 0640 lets group or others access it; run chmod 600 on it"},
        {{"--extra-opts=other@" + file}, "--extra-opts: " + file + " has no section [other]"},
        {{"--extra-opts=@/nonexistent.ini"},
         "--extra-opts /nonexistent.ini: cannot open: No such file or directory"},
    };
    for (const auto& [arguments, expected] : cases) {
        EXPECT_EQ(Expanded(arguments), expected) << arguments[0];
    }
    ::unsetenv("MP_CONFIG_FILE");
}

}  // namespace
