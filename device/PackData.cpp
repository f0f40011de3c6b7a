#include "device/PackData.h"

#include "device/LinkExchange.h"

#include <chrono>
#include <thread>

namespace vy {

bool CPackData::OnConnectDevice(ICommDeviceMgmt* manager)
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_manager = manager;
    }
    if (!manager)
        return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(kConnectSettleMs));
    SScrambleParams session;
    const bool ok = ExchangeLinkParameters(*manager, session);
    std::lock_guard<std::mutex> guard(m_mutex);
    m_session = session;
    return ok;
}

SScrambleParams CPackData::SessionParams() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_session;
}

ICommDeviceMgmt* CPackData::Manager() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_manager;
}

} // namespace vy
