#include "tests/support/PulseServer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace vy::test {
namespace {

bool SocketAccepts(const std::string& path)
{
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

std::string Tail(const std::string& path)
{
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text.size() > 600 ? text.substr(text.size() - 600) : text;
}

}  // namespace

CPulseServer::~CPulseServer()
{
    Stop();
}

bool CPulseServer::Start(std::string& error)
{
    if (IsRunning())
        return true;
    const char* base = std::getenv("TMPDIR");
    // A short path: unix socket paths are limited to about 100 bytes.
    std::string pattern = std::string(base && *base && std::strlen(base) < 60 ? base : "/tmp") + "/vypulse-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        error = std::string("cannot make a folder for the sound server: ") + std::strerror(errno);
        return false;
    }
    m_dir = pattern;
    m_socket = m_dir + "/native";
    const std::string script = m_dir + "/server.pa";
    const std::string log = m_dir + "/server.log";
    {
        std::ofstream out(script);
        out << "load-module module-native-protocol-unix auth-anonymous=1 socket=" << m_socket << "\n"
            << "load-module module-null-sink sink_name=" << kSinkName
            << " sink_properties=device.description=" << kSinkDescription << "\n"
            // Keeps the null output rendering in short blocks from the start,
            // as a real card does (see scripts/test-services).
            << "suspend-sink " << kSinkName << " 1\n"
            << "load-module module-null-sink sink_name=vy_drain sink_properties=device.description=Test-drain\n"
            << "load-module module-loopback source=" << kSinkName << ".monitor sink=vy_drain latency_msec=20\n"
            << "suspend-sink " << kSinkName << " 0\n"
            << "load-module module-always-sink\n"
            << "set-default-sink " << kSinkName << "\n"
            << "set-default-source " << kSinkName << ".monitor\n";
    }

    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        std::string item = *entry;
        if (item.rfind("HOME=", 0) == 0 || item.rfind("XDG_RUNTIME_DIR=", 0) == 0 ||
            item.rfind("XDG_CONFIG_HOME=", 0) == 0 || item.rfind("PULSE_", 0) == 0)
            continue;
        environment.push_back(item);
    }
    environment.push_back("HOME=" + m_dir);
    environment.push_back("XDG_RUNTIME_DIR=" + m_dir);
    environment.push_back("XDG_CONFIG_HOME=" + m_dir);
    std::vector<char*> envp;
    for (std::string& item : environment)
        envp.push_back(item.data());
    envp.push_back(nullptr);

    // The server runs under a small shell that ends it when our end of a
    // pipe closes: at Stop, or when this process dies without one, so no
    // server outlives its tests. The shell then removes the folder and ends.
    const std::string wrapper =
        "pulseaudio --daemonize=no --exit-idle-time=-1 --use-pid-file=no --system=no -n -F \"$1\" "
        "</dev/null >\"$2\" 2>&1 3<&- & pid=$!; (read -r _ <&3; kill $pid 2>/dev/null) & wait $pid; "
        "rm -rf \"$3\"";
    std::vector<std::string> args = {"sh", "-c", wrapper, "vy-pulse", script, log, m_dir};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    int lifeline[2];
    if (::pipe2(lifeline, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        Stop();
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, lifeline[0], 3);
    pid_t pid = -1;
    int spawned = posix_spawn(&pid, "/bin/sh", &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(lifeline[0]);
    if (spawned != 0) {
        ::close(lifeline[1]);
        error = std::string("cannot run the sound server: ") + std::strerror(spawned);
        Stop();
        return false;
    }
    m_pid = pid;
    m_lifeline = lifeline[1];

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            error = "pulseaudio ended at start (is it installed?): " + Tail(log);
            Stop();
            return false;
        }
        if (SocketAccepts(m_socket))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    error = "pulseaudio did not open its socket within 10 s: " + Tail(log);
    Stop();
    return false;
}

void CPulseServer::Stop()
{
    if (m_lifeline >= 0) {
        ::close(m_lifeline);  // the shell ends the server
        m_lifeline = -1;
    }
    if (m_pid > 0) {
        bool ended = false;
        for (int i = 0; i < 500 && !ended; ++i) {
            if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid)
                ended = true;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (!ended) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        m_pid = -1;
    }
    if (!m_dir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
        m_dir.clear();
    }
}

CScopedEnv::CScopedEnv(const char* name, const std::optional<std::string>& value) : m_name(name)
{
    if (const char* old = std::getenv(name))
        m_old = old;
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
}

CScopedEnv::~CScopedEnv()
{
    if (m_old)
        ::setenv(m_name.c_str(), m_old->c_str(), 1);
    else
        ::unsetenv(m_name.c_str());
}

void CPulseTestEnvironment::SetUp()
{
    const char* server = std::getenv("PULSE_SERVER");
    if (server && *server)
        return;
    std::string error;
    if (!m_server.Start(error)) {
        // Only the tests that need a server fail then, each saying why; and
        // none of them plays on the user's own sound server instead.
        std::fprintf(stderr, "no sound server for the tests: %s\n", error.c_str());
        m_env.emplace("PULSE_SERVER", "unix:/nonexistent/vy-test-no-server");
        return;
    }
    m_env.emplace("PULSE_SERVER", m_server.ServerString());
}

void CPulseTestEnvironment::TearDown()
{
    m_env.reset();
    m_server.Stop();
}

CNullSink::CNullSink(const std::string& tag)
{
    static int counter = 0;
    const std::string unique = std::to_string(::getpid()) + "-" + std::to_string(++counter);
    m_name = "vytest_" + tag + "_" + unique;
    std::replace(m_name.begin(), m_name.end(), '-', '_');
    m_description = "PX40-" + tag + "-" + unique;
    const std::string command = "pactl load-module module-null-sink sink_name=" + m_name +
                                " sink_properties=device.description=" + m_description + " 2>/dev/null";
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char line[64] = {};
        if (std::fgets(line, sizeof line, pipe))
            m_module = std::atoi(line);
        if (::pclose(pipe) != 0)
            m_module = -1;
    }
}

CNullSink::~CNullSink()
{
    if (m_module >= 0)
        RunCommand("pactl unload-module " + std::to_string(m_module) + " 2>/dev/null");
}

int RunCommand(const std::string& command)
{
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace vy::test
