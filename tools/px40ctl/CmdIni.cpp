// px40ctl ini: read and write the program's INI settings files.
#include "Command.h"

#include "base/HexText.h"
#include "base/PrivateProfile.h"

#include <iostream>
#include <memory>
#include <vector>

namespace px40ctl {
namespace {

struct IniArgs {
    std::string file;
    std::string section;
    std::string key;
    std::string value;
    std::string defaultText;
    int defaultInt = 0;
    size_t size = 0;
};

void AddPositionals(CLI::App* sub, IniArgs& args, bool withKey)
{
    sub->add_option("FILE", args.file, "INI file")->required();
    sub->add_option("SECTION", args.section, "Section name")->required();
    if (withKey)
        sub->add_option("KEY", args.key, "Key name")->required();
}

void Setup(CLI::App& app, int& exitCode)
{
    auto args = std::make_shared<IniArgs>();
    CLI::App* ini = app.add_subcommand("ini", "Read and write INI settings files (UTF-16, as the program stores them)");
    ini->require_subcommand(1);

    CLI::App* get = ini->add_subcommand("get", "Print a key's string value");
    AddPositionals(get, *args, true);
    get->add_option("--default", args->defaultText, "Printed when the key is absent");
    get->callback([args, &exitCode] {
        std::cout << vy::CPrivateProfile::GetString(args->file, args->section, args->key, args->defaultText) << '\n';
        exitCode = kExitOk;
    });

    CLI::App* getInt = ini->add_subcommand("get-int", "Print a key's integer value");
    AddPositionals(getInt, *args, true);
    getInt->add_option("--default", args->defaultInt, "Printed when the key is absent or empty");
    getInt->callback([args, &exitCode] {
        std::cout << vy::CPrivateProfile::GetInt(args->file, args->section, args->key, args->defaultInt) << '\n';
        exitCode = kExitOk;
    });

    CLI::App* getStruct = ini->add_subcommand("get-struct", "Print a stored record's bytes as hex");
    AddPositionals(getStruct, *args, true);
    getStruct->add_option("SIZE", args->size, "Record size in bytes")->required()->check(CLI::Range(1, 1 << 20));
    getStruct->callback([args, &exitCode] {
        std::vector<uint8_t> bytes(args->size);
        if (!vy::CPrivateProfile::GetStruct(args->file, args->section, args->key, bytes.data(), bytes.size())) {
            PrintError("no record of " + std::to_string(args->size) + " bytes at [" + args->section + "] " +
                       args->key + " (absent, or its size or checksum does not match)");
            exitCode = kExitFailed;
            return;
        }
        std::cout << vy::FormatHexBytes(bytes.data(), bytes.size()) << '\n';
        exitCode = kExitOk;
    });

    CLI::App* set = ini->add_subcommand("set", "Write a key's string value");
    AddPositionals(set, *args, true);
    set->add_option("VALUE", args->value, "Value")->required();
    set->callback([args, &exitCode] {
        if (!vy::CPrivateProfile::WriteString(args->file, args->section, args->key, args->value)) {
            PrintError("cannot write " + args->file);
            exitCode = kExitFailed;
            return;
        }
        exitCode = kExitOk;
    });

    CLI::App* setStruct = ini->add_subcommand("set-struct", "Write a record given as hex bytes");
    AddPositionals(setStruct, *args, true);
    setStruct->add_option("HEX", args->value, "Record bytes as hex")->required();
    setStruct->callback([args, &exitCode] {
        std::vector<uint8_t> bytes;
        if (!vy::ParseHexBytes(args->value, bytes)) {
            PrintError("HEX must be an even number of hex digits");
            exitCode = kExitUsage;
            return;
        }
        if (!vy::CPrivateProfile::WriteStruct(args->file, args->section, args->key, bytes.data(), bytes.size())) {
            PrintError("cannot write " + args->file);
            exitCode = kExitFailed;
            return;
        }
        exitCode = kExitOk;
    });

    CLI::App* remove = ini->add_subcommand("delete", "Delete a key, or a whole section when no key is given");
    AddPositionals(remove, *args, false);
    remove->add_option("KEY", args->key, "Key name");
    remove->callback([args, &exitCode] {
        bool ok = args->key.empty() ? vy::CPrivateProfile::DeleteSection(args->file, args->section)
                                    : vy::CPrivateProfile::DeleteKey(args->file, args->section, args->key);
        if (!ok) {
            PrintError("cannot write " + args->file);
            exitCode = kExitFailed;
            return;
        }
        exitCode = kExitOk;
    });
}

CCommandRegistrar registrar("ini", Setup);

}  // namespace
}  // namespace px40ctl
