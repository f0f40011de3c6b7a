#include "DefinitionSource.h"

#include "base/UserFolders.h"
#include "model/ArchiveResourceProvider.h"
#include "model/DeviceModel.h"
#include "model/FolderResourceProvider.h"
#include "model/XmlRead.h"

#include <cstdlib>
#include <filesystem>

namespace px40ctl {

void AddDefinitionOptions(CLI::App* command, DefinitionSource& source)
{
    CLI::Option* archive =
        command->add_option("--archive", source.archive, "Read the definitions from this UI resource archive");
    CLI::Option* data = command->add_option(
        "--data", source.dataDir, "Read the definitions from a folder of documents (parameter.xml, rule.xml, ...)");
    archive->excludes(data);
}

bool OpenDefinitions(const DefinitionSource& source, OpenedDefinitions& opened, std::string& error)
{
    namespace fs = std::filesystem;
    if (!source.dataDir.empty()) {
        std::error_code ec;
        if (!fs::is_directory(source.dataDir, ec)) {
            error = "no folder " + source.dataDir;
            return false;
        }
        opened.resources = std::make_unique<vy::CFolderResourceProvider>(source.dataDir,
                                                                         std::string(vy::xml::kDocumentType));
        opened.description = "folder " + source.dataDir;
        opened.resourceFolder.clear();
        return true;
    }
    std::string archive = source.archive;
    if (archive.empty())
        archive = vy::UserDataFolder() + "/data/res/layout";
    auto provider = std::make_unique<vy::CArchiveResourceProvider>();
    if (!provider->Open(archive)) {
        error = "cannot open the UI resource archive " + archive + " (missing, or not a ZIP archive)";
        if (source.archive.empty())
            error += "; install the product data with scripts/setup, or name one with --archive or --data";
        return false;
    }
    opened.description = "archive " + archive;
    opened.resourceFolder = fs::path(archive).parent_path().string();
    opened.resources = std::move(provider);
    return true;
}

void LoadDefinitions(const vy::IResourceProvider& resources, LoadedDefinitions& loaded)
{
    loaded.parametersFound = loaded.defs.LoadParamDefs(resources, loaded.current, &loaded.report);
    loaded.defs.LoadGroupDefs(resources, &loaded.report);
    loaded.defs.LoadDefaultEffects(resources, &loaded.report);
    loaded.defs.LoadEffectFiles(resources, "effect", &loaded.report);
    loaded.rulesFound = loaded.rules.Load(resources, &loaded.report);
    loaded.rules.ApplyModelOverride(vy::kModelPX40);
}

}  // namespace px40ctl
