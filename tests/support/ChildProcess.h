#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace vy::test {

// A program run by a test, ended (SIGTERM) and reaped at the latest when the
// object goes away. Its standard output and error go to files of the caller's
// choice (empty: /dev/null).
class CChildProcess {
public:
    CChildProcess(const std::vector<std::string>& argv, const std::string& outputFile = {});
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }
    // Sends `signal` and waits for the end; returns the exit status as
    // waitpid reports it, or -1.
    int Stop(int signal = 15);

private:
    pid_t m_pid = -1;
};

// A program built in this tree, e.g. BuiltProgram("tools/px40-emu/px40-emu").
std::string BuiltProgram(const std::string& relativePath);

} // namespace vy::test
