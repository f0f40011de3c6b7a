#pragma once

#include "device/CommunicateDevice.h"
#include "device/Packet.h"

#include <atomic>
#include <string>

namespace vy {

// One HID device opened by its path: whole reports written and read through
// separate write and read descriptors, a read cancelled through an eventfd
// watched in the same poll. The open step is virtual so that another kind of
// node (an emulator socket) can stand in for a hidraw node; everything after
// it is shared.
class CHidBase : public ICommunicateDevice {
public:
    explicit CHidBase(std::string path);
    ~CHidBase() override;
    CHidBase(const CHidBase&) = delete;
    CHidBase& operator=(const CHidBase&) = delete;

    bool IsOpen() override;
    bool OpenDevice() override;
    void CloseDevice() override;
    bool Write(const uint8_t* data, int length) override;
    bool Read(const uint8_t** packet, int timeoutMs) override;
    void CancelRead() override;
    int GetInputLength() override;
    int GetOutputLength() override;
    std::string GetDevicePath() override { return m_path; }

protected:
    // What the open step hands over. Lengths include the report-id byte.
    struct SHandles {
        int readFd = -1;
        int writeFd = -1;
        int inputLength = 0;
        int outputLength = 0;
        // Input reports arrive with their report-id byte first (numbered
        // reports on hidraw, every report from an emulator socket).
        bool readsReportId = false;
    };

    // Opens the node: the report lengths, then a write-only and a read-only
    // descriptor. On failure nothing stays open. The default opens a hidraw node.
    virtual bool OpenHandles(SHandles& handles);

    // Writes wait at most this long for the node to take the report.
    static constexpr int kWriteTimeoutMs = 1000;

private:
    static constexpr int kHalfSize = kMaxReportLength;

    std::string m_path;
    std::atomic<int> m_writeFd { -1 };
    std::atomic<int> m_readFd { -1 };
    std::atomic<int> m_cancelFd { -1 };
    int m_inputLength = 0;
    int m_outputLength = 0;
    bool m_readsReportId = false;
    uint8_t m_recvBuffers[2 * kHalfSize] = {};
    uint8_t m_sendBuffer[kMaxReportLength] = {};
    int m_bufferSelector = 0;
};

// The log and user text for a device node the user may not open.
std::string PermissionFixText(const std::string& path);

} // namespace vy
