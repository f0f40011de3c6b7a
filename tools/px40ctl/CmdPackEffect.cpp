// px40ctl pack-effect: the packets an effect file is sent as, before the
// check byte is added, one per line in lower-case hex.
#include "Command.h"

#include "base/HexText.h"
#include "protocol/PackData201.h"
#include "protocol/PackData502.h"

#include <cstdio>
#include <iostream>
#include <memory>

namespace px40ctl {
namespace {

struct PackArgs {
    std::string file;
    std::string variant = "502";
    int number = 0;
    int reportLength = 41;
    std::string link;
};

bool ParseLink(const std::string& text, vy::SScrambleParams& params)
{
    unsigned seed = 0, modulus = 0, multiplier = 0, increment = 0;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%u,%u,%u,%u%c", &seed, &modulus, &multiplier, &increment, &rest) != 4)
        return false;
    if (seed > 0xFFFF || modulus > 0xFF || multiplier > 0xFFFF || increment > 0xFF)
        return false;
    params = vy::SScrambleParams { static_cast<uint16_t>(seed), static_cast<uint8_t>(modulus),
        static_cast<uint16_t>(multiplier), static_cast<uint8_t>(increment) };
    return true;
}

void Setup(CLI::App& app, int& exitCode)
{
    auto args = std::make_shared<PackArgs>();
    CLI::App* pack = app.add_subcommand(
        "pack-effect", "Print the packets of an effect file before the check byte, one a line in hex");
    pack->add_option("FILE", args->file, "Effect file")->required();
    pack->add_option("--variant", args->variant, "502: two lists, scrambled (PX40); 201: three lists")
        ->check(CLI::IsMember({ "502", "201" }))
        ->capture_default_str();
    pack->add_option("--number", args->number, "Effect number in the header")->required()->check(CLI::Range(0, 0xFFFF));
    pack->add_option("--report-length", args->reportLength,
            "Output report length, report id included; packets are one byte shorter")
        ->check(CLI::Range(41, 65))
        ->capture_default_str();
    pack->add_option(
        "--link", args->link, "Scrambling parameters SEED,MOD,MUL,INC (502; default 0,0,0,0: seed 100, modulus 20)");
    pack->callback([args, &exitCode] {
        std::unique_ptr<vy::CPackDataVariant> builder;
        if (args->variant == "502")
            builder = std::make_unique<vy::CPackData502>();
        else
            builder = std::make_unique<vy::CPackData201>();
        vy::SScrambleParams params;
        if (!args->link.empty() && !ParseLink(args->link, params)) {
            PrintError("--link takes SEED,MOD,MUL,INC (16, 8, 16 and 8 bits)");
            exitCode = kExitUsage;
            return;
        }
        builder->SetLinkParams(params);
        const int length = args->reportLength - 1;
        builder->SetPacketLength(length);
        if (!builder->LoadFile(args->file)) {
            PrintError(args->file + " is not a " + args->variant + " effect file (missing, short, or inconsistent)");
            exitCode = kExitFailed;
            return;
        }
        std::vector<vy::PacketBuffer> packets;
        if (!builder->BuildPackets(static_cast<uint16_t>(args->number), packets)) {
            PrintError("the file does not fit the packet headers");
            exitCode = kExitFailed;
            return;
        }
        for (const vy::PacketBuffer& packet : packets)
            std::cout << vy::FormatHexBytes(packet.data(), static_cast<size_t>(length - 1)) << '\n';
        exitCode = kExitOk;
    });
}

CCommandRegistrar registrar("pack-effect", Setup);

} // namespace
} // namespace px40ctl
