// The workspace: effect hotkeys, their registration and their section of the
// settings file.
#include "base/HotkeyRegistrar.h"
#include "base/PrivateProfile.h"
#include "protocol/AppHotkeys.h"
#include "protocol/VYAudioProtocol.h"

namespace vy {

EffectRecord* CVYAudioProtocol::EffectAt(int32_t globalIndex)
{
    std::vector<EffectRecord>& effects = m_defs.Effects();
    if (globalIndex >= 0 && globalIndex < static_cast<int32_t>(effects.size()))
        return &effects[static_cast<size_t>(globalIndex)];
    const int32_t slot = globalIndex - m_defs.DeviceEffectCount();
    if (slot >= 0 && slot < static_cast<int32_t>(m_myEffects.size()))
        return &m_myEffects[static_cast<size_t>(slot)];
    return nullptr;
}

bool CVYAudioProtocol::SetEffectHotkey(int32_t globalIndex, uint32_t hotkey)
{
    EffectRecord* record = EffectAt(globalIndex);
    if (!record)
        return false;
    record->hotkey = static_cast<int32_t>(hotkey);
    m_hotkeys[globalIndex] = hotkey;
    return SaveEffectHotkeys();
}

bool CVYAudioProtocol::ClearEffectHotkey(int32_t globalIndex)
{
    if (EffectRecord* record = EffectAt(globalIndex))
        record->hotkey = 0;
    m_hotkeys.erase(globalIndex);
    return SaveEffectHotkeys();
}

bool CVYAudioProtocol::SaveEffectHotkeys()
{
    const std::string path = m_settings->Path();
    if (path.empty())
        return false;
    CProfileBatch batch(path);
    bool ok = m_settings->DeleteSection(settings::kEffectHotKey);
    ok = m_settings->SetInt(settings::kEffectHotKey, settings::kCount, static_cast<long>(m_hotkeys.size())) && ok;
    for (const auto& [index, hotkey] : m_hotkeys) {
        if (hotkey != 0)
            ok = m_settings->SetInt(settings::kEffectHotKey, std::to_string(index), static_cast<long>(hotkey)) && ok;
    }
    return batch.Commit() && ok;
}

void CVYAudioProtocol::RegisterEffectHotkeys()
{
    if (!m_hotkeyRegistrar)
        return;
    for (const auto& [index, hotkey] : m_hotkeys) {
        if (hotkey != 0)
            m_hotkeyRegistrar->RegisterHotkey(index, hotkey);
    }
}

void CVYAudioProtocol::UnregisterEffectHotkeys()
{
    if (!m_hotkeyRegistrar)
        return;
    for (const auto& [index, hotkey] : m_hotkeys) {
        if (hotkey != 0)
            m_hotkeyRegistrar->UnregisterHotkey(index);
    }
}

void CVYAudioProtocol::RegisterAllHotkeys()
{
    if (!m_appHotkeys || !m_appHotkeys->IsHotkeySwitchOn())
        return;
    RegisterEffectHotkeys();
    m_appHotkeys->RegisterOtherHotkeys();
}

void CVYAudioProtocol::UnregisterAllHotkeys()
{
    if (!m_appHotkeys || !m_appHotkeys->IsHotkeySwitchOn())
        return;
    UnregisterEffectHotkeys();
    m_appHotkeys->UnregisterOtherHotkeys();
}

bool CVYAudioProtocol::IsHotkeyUsed(uint32_t hotkey) const
{
    if (hotkey == 0)
        return false;
    for (const auto& [index, value] : m_hotkeys) {
        if (value == hotkey)
            return true;
    }
    return false;
}

} // namespace vy
