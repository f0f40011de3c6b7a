#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <string>

// px40ctl's subcommands register themselves: each Cmd*.cpp file defines one
// static CCommandRegistrar, so a new command is a new file and nothing else.
namespace px40ctl {

// Exit codes shared by every subcommand.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // the thing asked for is absent, or the operation failed
constexpr int kExitUsage = 2;

// Adds a subcommand to `app`. The subcommand's callback stores its exit code
// in `exitCode`.
using CommandSetup = std::function<void(CLI::App& app, int& exitCode)>;

class CCommandRegistrar {
public:
    CCommandRegistrar(const char* name, CommandSetup setup);
};

// Adds every registered command, in name order.
void SetupCommands(CLI::App& app, int& exitCode);

// Prints "px40ctl: <message>" on standard error.
void PrintError(const std::string& message);

}  // namespace px40ctl
