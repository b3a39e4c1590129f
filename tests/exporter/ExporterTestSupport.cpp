#include "exporter/ExporterTestSupport.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <httplib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace VekTest {

namespace {

using Clock = std::chrono::steady_clock;

std::string ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

TempDir::TempDir() {
    char pattern[] = "/tmp/vek-exporter-test.XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        throw std::runtime_error(std::string("mkdtemp: ") + std::strerror(errno));
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    const std::string command = "rm -rf '" + path_ + "'";
    const int ignored = std::system(command.c_str());
    static_cast<void>(ignored);
}

void WriteFile(const std::string& path, const std::string& text, mode_t mode) {
    ::unlink(path.c_str());
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (file < 0) {
        throw std::runtime_error("cannot write " + path);
    }
    const bool written =
        ::write(file, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::fchmod(file, mode);
    ::close(file);
    if (!written) {
        throw std::runtime_error("cannot write " + path);
    }
}

BackgroundProcess::BackgroundProcess(const std::string& program,
                                     const std::vector<std::string>& arguments,
                                     const std::string& logPath)
    : logPath_(logPath) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t defaults;
    sigfillset(&defaults);
    sigdelset(&defaults, SIGKILL);
    sigdelset(&defaults, SIGSTOP);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const int error =
        ::posix_spawn(&pid_, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        throw std::runtime_error("cannot start " + program + ": " + std::strerror(error));
    }
}

BackgroundProcess::~BackgroundProcess() {
    if (!status_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

std::string BackgroundProcess::Log() const {
    return ReadWholeFile(logPath_);
}

bool BackgroundProcess::WaitForLog(const std::string& text, std::chrono::milliseconds limit) const {
    const Clock::time_point deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        if (Log().find(text) != std::string::npos) {
            return true;
        }
        int status = 0;
        if (!status_ && ::waitpid(pid_, &status, WNOHANG) == pid_) {
            const_cast<BackgroundProcess*>(this)->status_ = status;
        }
        if (status_) {
            return Log().find(text) != std::string::npos;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

std::optional<int> BackgroundProcess::WaitForExit(std::chrono::milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    while (!status_) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            status_ = status;
            break;
        }
        if (Clock::now() >= deadline) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return status_;
}

void BackgroundProcess::Signal(int number) const {
    if (!status_) {
        ::kill(pid_, number);
    }
}

ExporterProcess::ExporterProcess(const std::string& logPath, std::vector<std::string> arguments)
    : process_(
          VEK_EXPORTER_BINARY,
          [&arguments] {
              arguments.push_back("--web.listen-address=127.0.0.1:0");
              bool hasProbe = false;
              for (const std::string& argument : arguments) {
                  hasProbe = hasProbe || argument.rfind("--probe.path", 0) == 0;
              }
              if (!hasProbe) {
                  arguments.push_back(std::string("--probe.path=") + VEK_BINARY);
              }
              return arguments;
          }(),
          logPath) {
    if (!process_.WaitForLog("msg=\"Listening on\" address=127.0.0.1:", std::chrono::seconds(20))) {
        return;
    }
    std::smatch match;
    const std::string log = process_.Log();
    static const std::regex kListening("address=127\\.0\\.0\\.1:([0-9]+)");
    if (std::regex_search(log, match, kListening)) {
        port_ = std::stoi(match[1].str());
    }
}

HttpReply HttpGet(int port, const std::string& path, std::optional<std::string> scrapeTimeout) {
    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(std::chrono::seconds(10));
    client.set_read_timeout(std::chrono::seconds(60));
    httplib::Headers headers;
    if (scrapeTimeout) {
        headers.emplace("X-Prometheus-Scrape-Timeout-Seconds", *scrapeTimeout);
    }
    const Clock::time_point start = Clock::now();
    const auto result = client.Get(path.c_str(), headers);
    HttpReply reply;
    reply.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    if (result) {
        reply.status = result->status;
        reply.body = result->body;
    }
    return reply;
}

HttpReply HttpPost(int port, const std::string& path) {
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(std::chrono::seconds(30));
    const auto result = client.Post(path.c_str());
    HttpReply reply;
    if (result) {
        reply.status = result->status;
        reply.body = result->body;
    }
    return reply;
}

std::optional<double> SampleValue(const std::string& exposition, const std::string& sample) {
    std::istringstream lines(exposition);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.size() > sample.size() && line.compare(0, sample.size(), sample) == 0 &&
            line[sample.size()] == ' ') {
            return std::stod(line.substr(sample.size() + 1));
        }
    }
    return std::nullopt;
}

std::optional<std::string> PromtoolProblems(const std::string& exposition) {
    const TempDir dir;
    WriteFile(dir.File("metrics.txt"), exposition);
    const std::string command = "promtool check metrics < '" + dir.File("metrics.txt") + "' > '" +
                                dir.File("out") + "' 2>&1";
    const int status = std::system(command.c_str());
    if (status == 0) {
        return std::nullopt;
    }
    return "promtool exit status " + std::to_string(status) + ": " + ReadWholeFile(dir.File("out"));
}

std::vector<ChildInfo> ChildrenOf(pid_t parent) {
    std::vector<ChildInfo> children;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return children;
    }
    while (const dirent* entry = ::readdir(proc)) {
        const std::string name = entry->d_name;
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const std::string stat = ReadWholeFile("/proc/" + name + "/stat");
        // "<pid> (<comm>) <state> <ppid> ...": comm may hold blanks, so read after ')'.
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos) {
            continue;
        }
        char state = '?';
        int ppid = 0;
        if (std::sscanf(stat.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == parent) {
            children.push_back({static_cast<pid_t>(std::stoi(name)), state});
        }
    }
    ::closedir(proc);
    return children;
}

std::string ProcText(pid_t pid, const std::string& name) {
    std::string text = ReadWholeFile("/proc/" + std::to_string(pid) + "/" + name);
    for (char& c : text) {
        if (c == '\0') {
            c = ' ';
        }
    }
    return text;
}

std::string YamlQuoted(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace VekTest
