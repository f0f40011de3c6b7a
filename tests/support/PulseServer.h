#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <sys/types.h>

namespace vy::test {

// A private PulseAudio server for tests: its own runtime folder, no user
// session needed (also as root), a null output "px40" described as
// "PX40-Test" whose monitor serves as an input.
class CPulseServer {
public:
    static constexpr const char* kSinkName = "px40";
    static constexpr const char* kSinkDescription = "PX40-Test";

    CPulseServer() = default;
    ~CPulseServer();
    CPulseServer(const CPulseServer&) = delete;
    CPulseServer& operator=(const CPulseServer&) = delete;

    // Starts the server and waits until it accepts connections.
    bool Start(std::string& error);
    // Ends it (a signal, then a kill after a grace time) and removes its folder.
    void Stop();
    bool IsRunning() const { return m_pid > 0; }
    // For PULSE_SERVER: "unix:<socket>".
    std::string ServerString() const { return "unix:" + m_socket; }

private:
    std::string m_dir;
    std::string m_socket;
    pid_t m_pid = -1;     // the shell that runs the server
    int m_lifeline = -1;  // closing it ends the server
};

// Sets (or, with no value, removes) an environment variable for the
// lifetime of the object, then puts the old value back.
class CScopedEnv {
public:
    CScopedEnv(const char* name, const std::optional<std::string>& value);
    ~CScopedEnv();
    CScopedEnv(const CScopedEnv&) = delete;
    CScopedEnv& operator=(const CScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// Gives a test program a sound server: the one PULSE_SERVER names (as
// scripts/test starts it), or else a private one for the whole program.
// Without one the tests that need it fail, each with the engine's text.
// Register it from a test file:
//   static auto* env = testing::AddGlobalTestEnvironment(new CPulseTestEnvironment);
class CPulseTestEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;

private:
    CPulseServer m_server;
    std::optional<CScopedEnv> m_env;
};

// Runs a shell command with the current environment; its exit status.
int RunCommand(const std::string& command);

// A null output of its own on the server PULSE_SERVER names, so that a test
// recording its monitor hears only itself while other tests play. Removed
// at the end.
class CNullSink {
public:
    // The description is "PX40-<tag>-<process>-<n>": unique, and it
    // contains "PX40" like the card's own devices.
    explicit CNullSink(const std::string& tag);
    ~CNullSink();
    CNullSink(const CNullSink&) = delete;
    CNullSink& operator=(const CNullSink&) = delete;

    bool IsLoaded() const { return m_module >= 0; }
    const std::string& Name() const { return m_name; }
    const std::string& Description() const { return m_description; }

private:
    std::string m_name;
    std::string m_description;
    int m_module = -1;
};

}  // namespace vy::test
