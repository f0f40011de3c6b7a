// px40ctl device set NUMBER=VALUE...: one write series (0x94) with the width
// tags of the product's parameter definitions.
#include "CmdDevice.h"
#include "DefinitionSource.h"

#include "protocol/VYAudioProtocol.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace px40ctl {
namespace {

// Values travel in 13 bits.
constexpr int32_t kMaxValue = 0x1FFF;

struct SetArgs {
    SDeviceOptions device;
    DefinitionSource source;
    std::vector<std::string> assignments;
};

bool ParseAssignment(const std::string& text, int32_t& number, int32_t& value)
{
    char rest = 0;
    return std::sscanf(text.c_str(), "%d=%d%c", &number, &value, &rest) == 2;
}

void Setup(CLI::App& app, int& exitCode)
{
    auto args = std::make_shared<SetArgs>();
    CLI::App* set = DeviceCommand(app)->add_subcommand(
        "set", "Write parameter values (0x94): NUMBER=VALUE..., tagged as the definitions say");
    AddDeviceOptions(set, args->device);
    AddDefinitionOptions(set, args->source);
    set->add_option("ASSIGNMENT", args->assignments, "NUMBER=VALUE")->required();
    set->callback([args, &exitCode] {
        vy::CVYAudioProtocol protocol;
        OpenedDefinitions opened;
        std::string error;
        if (!OpenDefinitions(args->source, opened, error)) {
            PrintError(error);
            exitCode = kExitFailed;
            return;
        }
        vy::EffectRecord current;
        if (!protocol.Definitions().LoadParamDefs(*opened.resources, current)) {
            PrintError("no parameter definitions in " + opened.description);
            exitCode = kExitFailed;
            return;
        }
        const auto defined = static_cast<int32_t>(protocol.Definitions().ParamDefs().size());
        for (const std::string& text : args->assignments) {
            int32_t number = 0, value = 0;
            if (!ParseAssignment(text, number, value)) {
                PrintError("'" + text + "' is not NUMBER=VALUE");
                exitCode = kExitUsage;
                return;
            }
            if (number < 0 || number >= defined) {
                PrintError("parameter " + std::to_string(number) + " is not defined (0 to "
                    + std::to_string(defined - 1) + ")");
                exitCode = kExitUsage;
                return;
            }
            if (value < 0 || value > kMaxValue) {
                PrintError("value " + std::to_string(value) + " does not fit 13 bits (0 to 8191)");
                exitCode = kExitUsage;
                return;
            }
            protocol.PendingWrites()[number] = value;
        }
        CDeviceSession session(args->device, &protocol);
        if (!session.Open()) {
            exitCode = kExitFailed;
            return;
        }
        if (!protocol.WriteParams(0)) {
            PrintError("the device did not acknowledge the write (0x94)");
            exitCode = kExitFailed;
            return;
        }
        exitCode = kExitOk;
    });
}

CCommandRegistrar registrar("device set", Setup);

} // namespace
} // namespace px40ctl
