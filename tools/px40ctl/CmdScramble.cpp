// px40ctl scramble: the easy scrambler applied to a packet.
#include "Command.h"

#include "base/HexText.h"
#include "device/ZanEasyEncrypt.h"

#include <iostream>
#include <memory>

namespace px40ctl {
namespace {

struct ScrambleArgs {
    unsigned seed = 0;
    unsigned modulus = 0;
    unsigned multiplier = 0;
    unsigned increment = 0;
    int count = vy::kScrambleCount;
    std::string hex;
};

void Setup(CLI::App& app, int& exitCode)
{
    auto args = std::make_shared<ScrambleArgs>();
    CLI::App* scramble = app.add_subcommand(
        "scramble", "Scramble (or unscramble: the same operation) bytes 4 to 4 + N - 1 of a packet");
    scramble->add_option("--seed", args->seed, "Seed, 0 to 65535 (0 means 100)")
        ->required()
        ->check(CLI::Range(0u, 65535u));
    scramble->add_option("--modulus", args->modulus, "Modulus, 0 to 255 (0 means 20)")
        ->required()
        ->check(CLI::Range(0u, 255u));
    scramble->add_option("--multiplier", args->multiplier, "Multiplier, 0 to 65535")
        ->required()
        ->check(CLI::Range(0u, 65535u));
    scramble->add_option("--increment", args->increment, "Increment, 0 to 255")
        ->required()
        ->check(CLI::Range(0u, 255u));
    scramble->add_option("--count", args->count, "Number of bytes transformed")
        ->check(CLI::Range(0, 1 << 16))
        ->capture_default_str();
    scramble->add_option("HEX", args->hex, "The packet as hex digit pairs")->required();
    scramble->callback([args, &exitCode] {
        std::vector<uint8_t> packet;
        if (!vy::ParseHexBytes(args->hex, packet)) {
            PrintError("not hex bytes: " + args->hex);
            exitCode = kExitUsage;
            return;
        }
        const vy::SScrambleParams params { static_cast<uint16_t>(args->seed), static_cast<uint8_t>(args->modulus),
            static_cast<uint16_t>(args->multiplier), static_cast<uint8_t>(args->increment) };
        // Bytes past the end of a short packet are simply not there to transform.
        vy::ScrambleBytes(packet.data(), packet.size(), params, args->count);
        std::cout << vy::FormatHexBytes(packet.data(), packet.size()) << '\n';
        exitCode = kExitOk;
    });
}

CCommandRegistrar registrar("scramble", Setup);

} // namespace
} // namespace px40ctl
