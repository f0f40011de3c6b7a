#pragma once

#include "base/NotifyCenter.h"
#include "device/Packet.h"
#include "device/Protocol.h"
#include "model/Definitions.h"
#include "model/EffectRecord.h"
#include "model/ParamEncoding.h"
#include "device/hid/DeviceIds.h"
#include "protocol/CommandSet.h"
#include "protocol/ConnectWorkThread.h"
#include "protocol/PackDataVariant.h"
#include "protocol/SendThrottle.h"
#include "protocol/SettingsFile.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vy {

class ICommDeviceMgmt;
class IAppHotkeys;
class IDeviceReconnector;
class ITipSink;
class IHotkeyRegistrar;
class IMessageTarget;
class IParamControlBinder;
class IResourceProvider;
class IUiLoop;
class RuleSet;

// What the workspace loads for a device model (the model's descriptor).
struct SWorkspaceConfig {
    const IResourceProvider* resources = nullptr; // the definition documents
    std::string resourceFolder; // effect files lie below it
    std::string effectFileDocument = "effect";
    std::string downloadSection = settings::kDefaultDownloadSection;
    std::string model = "PX40";
    // The model's USB ids: an arrival with other ids is not connected.
    uint16_t vendorId = kPx40VendorId;
    uint16_t productId = kPx40ProductId;
};

// The toast shown when the card's effect number names no effect at connection.
constexpr const char* kBadDeviceEffectTip = "设备返回音效数据异常，已自动切换为第1个音效。";
constexpr int kTipDurationMs = 2000;

// The control ids and timer the workspace knows by number.
constexpr int kOneTouchSoundtrackId = 7010;
constexpr uint32_t kSendThrottleTimerId = 100;
constexpr uint32_t kSendThrottleIntervalMs = 200;

// The card's protocol object and the workspace of its sound settings, one
// object: the command set over the device manager it is attached to, the
// unsolicited reports turned into events, and the model of parameters,
// effects and hotkeys with its persistence in the settings file.
//
// Commands run on the calling thread (UI, heartbeat or transfer thread); the
// manager's send lock serialises them. Every command returns false at once
// while no manager is attached. Everything of the workspace (pending writes,
// definitions, effects) is UI-thread state.
//
// The owner ends the session (Disconnect) before destroying the object: the
// heartbeat may be inside an exchange that calls back into the protocol. The
// destructor stops it too, as a last resort.
//
// The definition is split by concern: VYAudioProtocol.cpp (commands),
// WorkSpace.cpp (loading, values, reports), WorkSpaceSelect.cpp (selection),
// WorkSpaceEdit.cpp (saving and editing), WorkSpaceHotkeys.cpp, Session.cpp
// (connect, heartbeat, sign-off, arrival and removal).
class CVYAudioProtocol : public CProtocol {
public:
    // Takes over the packet builder of the device model (null: the PX40's).
    explicit CVYAudioProtocol(std::unique_ptr<CPackDataVariant> packData = nullptr);
    ~CVYAudioProtocol() override;
    CVYAudioProtocol(const CVYAudioProtocol&) = delete;
    CVYAudioProtocol& operator=(const CVYAudioProtocol&) = delete;

    // Receive thread: level meters, custom-effect changes and parameter
    // reports are posted to the notification center; anything else is dropped.
    int OnRecvData(const uint8_t* packet) override;
    void Attach(ICommDeviceMgmt* manager) override { m_manager = manager; }
    void Detach() override { m_manager = nullptr; }
    ICommDeviceMgmt* Manager() const { return m_manager.load(); }

    // Where report events go; without a center, reports raise nothing.
    void SetNotifyCenter(SNotifyCenter* center) { m_notifyCenter = center; }

    CPackDataVariant& PackData() { return *m_packData; }
    void ReplacePackData(std::unique_ptr<CPackDataVariant> packData);

    // The parameter definitions (valByte of every written value).
    CDefinitions& Definitions() { return m_defs; }
    const CDefinitions& Definitions() const { return m_defs; }
    // Parameter words waiting for WriteParams: key -> value, ascending.
    ParamWords& PendingWrites() { return m_pending; }

    // --- commands ---
    // 0x90 with the take-control flag, then the link exchange of the packet builder.
    bool Handshake(uint8_t takeControl);
    // 0x90 with take-control 1, 5 attempts of 3000 ms, no link exchange.
    bool KeepAlive();
    // 0x92 into `reply` (64 bytes): hardware version at byte 4, firmware at 6, type at 14.
    bool GetDeviceInfo(uint8_t* reply);
    // The 64 values of device custom slot `slot` (from 1) by the 0x98 series.
    // `destination` is changed only on success; a series over 4000 ms fails.
    bool GetDevDiyEff(int slot, EffectRecord& destination);
    // The card's current values by the 0x9C series.
    bool ReadDeviceParams(std::map<int32_t, int32_t>& values);
    // Writes the pending words as a 0x94 series (0x96 with `custom`). Emptied
    // on success; kept for the next flush when a packet is not acknowledged.
    bool WriteParams(int custom);
    // Sends prepared packets in order, 3 attempts of 500 ms each, stopping at
    // the first failure. `progress` (may be null) follows in percent.
    bool SendPackets(const std::vector<PacketBuffer>& packets, std::atomic<int>* progress = nullptr);
    // Loads an effect file with the packet builder, builds its packets for
    // `number` and sends them.
    bool SendEffectFile(const std::string& path, uint16_t number, std::atomic<int>* progress = nullptr);

    // One request/reply with the attached manager; false when none.
    bool Exchange(uint8_t* request, uint8_t* reply, cmd::SRetry retry);

    // The clock of the custom-effect series limit (monotonic ms).
    void SetClock(std::function<int64_t()> clock);

    // --- workspace: links ---
    void SetWorkspaceConfig(SWorkspaceConfig config) { m_config = std::move(config); }
    const SWorkspaceConfig& WorkspaceConfig() const { return m_config; }
    // The UI loop whose clock the send throttle reads (required before Start).
    void SetUiLoop(IUiLoop* loop) { m_loop = loop; }
    void SetSettingsFile(CSettingsFile* file) { m_settings = file ? file : &CSettingsFile::Instance(); }
    CSettingsFile& Settings() { return *m_settings; }
    void SetRuleSet(RuleSet* rules);
    RuleSet& Rules() const { return *m_rules; }
    // The main window: events are raised only while it exists; hotkeys are
    // registered on it. Null when it does not exist.
    void SetMainWindow(IMessageTarget* window);
    IMessageTarget* MainWindow() const { return m_mainWindow; }
    void SetControlBinder(IParamControlBinder* binder) { m_binder = binder; }
    void SetHotkeyRegistrar(IHotkeyRegistrar* registrar) { m_hotkeyRegistrar = registrar; }
    void SetAppHotkeys(IAppHotkeys* appHotkeys) { m_appHotkeys = appHotkeys; }
    // The application's device manager (the one IsDeviceReady asks, the
    // heartbeat watches and Disconnect closes).
    void SetDeviceManager(ICommDeviceMgmt* manager) { m_appManager = manager; }
    // That manager, or while none was given the one the protocol is attached to.
    ICommDeviceMgmt* DeviceManager() const;
    // The effect page's set-up of the send throttle (timer 100, 200 ms).
    void SetupSendThrottle(IMessageTarget* window, uint32_t timerId = kSendThrottleTimerId,
        uint32_t intervalMs = kSendThrottleIntervalMs, bool deferAlways = false);
    CSendThrottle& SendThrottle() { return m_throttle; }
    // Timer `kSendThrottleTimerId` of the throttle's window fired.
    void OnSendThrottleTimer() { m_throttle.OnTimer(); }

    // --- workspace: life ---
    // Loads the definitions and the user's state from the settings file.
    void Init();
    // Init, then listens to the card's reports.
    void Start();
    // Empties every list (the counts go to 0) and stops listening.
    void Release();

    // --- workspace: reading ---
    int32_t GetValue(int32_t paramNo) const;
    const EffectRecord& Current() const { return m_current; }
    const EffectRecord& Saved() const { return m_saved; }
    const std::vector<ParamDef>& ParamDefs() const { return m_defs.ParamDefs(); }
    const std::vector<EffectRecord>& Effects() const { return m_defs.Effects(); }
    const std::vector<EffectRecord>& MyEffects() const { return m_myEffects; }
    const std::vector<EffectRecord>& EffectFiles() const { return m_defs.EffectFiles(); }
    const std::vector<EffectRecord>& ExtraEffects() const { return m_extraEffects; }
    const std::vector<EffectRecord>& Downloaded() const { return m_downloaded; }
    // The downloaded record with that cloud id, or null.
    const EffectRecord* FindDownloaded(int32_t cloudId) const;
    const std::vector<std::vector<int32_t>>& GroupParams() const { return m_groupParams; }
    const std::vector<std::string>& GroupNames() const { return m_groupNames; }
    const std::map<int32_t, uint32_t>& Hotkeys() const { return m_hotkeys; }
    int32_t DefaultEffectCount() const { return m_defs.DefaultEffectCount(); }
    int32_t DeviceCustomEffectCount() const { return m_defs.DeviceCustomEffectCount(); }
    int32_t DeviceEffectCount() const { return m_defs.DeviceEffectCount(); }
    int32_t EqFirstParam() const { return m_defs.EqFirstParam(); }
    int32_t EqBandCount() const { return m_defs.EqBandCount(); }
    int32_t EffectNumberParam() const { return m_defs.EffectNumberParam(); }
    int32_t GetEffectNumberValue() const { return GetValue(EffectNumberParam()); }
    bool IsConnected() const { return m_connected.load() != 0; }
    // A device manager exists, the session is connected and the device is open.
    bool IsDeviceReady() const;

    // The global index a reported effect number stands for: itself below
    // DeviceEffectCount, else a custom slot code, limited to the last slot.
    int32_t DecodeReportedEffect(int32_t value) const;
    // At connection: below 16 the index itself, else the custom slot code;
    // not limited (the caller checks the range).
    int32_t DecodeConnectEffect(int32_t value) const;

    // --- workspace: values ---
    void SetParam(int32_t paramNo, int32_t value);
    void OnUiParamChanged(int controlId, int32_t paramNo, int32_t value);
    bool SendAllParams(int all);
    bool SendEffectNumber(int32_t value);
    bool StoreEffectOnDevice(const EffectRecord& record);
    void ApplyRecord(const EffectRecord& record);
    void RaiseParamChanged();
    // The card's reports ("on_recv_data"): parameter changes and custom slot changes.
    void OnRecvData(const CEventBase& event);
    void SyncDeviceCustomEffects();

    // --- workspace: selection ---
    bool SelectDeviceEffect(int32_t globalIndex);
    bool SelectMyEffect(int32_t slot);
    bool SelectEffect(int32_t index, int32_t kind);
    bool SelectFileEffect(int32_t index, int32_t kind);
    bool SelectCloudEffect(int32_t cloudId);
    bool ApplyFileEffect(const EffectRecord& record, const std::string& path, uint16_t number);
    bool ResetGroupToEffect(int32_t group);
    bool ApplyPreset(int32_t group, int32_t slot);

    // --- workspace: editing ---
    bool SaveCurrentAs(int32_t slot, int32_t kind, const std::string& name);
    bool DeleteMyEffect(int32_t globalIndex);
    bool RenameMyEffect(int32_t globalIndex, const std::string& name);
    bool SetDeviceSlotRecord(int32_t slot, const EffectRecord& record);
    bool AddDownloaded(const EffectRecord& record);
    bool NameExists(int32_t kind, int32_t slot, const std::string& name) const;
    bool IsModified() const;
    bool SaveCustomPreset(const std::string& name, int32_t group, int32_t slot);
    const SPreset* GetPreset(int32_t slot, int32_t group) const;

    // --- workspace: hotkeys ---
    bool SetEffectHotkey(int32_t globalIndex, uint32_t hotkey);
    bool ClearEffectHotkey(int32_t globalIndex);
    bool SaveEffectHotkeys();
    void RegisterEffectHotkeys();
    void UnregisterEffectHotkeys();
    void RegisterAllHotkeys();
    void UnregisterAllHotkeys();
    bool IsHotkeyUsed(uint32_t hotkey) const;

    // --- session ---
    void SetTipSink(ITipSink* tips) { m_tips = tips; }
    void SetReconnector(IDeviceReconnector* reconnector) { m_reconnector = reconnector; }
    // The program keeps 3000 ms and 5 tries of 3000 ms; tests may shorten them.
    void SetHeartbeatTiming(const SHeartbeatTiming& timing);
    SHeartbeatTiming HeartbeatTiming() const;
    CConnectWorkThread& Heartbeat() { return *m_heartbeat; }
    // Handshake, heartbeat, device information, custom slots, then the card's
    // state adopted or the program's written. The handshake's result.
    bool Connect();
    // Not connected, heartbeat stopped, device manager closed.
    void Disconnect();
    // Puts back the values that are not kept, stores the current effect
    // unless the card's state is adopted, and releases the card (0x90, 0x0e).
    bool SignOff();
    // A device arrived (removed 0) or went away (removed 1).
    void OnDeviceChanged(int removed, const std::string& path);
    // Another device model became current (flag 0), with the workspace
    // config of the new model already set.
    void OnAnotherDevice(int flag, const std::string& path);
    // After a resume: reopen the device, connect again if it is the model's.
    void OnResume();
    // The last device information reply (0x92).
    const PacketBuffer& DeviceInfo() const { return m_deviceInfo; }

    // What the heartbeat thread uses: one try of take-control, and the main
    // window's message queue (safe from any thread).
    bool SendHeartbeat(int timeoutMs);
    bool PostToMainWindow(uint32_t msg, uintptr_t wParam, intptr_t lParam);

protected:
    void SetConnected(int connected) { m_connected = connected; }

private:
    // The packets of a parameter series for the pending words.
    std::vector<PacketBuffer> BuildParamSeries(uint8_t code);
    void PostReport(const uint8_t* packet, bool levels);

    // Workspace helpers.
    void BuildGroups();
    void LoadHotkeys();
    void LoadDownloaded();
    void RebuildDownloadedIndex();
    bool WriteDownloaded();
    // The record a hotkey of that global index lives in, or null.
    EffectRecord* EffectAt(int32_t globalIndex);
    bool IsMerged(int32_t paramNo) const;
    void OnParamReport(const uint8_t* packet);
    // The stored record of the current effect (by kind and index).
    EffectRecord StoredCurrent() const;
    bool FireIfMainWindow(const CEventBase& event);
    void AdoptDeviceState(const std::map<int32_t, int32_t>& values);
    void PostEvent(EventPtr event);

    std::atomic<ICommDeviceMgmt*> m_manager { nullptr };
    std::atomic<SNotifyCenter*> m_notifyCenter { nullptr };
    std::unique_ptr<CPackDataVariant> m_packData;
    CDefinitions m_defs;
    ParamWords m_pending;
    std::function<int64_t()> m_clock;

    // Workspace state.
    SWorkspaceConfig m_config;
    IUiLoop* m_loop = nullptr;
    CSettingsFile* m_settings = &CSettingsFile::Instance();
    RuleSet* m_rules = nullptr;
    IMessageTarget* m_mainWindow = nullptr;
    IParamControlBinder* m_binder = nullptr;
    IHotkeyRegistrar* m_hotkeyRegistrar = nullptr;
    IAppHotkeys* m_appHotkeys = nullptr;
    std::atomic<ICommDeviceMgmt*> m_appManager { nullptr };
    ITipSink* m_tips = nullptr;
    IDeviceReconnector* m_reconnector = nullptr;
    mutable std::mutex m_windowMutex;  // the main window as the heartbeat posts to it
    mutable std::mutex m_timingMutex;
    SHeartbeatTiming m_heartbeatTiming;
    PacketBuffer m_deviceInfo {};
    CSendThrottle m_throttle;
    EffectRecord m_current;
    EffectRecord m_saved;
    std::vector<std::vector<int32_t>> m_groupParams;
    std::vector<std::string> m_groupNames;
    std::vector<EffectRecord> m_myEffects;
    std::vector<EffectRecord> m_extraEffects;
    std::vector<EffectRecord> m_downloaded;
    std::map<int32_t, size_t> m_downloadedById;
    std::map<int32_t, uint32_t> m_hotkeys;
    // Per group; nothing fills them in this design (see ApplyPreset).
    std::vector<std::vector<SPreset>> m_presetLists;
    std::atomic<int> m_connected { 0 };
    CEventSubscription m_recvSubscription;
    // Last: it uses the rest, and is stopped first.
    std::unique_ptr<CConnectWorkThread> m_heartbeat;
};

} // namespace vy
