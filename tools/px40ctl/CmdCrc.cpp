// px40ctl crc: the card's check byte of some bytes.
#include "Command.h"

#include "base/HexText.h"
#include "device/Packet.h"

#include <cstdio>
#include <memory>

namespace px40ctl {
namespace {

void Setup(CLI::App& app, int& exitCode)
{
    auto hex = std::make_shared<std::string>();
    CLI::App* crc = app.add_subcommand("crc", "Print the check byte of the given bytes (two lower-case hex digits)");
    crc->add_option("HEX", *hex, "The bytes as hex digit pairs (\"616263\"); empty for none")->required();
    crc->callback([hex, &exitCode] {
        std::vector<uint8_t> bytes;
        if (!vy::ParseHexBytes(*hex, bytes)) {
            PrintError("not hex bytes: " + *hex);
            exitCode = kExitUsage;
            return;
        }
        std::printf("%02x\n", vy::CheckByte(bytes.data(), bytes.size()));
        exitCode = kExitOk;
    });
}

CCommandRegistrar registrar("crc", Setup);

} // namespace
} // namespace px40ctl
