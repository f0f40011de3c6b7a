#pragma once

#include "base/ResourceProvider.h"
#include "model/Definitions.h"
#include "model/LoadReport.h"
#include "model/RuleSet.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <string>

// Where the subcommands that read the product definitions find them:
// --archive FILE (a UI resource archive), --data DIR (a folder of documents,
// parameter.xml, rule.xml, ...), or the UI archive of the installed user data
// folder.
namespace px40ctl {

struct DefinitionSource {
    std::string archive;
    std::string dataDir;
};

// Adds --archive and --data (at most one of them) to `command`.
void AddDefinitionOptions(CLI::App* command, DefinitionSource& source);

struct OpenedDefinitions {
    std::unique_ptr<vy::IResourceProvider> resources;
    std::string description;     // "archive /path/layout", "folder /path"
    std::string resourceFolder;  // where effect files lie; empty when unknown
};

// False with a message in `error` when the archive cannot be opened or the
// folder does not exist.
bool OpenDefinitions(const DefinitionSource& source, OpenedDefinitions& opened, std::string& error);

// The definitions and rules as the program loads them for the PX40: the
// four definition loaders, the rule document and the model override.
struct LoadedDefinitions {
    vy::CDefinitions defs;
    vy::EffectRecord current;
    vy::RuleSet rules;
    bool parametersFound = false;
    bool rulesFound = false;
    vy::LoadReport report;
};
void LoadDefinitions(const vy::IResourceProvider& resources, LoadedDefinitions& loaded);

}  // namespace px40ctl
