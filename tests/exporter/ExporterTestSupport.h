#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace VekTest {

// A private folder under /tmp, removed with everything in it at the end.
class TempDir final {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Writes `text` to `path` with exactly `mode`. Throws std::runtime_error.
void WriteFile(const std::string& path, const std::string& text, mode_t mode = 0600);

// A program started in the background with standard output and standard error in
// files. The destructor kills and reaps it if it still runs.
class BackgroundProcess final {
public:
    BackgroundProcess(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& logPath);
    ~BackgroundProcess();
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    pid_t Pid() const { return pid_; }
    // Standard error (and output) so far.
    std::string Log() const;
    // Waits until the log holds `text`; false when it did not by `limit` or the
    // process ended first.
    bool WaitForLog(const std::string& text, std::chrono::milliseconds limit) const;
    // Waits for the end; the wait status, or empty when it still ran after `limit`.
    std::optional<int> WaitForExit(std::chrono::milliseconds limit);
    void Signal(int number) const;
    bool Running() const { return !status_; }

private:
    pid_t pid_ = -1;
    std::string logPath_;
    std::optional<int> status_;
};

// The exporter started with `arguments` plus --probe.path (the built probe, unless
// given) and a free loopback port; Start waits until it listens.
class ExporterProcess final {
public:
    ExporterProcess(const std::string& logPath, std::vector<std::string> arguments);
    int Port() const { return port_; }
    BackgroundProcess& Process() { return process_; }
    // False when it did not come up; then Process().Log() says why.
    bool Started() const { return port_ > 0; }

private:
    BackgroundProcess process_;
    int port_ = 0;
};

struct HttpReply {
    int status = 0;  // 0: no answer at all
    std::string body;
    std::chrono::milliseconds elapsed{0};
};

// One request to 127.0.0.1:<port>; `scrapeTimeout` becomes the
// X-Prometheus-Scrape-Timeout-Seconds header when given.
HttpReply HttpGet(int port, const std::string& path,
                  std::optional<std::string> scrapeTimeout = std::nullopt);
HttpReply HttpPost(int port, const std::string& path);

// The value of the sample written exactly as `sample` (name and labels) in an
// exposition text, or empty when there is none.
std::optional<double> SampleValue(const std::string& exposition, const std::string& sample);

// Runs `promtool check metrics` on `exposition`; returns its output when it
// finds a problem, empty when the text is good.
std::optional<std::string> PromtoolProblems(const std::string& exposition);

// Processes whose parent is `parent`, with their state letter ("Z": zombie).
struct ChildInfo {
    pid_t pid;
    char state;
};
std::vector<ChildInfo> ChildrenOf(pid_t parent);

// The file of /proc/<pid>/<name>, NUL bytes turned into blanks; empty if gone.
std::string ProcText(pid_t pid, const std::string& name);

// "<quote><text><quote>" for a YAML double-quoted scalar.
std::string YamlQuoted(const std::string& text);

}  // namespace VekTest
