#pragma once

namespace Ssh {

// Runs one SSH test from the process's arguments (or one JSON line on standard
// input) to the printed result document.
class ISshTestSession {
public:
    virtual ~ISshTestSession() = default;

    // Returns the exit code: 0 when a result document or the help text was
    // written, 1 otherwise. Called once.
    virtual int ExecuteTest(int argc, const char* const* argv) = 0;
    // The same for the process's own, writable arguments: once they are parsed,
    // the password's bytes in them are overwritten, so that the process list does
    // not show it while the test runs.
    virtual int ExecuteTest(int argc, char** argv) = 0;
};

}  // namespace Ssh
