#pragma once

#include "audio/WaveFile.h"
#include "base/EventIds.h"
#include "base/NotifyCenter.h"
#include "base/ThreadObject.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vy {

class IResourceProvider;

// Raised when a decode run ends: the decoded WAV's path and status 1, or
// status 0 when nothing could be decoded. `Sender` is the owner given to Start.
class EventDecoderFinsh : public CEventBase {
public:
    static constexpr uint32_t kId = events::kDecoderFinsh;
    static constexpr const char* kName = "on_event_decoder_staus";

    EventDecoderFinsh(std::string wavPath, int status, const void* sender)
        : CEventBase(kId, kName), m_wavPath(std::move(wavPath)), m_status(status), m_sender(sender)
    {
    }
    const std::string& WavPath() const { return m_wavPath; }
    int Status() const { return m_status; }
    const void* Sender() const { return m_sender; }

private:
    std::string m_wavPath;
    int m_status;
    const void* m_sender;
};

// The built-in sound pad sounds: resources of type "mp3" with these names.
constexpr const char* kBuiltInMp3Type = "mp3";
constexpr const char* kBuiltInMp3Names[] = {"DJ_DHX", "DJ_ZS",   "DJ_QZ",   "DJ_XHX", "DJ_DEG",
                                            "DJ_GX",  "DJ_HYDG", "DJ_SHQH", "DJ_BS"};

// Decodes an MP3 (a file, or a built-in resource) to 16-bit PCM on a worker
// thread of low priority, scaled by a volume factor and cut after the frame
// that reaches the limit in whole seconds. The PCM goes frame by frame to a
// temporary file, which becomes a temporary WAV with the canonical header;
// EventDecoderFinsh is then posted to the notification center.
class CLibmadDecoder : public CThreadObject {
public:
    // The worker's nice value: below the UI and the device threads.
    static constexpr int kWorkerNice = 5;
    // Frames the worker needs to notice a stop request are short; this is
    // only the bound before the stop is logged as late.
    static constexpr int kStopTimeoutMs = 5000;
    static constexpr const char* kTempPrefix = "VyW";

    // `resources` serves the built-in sounds; `center` receives the finish
    // event (default: the process-wide center when Start is called).
    explicit CLibmadDecoder(const IResourceProvider* resources = nullptr, SNotifyCenter* center = nullptr);
    ~CLibmadDecoder() override;

    // Starts decoding `source` (a path, or a resource name when
    // `fromResource`) with the factor volumePercent / 100, stopping after
    // `limitSeconds`. Resets an earlier run first. False when the temporary
    // file cannot be made or the thread cannot start; no event follows then.
    bool Start(const std::string& source, float volumePercent, bool fromResource, const void* owner,
               int limitSeconds);
    // Stops the worker, waits until it has ended, then releases the input
    // and removes the raw temporary file.
    void Reset();

    // Valid on the UI thread once the finish event has arrived: the decoded
    // WAV (kept until the next run assembles another one) and its format.
    const std::string& WavPath() const { return m_wavPath; }
    const WaveFormatEx& OutputFormat() const { return m_format; }
    uint32_t TotalSamples() const { return m_totalSamples; }

    // Creates an empty temporary file "<TMPDIR>/VyWxxxxxx"; -1 on failure.
    static int MakeTempFile(std::string& path);

protected:
    int Run() override;

private:
    // libmad's callbacks, in the source file.
    struct Callbacks;
    friend struct Callbacks;

    bool LoadInput();
    bool AssembleWave();
    void CloseRawFile(bool remove);

    const IResourceProvider* m_resources;
    SNotifyCenter* m_center;
    SNotifyCenter* m_postTo = nullptr;
    const void* m_owner = nullptr;
    std::string m_source;
    std::vector<uint8_t> m_pcm;
    std::vector<uint8_t> m_input;
    size_t m_inputLength = 0;
    WaveFormatEx m_format;
    std::string m_rawPath;
    int m_rawFd = -1;
    std::string m_wavPath;
    bool m_fromResource = false;
    uint32_t m_totalSamples = 0;
    int m_limit = 0;
    float m_volumeFactor = 1.0f;
    bool m_writeFailed = false;
};

}  // namespace vy
