// The session with the card: connect, heartbeat, disconnect, sign-off,
// arrival and removal, another model, resume.
#include "base/Log.h"
#include "base/MessageTarget.h"
#include "device/CommDeviceMgmt.h"
#include "device/CommunicateDevice.h"
#include "device/hid/DevicePath.h"
#include "model/RuleSet.h"
#include "protocol/DeviceEvents.h"
#include "protocol/DeviceReconnector.h"
#include "protocol/TipSink.h"
#include "protocol/VYAudioProtocol.h"

#include <algorithm>
#include <cctype>

namespace vy {
namespace {

bool SamePath(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

ICommDeviceMgmt* CVYAudioProtocol::DeviceManager() const
{
    ICommDeviceMgmt* manager = m_appManager.load();
    return manager ? manager : m_manager.load();
}

void CVYAudioProtocol::SetMainWindow(IMessageTarget* window)
{
    std::lock_guard<std::mutex> guard(m_windowMutex);
    m_mainWindow = window;
}

bool CVYAudioProtocol::PostToMainWindow(uint32_t msg, uintptr_t wParam, intptr_t lParam)
{
    std::lock_guard<std::mutex> guard(m_windowMutex);
    return m_mainWindow && m_mainWindow->PostMessage(msg, wParam, lParam);
}

void CVYAudioProtocol::SetHeartbeatTiming(const SHeartbeatTiming& timing)
{
    std::lock_guard<std::mutex> guard(m_timingMutex);
    m_heartbeatTiming = timing;
}

SHeartbeatTiming CVYAudioProtocol::HeartbeatTiming() const
{
    std::lock_guard<std::mutex> guard(m_timingMutex);
    return m_heartbeatTiming;
}

bool CVYAudioProtocol::SendHeartbeat(int timeoutMs)
{
    ICommDeviceMgmt* manager = DeviceManager();
    if (!manager)
        return false;
    PacketBuffer request {}, reply {};
    request[kPacketCode] = cmd::kControl;
    request[kPacketPayload] = cmd::kTakeControl;
    return manager->SendAndReceive(request.data(), reply.data(), 1, timeoutMs);
}

void CVYAudioProtocol::PostEvent(EventPtr event)
{
    if (SNotifyCenter* center = m_notifyCenter.load())
        center->Post(std::move(event));
}

bool CVYAudioProtocol::Connect()
{
    m_connected = Handshake(cmd::kTakeControl) ? 1 : 0;
    // The heartbeat runs whether or not the card took the handshake: its
    // first failure then ends the session.
    if (!m_heartbeat->IsRunning())
        m_heartbeat->Start();
    if (!m_connected)
        return false;
    PacketBuffer info {};
    if (GetDeviceInfo(info.data()))
        m_deviceInfo = info;
    SyncDeviceCustomEffects();
    if (m_rules->SupportSyncDeviceParams() != 0) {
        std::map<int32_t, int32_t> values;
        if (ReadDeviceParams(values)) {
            AdoptDeviceState(values);
            return true;
        }
        VY_LOG("the card's values could not be read: the program's values are written instead");
    }
    SendAllParams(1);
    return true;
}

void CVYAudioProtocol::AdoptDeviceState(const std::map<int32_t, int32_t>& values)
{
    const std::vector<EffectRecord>& effects = m_defs.Effects();
    auto number = values.find(m_defs.EffectNumberParam());
    if (number != values.end()) {
        const int32_t index = DecodeConnectEffect(number->second);
        if (index >= 0 && index < static_cast<int32_t>(effects.size())) {
            m_current = effects[static_cast<size_t>(index)];
        } else {
            VY_LOG("the card reports effect number 0x%02x, which names no effect", number->second);
            if (!effects.empty())
                m_current = effects[0];
            if (m_tips)
                m_tips->ShowTip(kBadDeviceEffectTip, kTipDurationMs, true);
        }
    }
    for (const auto& [paramNo, value] : values) {
        // The record holds 64 values; numbers past them have nowhere to go.
        if (paramNo >= 0 && paramNo < static_cast<int32_t>(kEffectValueCount))
            m_current.values[paramNo] = value;
    }
    RaiseParamChanged();
}

void CVYAudioProtocol::Disconnect()
{
    m_connected = 0;
    if (m_heartbeat->IsRunning())
        m_heartbeat->Stop();
    if (ICommDeviceMgmt* manager = DeviceManager())
        manager->Close();
}

bool CVYAudioProtocol::SignOff()
{
    m_connected = 0;
    const std::vector<ParamDef>& defs = m_defs.ParamDefs();
    for (size_t i = 0; i < defs.size() && i < kEffectValueCount; ++i) {
        if (defs[i].bRecord == 0)
            m_current.values[i] = m_saved.values[i];
    }
    if (m_rules->SupportSyncDeviceParams() == 0)
        m_settings->WriteEffect(settings::kLastStatus, settings::kCurrentEffect, m_current);
    if (!m_manager.load())
        return false;
    return Handshake(cmd::kRelease);
}

void CVYAudioProtocol::OnDeviceChanged(int removed, const std::string& path)
{
    if (removed) {
        // Another device going away leaves the open one alone.
        ICommDeviceMgmt* manager = DeviceManager();
        ICommunicateDevice* device = manager && manager->IsOpen() ? manager->GetDevice() : nullptr;
        if (device && !SamePath(device->GetDevicePath(), path))
            return;
        m_connected = 0;
    } else {
        uint16_t vendorId = 0, productId = 0;
        if (!ParseVidPid(path, vendorId, productId) || vendorId != m_config.vendorId
            || productId != m_config.productId)
            return;
        Connect();
    }
    PostEvent(std::make_shared<EventDeviceChanged>());
}

void CVYAudioProtocol::OnAnotherDevice(int flag, const std::string& path)
{
    if (flag != 0) {
        m_connected = 0;
    } else {
        if (m_config.resources)
            m_rules->Load(*m_config.resources);
        ReplacePackData(CreatePackData(m_config.model));
        m_rules->ApplyModelOverride(m_config.model);
        Init();
        Connect();
    }
    VY_LOG("device model %s at %s", m_config.model.c_str(), path.c_str());
    PostEvent(std::make_shared<EventDeviceChanged>());
    PostEvent(std::make_shared<EventAnotherDevice>());
}

void CVYAudioProtocol::OnResume()
{
    if (m_reconnector)
        m_reconnector->ReconnectDevice();
    ICommDeviceMgmt* manager = DeviceManager();
    if (manager && manager->IsOpen()) {
        ICommunicateDevice* device = manager->GetDevice();
        uint16_t vendorId = 0, productId = 0;
        if (device && ParseVidPid(device->GetDevicePath(), vendorId, productId) && vendorId == m_config.vendorId
            && productId == m_config.productId)
            Connect();
        return;
    }
    PostEvent(std::make_shared<EventDeviceChanged>());
}

} // namespace vy
