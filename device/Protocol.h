#pragma once

#include "device/CommProtocol.h"
#include "device/Packet.h"

#include <atomic>

namespace vy {

class ICommEncrypt;

// The frame of the card's packets: sealing with the check byte, checking
// replies, and the packet length, which follows the device's report length.
// The unsolicited-report side (OnRecvData, Attach, Detach) is the command
// set's business and stays abstract.
class CProtocol : public ICommProtocol {
public:
    explicit CProtocol(int packetLength = kDefaultPacketLength);

    bool CheckReply(const uint8_t* reply, uint8_t expectedCode) override;
    void AddCrc(uint8_t* packet) override;
    void Encrypt(uint8_t* packet) override;
    void Decrypt(uint8_t* packet) override;
    int GetPacketLength() override { return m_packetLength.load(); }
    void SetPacketLength(int length) override { m_packetLength = length; }

    // Installs a scrambler for every packet (not owned; null removes it).
    void SetEncrypt(ICommEncrypt* encrypt) { m_encrypt = encrypt; }

private:
    // Packet lengths that fit the 64-byte packet buffers.
    bool LengthUsable(int length) const { return length >= 1 && length <= kPacketBufferSize; }

    std::atomic<int> m_packetLength;
    std::atomic<ICommEncrypt*> m_encrypt { nullptr };
};

} // namespace vy
