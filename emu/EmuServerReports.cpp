// The reports the emulated card sends on its own.
#include "emu/EmuCommandSet.h"
#include "emu/EmuLevelReporter.h"
#include "emu/EmuServer.h"

#include <cmath>

namespace vy::emu {

bool CEmuServer::TurnKnob(int param, int32_t value)
{
    if (param < 0 || param >= kEmuParamCount)
        return false;
    std::vector<uint8_t> report;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        SEmuParam& stored = m_device.State().params[static_cast<size_t>(param)];
        stored = StoreValue(stored, value);
        report = BuildParamReport(m_device.State().params, { param }, m_device.ReplyLength());
    }
    Push(report.data(), m_device.ReplyLength());
    return true;
}

int CEmuServer::ReportParams(const std::vector<int>& params)
{
    std::vector<uint8_t> report;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        report = BuildParamReport(m_device.State().params, params, m_device.ReplyLength());
    }
    return Push(report.data(), m_device.ReplyLength());
}

bool CEmuServer::ChangeCustomEffect(int slot, const std::vector<std::pair<int, int32_t>>& values)
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        auto& slots = m_device.State().customSlots;
        if (slot < 1 || slot > static_cast<int>(slots.size()))
            return false;
        SEmuParamStore& store = slots[static_cast<size_t>(slot - 1)];
        for (const auto& [number, value] : values) {
            if (number >= 0 && number < kEmuParamCount)
                store[static_cast<size_t>(number)] = StoreValue(store[static_cast<size_t>(number)], value);
        }
    }
    const std::vector<uint8_t> report = BuildCustomChangedReport(m_device.ReplyLength());
    Push(report.data(), m_device.ReplyLength());
    return true;
}

void CEmuServer::SetLevelReports(int perSecond, std::vector<uint8_t> levels)
{
    std::lock_guard<std::mutex> levelGuard(m_levelMutex);
    if (m_levelReporter) {
        m_levelReporter->Stop(2000);
        m_levelReporter.reset();
    }
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_levels = std::move(levels);
        m_levelTicks = 0;
    }
    if (perSecond <= 0)
        return;
    m_levelReporter = std::make_unique<CEmuLevelReporter>([this] { PushLevels(); });
    m_levelReporter->Start(1000 / perSecond);
}

void CEmuServer::PushLevels()
{
    std::vector<uint8_t> levels;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        levels = m_levels;
        if (levels.empty()) {
            // Two meters swinging slowly, the second behind the first.
            const double t = m_levelTicks * 0.15;
            levels = { static_cast<uint8_t>(50 + 45 * std::sin(t)), static_cast<uint8_t>(50 + 45 * std::sin(t - 0.8)) };
        }
        ++m_levelTicks;
    }
    const std::vector<uint8_t> report = BuildLevelReport(levels, m_device.ReplyLength());
    Push(report.data(), m_device.ReplyLength());
}

} // namespace vy::emu
