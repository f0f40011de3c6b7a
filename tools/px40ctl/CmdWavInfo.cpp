// px40ctl wav-info: what the program's WAV reader makes of a file.
#include "Command.h"

#include "audio/WaveFile.h"

#include <cstdio>
#include <iostream>
#include <memory>

namespace px40ctl {
namespace {

void Setup(CLI::App& app, int& exitCode)
{
    auto file = std::make_shared<std::string>();
    CLI::App* sub = app.add_subcommand(
        "wav-info", "Print a WAV file's format, data length and header length, or why the file is refused");
    sub->add_option("FILE", *file, "WAV file (only read, never changed)")->required();
    sub->callback([file, &exitCode] {
        vy::CWaveFile wave;
        vy::WaveFormatEx format;
        if (!wave.OpenReadOnly(*file, &format)) {
            PrintError(*file + " refused: " + wave.LastErrorText());
            exitCode = kExitFailed;
            return;
        }
        double seconds = format.avgBytesPerSec ? static_cast<double>(wave.GetDataLength()) / format.avgBytesPerSec : 0;
        char duration[32];
        std::snprintf(duration, sizeof duration, "%.3f", seconds);
        std::cout << "format: PCM, " << format.channels << (format.channels == 1 ? " channel, " : " channels, ")
                  << format.samplesPerSec << " Hz, " << format.bitsPerSample << " bits\n"
                  << "average bytes per second: " << format.avgBytesPerSec << '\n'
                  << "block align: " << format.blockAlign << '\n'
                  << "data length: " << wave.GetDataLength() << " bytes (" << duration << " s)\n"
                  << "header length: " << wave.GetHeaderLength() << " bytes\n";
        exitCode = kExitOk;
    });
}

CCommandRegistrar registrar("wav-info", Setup);

}  // namespace
}  // namespace px40ctl
