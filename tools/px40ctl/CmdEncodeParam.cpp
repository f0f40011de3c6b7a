// px40ctl encode-param: the three bytes a parameter value travels to the card as.
#include "Command.h"
#include "DefinitionSource.h"

#include "model/ParamEncoding.h"

#include <cstdio>
#include <iostream>
#include <memory>

namespace px40ctl {
namespace {

struct EncodeArgs {
    DefinitionSource source;
    int32_t number = 0;
    int32_t value = 0;
};

void Setup(CLI::App& app, int& exitCode)
{
    auto args = std::make_shared<EncodeArgs>();
    CLI::App* encode = app.add_subcommand(
        "encode-param", "Print the bytes (number, valByte << 5 | value bits 12..8, value bits 7..0) of a value");
    AddDefinitionOptions(encode, args->source);
    encode->add_option("NUMBER", args->number, "Parameter number (or the number of a packed word)")->required();
    encode->add_option("VALUE", args->value, "Value; only its low 13 bits travel")->required();
    encode->callback([args, &exitCode] {
        OpenedDefinitions opened;
        std::string error;
        if (!OpenDefinitions(args->source, opened, error)) {
            PrintError(error);
            exitCode = kExitFailed;
            return;
        }
        auto loaded = std::make_unique<LoadedDefinitions>();
        LoadDefinitions(*opened.resources, *loaded);
        vy::ParamTriplet bytes{};
        if (!vy::EncodeParam(loaded->defs.ParamDefs(), args->number, args->value, bytes)) {
            PrintError("parameter " + std::to_string(args->number) + " is not defined (" + opened.description +
                       " defines " + std::to_string(loaded->defs.ParamDefs().size()) + " parameters)");
            exitCode = kExitFailed;
            return;
        }
        char text[16];
        std::snprintf(text, sizeof text, "%02x %02x %02x", bytes[0], bytes[1], bytes[2]);
        std::cout << text << '\n';
        exitCode = kExitOk;
    });
}

CCommandRegistrar registrar("encode-param", Setup);

}  // namespace
}  // namespace px40ctl
