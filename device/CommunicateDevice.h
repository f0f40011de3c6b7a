#pragma once

#include <cstdint>
#include <string>

namespace vy {

// A transport that moves whole HID reports to and from one device.
class ICommunicateDevice {
public:
    static constexpr int kNoTimeout = -1;

    virtual ~ICommunicateDevice() = default;

    virtual bool IsOpen() = 0;
    virtual bool OpenDevice() = 0;
    virtual void CloseDevice() = 0;
    // Sends one output report: report id 0, then `length` bytes of `data`,
    // zero-padded to the report length.
    virtual bool Write(const uint8_t* data, int length) = 0;
    // Receives one input report. On success `*packet` points at the bytes after
    // the report id, valid until the next Read starts. `timeoutMs` < 0 waits
    // without limit.
    virtual bool Read(const uint8_t** packet, int timeoutMs) = 0;
    // Makes a pending Read (or the next one) return at once.
    virtual void CancelRead() = 0;
    // Report lengths without the report-id byte; -1 while closed.
    virtual int GetInputLength() = 0;
    virtual int GetOutputLength() = 0;
    virtual std::string GetDevicePath() = 0;
};

} // namespace vy
