#include "device/CallbackProtocol.h"

namespace vy {

CCallbackProtocol::CCallbackProtocol(Receiver receiver, int packetLength)
    : CProtocol(packetLength)
    , m_receiver(std::move(receiver))
{
}

int CCallbackProtocol::OnRecvData(const uint8_t* packet)
{
    if (m_receiver && packet)
        m_receiver(packet);
    return 0;
}

} // namespace vy
