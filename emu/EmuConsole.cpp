#include "emu/EmuConsole.h"

#include "emu/EmuServer.h"

#include <cstdio>
#include <sstream>
#include <vector>

namespace vy::emu {
namespace {

constexpr const char* kHelp = "knob N VALUE           turn a knob: parameter N takes VALUE (report 0x9e)\n"
                              "report N...            report the stored values of parameters N...\n"
                              "custom SLOT N=V...     change custom slot SLOT on the card (report 0x9a)\n"
                              "levels RATE [L...]     level reports RATE times a second (0 stops)\n"
                              "refuse-above BYTES     refuse sounds longer than BYTES\n"
                              "version HW FW [TYPE]   device information bytes (23 reads V2.3)\n"
                              "params                 the current parameter values\n"
                              "slot SLOT              the values of custom slot SLOT\n"
                              "sounds                 the sound slots received\n"
                              "effect-file            the last effect file received\n";

bool ReadInt(std::istringstream& in, long& value)
{
    std::string word;
    if (!(in >> word))
        return false;
    char* end = nullptr;
    value = std::strtol(word.c_str(), &end, 0);
    return end && *end == '\0' && end != word.c_str();
}

std::string Values(const SEmuParamStore& store)
{
    std::string text;
    for (int n = 0; n < kEmuParamCount; ++n) {
        const SEmuParam& param = store[static_cast<size_t>(n)];
        if (param.present)
            text += std::to_string(n) + "=" + std::to_string(param.Value()) + "\n";
    }
    return text.empty() ? "(none)\n" : text;
}

} // namespace

std::string RunConsoleCommand(CEmuServer& server, const std::string& line)
{
    std::istringstream in(line);
    std::string command;
    if (!(in >> command))
        return {};
    if (command == "help")
        return kHelp;
    if (command == "knob") {
        long number = 0, value = 0;
        if (!ReadInt(in, number) || !ReadInt(in, value))
            return "usage: knob N VALUE\n";
        if (!server.TurnKnob(static_cast<int>(number), static_cast<int32_t>(value)))
            return "no parameter " + std::to_string(number) + " (0 to 63)\n";
        return "parameter " + std::to_string(number) + " = " + std::to_string(value) + " reported\n";
    }
    if (command == "report") {
        std::vector<int> numbers;
        long number = 0;
        while (ReadInt(in, number))
            numbers.push_back(static_cast<int>(number));
        if (numbers.empty())
            return "usage: report N...\n";
        return "reported to " + std::to_string(server.ReportParams(numbers)) + " host(s)\n";
    }
    if (command == "custom") {
        long slot = 0;
        if (!ReadInt(in, slot))
            return "usage: custom SLOT N=V...\n";
        std::vector<std::pair<int, int32_t>> values;
        std::string pair;
        while (in >> pair) {
            int number = 0, value = 0;
            char rest = 0;
            if (std::sscanf(pair.c_str(), "%d=%d%c", &number, &value, &rest) != 2)
                return "usage: custom SLOT N=V...\n";
            values.emplace_back(number, value);
        }
        if (!server.ChangeCustomEffect(static_cast<int>(slot), values))
            return "no custom slot " + std::to_string(slot) + "\n";
        return "custom slot " + std::to_string(slot) + " changed\n";
    }
    if (command == "levels") {
        long rate = 0, level = 0;
        if (!ReadInt(in, rate) || rate < 0 || rate > 1000)
            return "usage: levels RATE [L...] (RATE 0 to 1000)\n";
        std::vector<uint8_t> levels;
        while (ReadInt(in, level))
            levels.push_back(static_cast<uint8_t>(level));
        server.SetLevelReports(static_cast<int>(rate), levels);
        return rate ? "level reports " + std::to_string(rate) + " a second\n" : "level reports off\n";
    }
    if (command == "refuse-above") {
        long bytes = 0;
        if (!ReadInt(in, bytes) || bytes < 0 || bytes > 0xFFFFFF)
            return "usage: refuse-above BYTES (0 to 16777215)\n";
        server.WithState([&](SEmuState& state) { state.soundMaxLength = static_cast<uint32_t>(bytes); });
        return "sounds over " + std::to_string(bytes) + " bytes are refused\n";
    }
    if (command == "version") {
        long hardware = 0, firmware = 0, type = -1;
        if (!ReadInt(in, hardware) || !ReadInt(in, firmware))
            return "usage: version HW FW [TYPE]\n";
        const bool withType = ReadInt(in, type);
        server.WithState([&](SEmuState& state) {
            state.hardwareVersion = static_cast<uint8_t>(hardware);
            state.firmwareVersion = static_cast<uint8_t>(firmware);
            if (withType)
                state.deviceType = static_cast<uint8_t>(type);
        });
        return "device information set\n";
    }
    if (command == "params")
        return server.WithState([](SEmuState& state) { return Values(state.params); });
    if (command == "slot") {
        long slot = 0;
        if (!ReadInt(in, slot))
            return "usage: slot SLOT\n";
        return server.WithState([&](SEmuState& state) -> std::string {
            if (slot < 1 || slot > static_cast<long>(state.customSlots.size()))
                return "no custom slot " + std::to_string(slot) + "\n";
            return Values(state.customSlots[static_cast<size_t>(slot - 1)]);
        });
    }
    if (command == "sounds") {
        return server.WithState([](SEmuState& state) {
            std::string text;
            for (const auto& [slot, sound] : state.sounds) {
                text += "slot " + std::to_string(slot) + ": " + std::to_string(sound.length) + " bytes, "
                    + std::to_string(sound.receivedCount) + "/" + std::to_string(sound.packets) + " packets"
                    + (sound.complete ? ", complete\n" : "\n");
            }
            return text.empty() ? std::string("(none)\n") : text;
        });
    }
    if (command == "effect-file") {
        return server.WithState([](SEmuState& state) {
            const SEmuEffectFile& file = state.lastEffectFile;
            if (!file.complete)
                return std::string("(none)\n");
            return "number " + std::to_string(file.number) + ": " + std::to_string(file.headers.size())
                + " block(s), list A " + std::to_string(file.listA.size()) + ", list B "
                + std::to_string(file.listB.size()) + ", list C " + std::to_string(file.listC.size()) + " items\n";
        });
    }
    return "unknown command '" + command + "' (help lists them)\n";
}

} // namespace vy::emu
