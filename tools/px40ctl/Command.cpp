#include "Command.h"

#include <algorithm>
#include <iostream>
#include <vector>

namespace px40ctl {
namespace {

struct Entry {
    std::string name;
    CommandSetup setup;
};

std::vector<Entry>& Registry()
{
    static std::vector<Entry> entries;
    return entries;
}

}  // namespace

CCommandRegistrar::CCommandRegistrar(const char* name, CommandSetup setup)
{
    Registry().push_back(Entry{name, std::move(setup)});
}

void SetupCommands(CLI::App& app, int& exitCode)
{
    auto entries = Registry();
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    for (const Entry& entry : entries)
        entry.setup(app, exitCode);
}

void PrintError(const std::string& message)
{
    std::cerr << "px40ctl: " << message << '\n';
}

}  // namespace px40ctl
