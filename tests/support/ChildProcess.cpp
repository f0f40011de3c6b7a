#include "tests/support/ChildProcess.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vy::test {

CChildProcess::CChildProcess(const std::vector<std::string>& argv, const std::string& outputFile)
{
    if (argv.empty())
        return;
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const char* output = outputFile.empty() ? "/dev/null" : outputFile.c_str();
    posix_spawn_file_actions_addopen(&actions, 1, output, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) == 0)
        m_pid = pid;
    posix_spawn_file_actions_destroy(&actions);
}

CChildProcess::~CChildProcess()
{
    Stop();
}

int CChildProcess::Stop(int signal)
{
    if (m_pid <= 0)
        return -1;
    ::kill(m_pid, signal);
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) { }
    m_pid = -1;
    return status;
}

std::string BuiltProgram(const std::string& relativePath)
{
    const char* dir = std::getenv("VY_BINARY_DIR");
#ifdef VY_BINARY_DIR
    if (!dir || !*dir)
        dir = VY_BINARY_DIR;
#endif
    return std::string(dir ? dir : ".") + "/" + relativePath;
}

} // namespace vy::test
