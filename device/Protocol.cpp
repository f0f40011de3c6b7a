#include "device/Protocol.h"

#include "base/Log.h"
#include "device/CommEncrypt.h"

namespace vy {

CProtocol::CProtocol(int packetLength)
    : m_packetLength(packetLength)
{
}

bool CProtocol::CheckReply(const uint8_t* reply, uint8_t expectedCode)
{
    const int length = m_packetLength.load();
    if (!reply || !LengthUsable(length)) {
        VY_LOG("CheckReply error: packet length %d does not fit the reply buffer", length);
        return false;
    }
    const uint8_t computed = CheckByte(reply, static_cast<size_t>(length - 1));
    if (reply[length - 1] != computed) {
        VY_LOG("CheckReply error: reply crc 0x%02x != 0x%02x  cmd=0x%02x", reply[length - 1], computed,
            reply[kPacketCode]);
        return false;
    }
    if (reply[kPacketCode] != expectedCode) {
        VY_LOG("CheckReply error: reply cmd 0x%02x != 0x%02x", reply[kPacketCode], expectedCode);
        return false;
    }
    if (reply[kPacketStatus] != kStatusAccepted) {
        VY_LOG(
            "CheckReply error: reply falg 0x%02x != 0x%02x  cmd=0x%02x", reply[kPacketStatus], 255, reply[kPacketCode]);
        return false;
    }
    return true;
}

void CProtocol::AddCrc(uint8_t* packet)
{
    const int length = m_packetLength.load();
    if (!packet || !LengthUsable(length))
        return;
    packet[length - 1] = CheckByte(packet, static_cast<size_t>(length - 1));
}

void CProtocol::Encrypt(uint8_t* packet)
{
    if (ICommEncrypt* encrypt = m_encrypt.load())
        encrypt->Encrypt(packet);
}

void CProtocol::Decrypt(uint8_t* packet)
{
    if (ICommEncrypt* encrypt = m_encrypt.load())
        encrypt->Decrypt(packet);
}

} // namespace vy
