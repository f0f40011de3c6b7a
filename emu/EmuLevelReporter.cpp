#include "emu/EmuLevelReporter.h"

#include <algorithm>

namespace vy::emu {

CEmuLevelReporter::CEmuLevelReporter(std::function<void()> tick)
    : CThreadObject("px40-emu-levels")
    , m_tick(std::move(tick))
{
}

CEmuLevelReporter::~CEmuLevelReporter()
{
    Stop(2000);
}

bool CEmuLevelReporter::Start(int intervalMs)
{
    if (IsRunning())
        return false;
    m_intervalMs = std::max(1, intervalMs);
    return CThreadObject::Start();
}

int CEmuLevelReporter::Run()
{
    while (!WaitForStop(m_intervalMs))
        m_tick();
    return 0;
}

} // namespace vy::emu
