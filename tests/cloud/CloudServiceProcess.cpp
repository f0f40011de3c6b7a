#include "CloudServiceProcess.h"

#include "cloud/LibCurlHelper.h"
#include "tests/support/TempDir.h"

#include <json/reader.h>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vy::test {
namespace {

// Reads the first line the child prints, waiting at most `timeoutMs`.
std::string ReadFirstLine(int fd, int timeoutMs)
{
    std::string line;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (line.find('\n') == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(left.count())) <= 0)
            break;
        char buffer[256];
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        line.append(buffer, static_cast<size_t>(got));
    }
    return line;
}

}  // namespace

CCloudServiceProcess::CCloudServiceProcess(const std::string& content, const std::vector<std::string>& faults)
{
    std::vector<std::string> args{VY_CLOUD_SERVICE, "--port", "0", "--content", content, "--exit-with-parent"};
    args.insert(args.end(), faults.begin(), faults.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    pid_t pid = -1;
    int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        return;
    }
    m_pid = pid;
    std::string line = ReadFirstLine(pipeFds[0], 10000);
    ::close(pipeFds[0]);
    size_t at = line.find("127.0.0.1:");
    if (at != std::string::npos)
        m_port = std::atoi(line.c_str() + at + 10);
}

CCloudServiceProcess::~CCloudServiceProcess()
{
    Kill();
}

void CCloudServiceProcess::Kill()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_pid = -1;
    }
}

Json::Value CCloudServiceProcess::RequestLog() const
{
    CTempDir dir;
    std::string file = dir.File("log.json");
    Json::Value log(Json::arrayValue);
    if (!CLibCurlHelper::HttpGetFile(file, CLibCurlHelper::NewHandle(), ServerUrl() + "/_log"))
        return log;
    std::string text = ReadFileBytes(file);
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    reader->parse(text.data(), text.data() + text.size(), &log, nullptr);
    return log;
}

void WriteContentFile(const std::string& contentFolder, const std::string& relativePath, const std::string& text)
{
    std::filesystem::path path = std::filesystem::path(contentFolder) / relativePath;
    std::filesystem::create_directories(path.parent_path());
    WriteFileBytes(path.string(), text);
}

std::string SampleContent()
{
    return SourceDir() + "/data/cloud-sample";
}

}  // namespace vy::test
