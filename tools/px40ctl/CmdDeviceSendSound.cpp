// px40ctl device send-sound FILE --slot N: a converted sound (a WAV image, or
// an IMA ADPCM stream for the other models) into a sound slot.
#include "CmdDevice.h"
#include "ProgressBar.h"

#include "base/MessageTarget.h"
#include "base/QueuedUiLoop.h"
#include "protocol/SoundTransferThread.h"
#include "protocol/VYAudioProtocol.h"

#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace px40ctl {
namespace {

constexpr int kExitRefused = 3;

struct SoundArgs {
    SDeviceOptions device;
    std::string file;
    int slot = 0;
};

// Draws the transfer's messages and ends the loop when it finishes.
class CTransferWindow : public vy::CMessageTarget {
public:
    explicit CTransferWindow(vy::CRunLoop& loop)
        : CMessageTarget(loop)
        , m_loop(loop)
    {
    }
    int result = vy::kSoundTransferFailed;

protected:
    intptr_t OnMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) override
    {
        switch (msg) {
        case vy::kMsgSoundAccepted:
            m_total = static_cast<uint64_t>(lParam);
            m_bar.Show(0, "0 / " + std::to_string(m_total) + " bytes");
            break;
        case vy::kMsgSoundProgress:
            if (m_total > 0)
                m_bar.Show(static_cast<int>(wParam * 100 / m_total),
                    std::to_string(wParam) + " / " + std::to_string(m_total) + " bytes");
            break;
        case vy::kMsgSoundFinished:
            result = static_cast<int>(wParam);
            m_bar.Finish();
            m_loop.Quit();
            break;
        default:
            break;
        }
        return 0;
    }

private:
    vy::CRunLoop& m_loop;
    CProgressBar m_bar { "sound" };
    uint64_t m_total = 0;
};

void Setup(CLI::App& app, int& exitCode)
{
    auto args = std::make_shared<SoundArgs>();
    CLI::App* send = DeviceCommand(app)->add_subcommand("send-sound",
        "Store a converted sound in a sound slot (0xb0 header, 0xb2 data) with a progress bar; "
        "exit 3 when the device refuses it");
    AddDeviceOptions(send, args->device);
    send->add_option("FILE", args->file, "The converted byte stream, sent as it is")
        ->required()
        ->check(CLI::ExistingFile);
    send->add_option("--slot", args->slot, "Sound slot")->required()->check(CLI::Range(0, 255));
    send->callback([args, &exitCode] {
        std::ifstream in(args->file, std::ios::binary);
        const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) {
            PrintError("cannot read " + args->file);
            exitCode = kExitFailed;
            return;
        }
        if (data.empty()) {
            PrintError(args->file + " is empty: nothing to send");
            exitCode = kExitFailed;
            return;
        }
        vy::CVYAudioProtocol protocol;
        CDeviceSession session(args->device, &protocol);
        if (!session.Open()) {
            exitCode = kExitFailed;
            return;
        }
        vy::CRunLoop loop;
        loop.AdoptCurrentThread();
        CTransferWindow window(loop);
        vy::CSoundTransferThread transfer(protocol);
        const vy::SSoundTransferJob job { static_cast<uint16_t>(args->slot), data.data(),
            static_cast<uint32_t>(data.size()), &window };
        if (!transfer.Start(job)) {
            PrintError("cannot start the transfer thread");
            exitCode = kExitFailed;
            return;
        }
        loop.Run();
        transfer.Stop(2000);
        switch (window.result) {
        case vy::kSoundTransferDone:
            exitCode = kExitOk;
            break;
        case vy::kSoundTransferRefused:
            PrintError("the device refused the sound (longer than its slot takes)");
            exitCode = kExitRefused;
            break;
        default:
            PrintError("the sound was not taken: a packet was not acknowledged (--verbose shows which)");
            exitCode = kExitFailed;
            break;
        }
    });
}

CCommandRegistrar registrar("device send-sound", Setup);

} // namespace
} // namespace px40ctl
