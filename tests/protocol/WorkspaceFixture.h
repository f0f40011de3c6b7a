#pragma once

// A workspace on the deterministic UI loop with its settings file in a
// temporary folder, the product's definitions, and an emulated card over the
// real socket.
#include "base/MessageTarget.h"
#include "base/PrivateProfile.h"
#include "model/RuleSet.h"
#include "protocol/ParamControlBinder.h"
#include "protocol/WorkspaceEvents.h"
#include "tests/protocol/ProtocolFixture.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vy::test {

// The workspace with its connected flag in the test's hands (the session
// sets it in the program).
class CTestWorkspace : public CVYAudioProtocol {
public:
    using CVYAudioProtocol::CVYAudioProtocol;
    using CVYAudioProtocol::SetConnected;
};

// The main window as the workspace sees it: it hands timer 100 back to the
// send throttle and keeps every other message.
class CMainWindowTarget : public CMessageTarget {
public:
    CMainWindowTarget(IUiLoop& loop, CVYAudioProtocol& workspace)
        : CMessageTarget(loop)
        , m_workspace(workspace)
    {
    }
    std::vector<std::pair<uint32_t, uintptr_t>> messages;

protected:
    intptr_t OnMessage(uint32_t msg, uintptr_t wParam, intptr_t) override
    {
        if (msg == WM_TIMER && wParam == kSendThrottleTimerId)
            m_workspace.OnSendThrottleTimer();
        else
            messages.emplace_back(msg, wParam);
        return 0;
    }

private:
    CVYAudioProtocol& m_workspace;
};

// A page whose controls are numbered 1000 + parameter number; it remembers
// the last value each control was moved to.
class CRecordingBinder : public IParamControlBinder {
public:
    explicit CRecordingBinder(int32_t paramCount)
        : m_paramCount(paramCount)
    {
    }
    int PrimaryControl(int32_t paramNo) const override
    {
        return paramNo >= 0 && paramNo < m_paramCount ? 1000 + paramNo : -1;
    }
    void UpdateBoundControl(int controlId, int32_t value) override { shown[controlId] = value; }
    std::map<int, int32_t> shown;

private:
    int32_t m_paramCount;
};

// Rule documents with the switches the tests turn.
inline std::string RuleXml(int customSync, int syncParams, int myEffects = 12, int tipOnChange = 1)
{
    return "<VyAudio><Rule>"
           "<Section Name=\"EffectRule\"><Item EffectNo=\"3\" IsForbidEQ=\"1\"/></Section>"
           "<Section Name=\"OtherRule\" MyEffectMaxCount=\""
        + std::to_string(myEffects) + "\" NeedTipSaveAsEffectByParamChange=\"" + std::to_string(tipOnChange)
        + "\"/>"
          "<Section Name=\"SupportCustomSync\" value=\""
        + std::to_string(customSync)
        + "\"/>"
          "<Section Name=\"SupportSyncDeviceEffectParam\" value=\""
        + std::to_string(syncParams) + "\"/></Rule></VyAudio>";
}

class WorkspaceTest : public ::testing::Test {
protected:
    WorkspaceTest()
        : m_resources(ProductData())
    {
        m_loop.AdoptCurrentThread();
        m_settingsPath = m_dir.File("data.db");
        UseRules(0, 0);
        EffectRecord defaults;
        CDefinitions defs;
        defs.LoadAll(m_resources, "effect", defaults);
        Emulator().WithState([&](emu::SEmuState& state) { emu::LoadProductDefaults(state, defs, defaults); });
    }
    ~WorkspaceTest() override
    {
        // The session ends before the workspace and the harness's manager go:
        // the heartbeat may be inside an exchange that calls back into both.
        if (m_workspace)
            m_workspace->Disconnect();
        m_harness.Disconnect();
        m_workspace.reset();
    }

    void UseRules(int customSync, int syncParams, int myEffects = 12, int tipOnChange = 1)
    {
        m_rules.LoadText(RuleXml(customSync, syncParams, myEffects, tipOnChange));
        m_rules.ApplyModelOverride("PX40");
    }

    // A fresh workspace over the same settings file, started and connected.
    CTestWorkspace& StartWorkspace(bool connect = true)
    {
        if (m_workspace)
            m_workspace->Disconnect();
        m_harness.Disconnect();
        m_window.reset();
        // The previous workspace ends before the next one reads the settings.
        m_workspace.reset();
        m_workspace = std::make_unique<CTestWorkspace>();
        CTestWorkspace& ws = *m_workspace;
        m_settings = std::make_unique<CSettingsFile>();
        EXPECT_TRUE(m_settings->Open(m_settingsPath));
        SWorkspaceConfig config;
        config.resources = &m_resources;
        config.resourceFolder = SourceDir() + "/data/res";
        ws.SetWorkspaceConfig(config);
        ws.SetUiLoop(&m_loop);
        ws.SetNotifyCenter(&m_center);
        ws.SetSettingsFile(m_settings.get());
        ws.SetRuleSet(&m_rules);
        ws.Start();
        m_window = std::make_unique<CMainWindowTarget>(m_loop, ws);
        ws.SetMainWindow(m_window.get());
        m_binder = std::make_unique<CRecordingBinder>(static_cast<int32_t>(ws.ParamDefs().size()));
        ws.SetControlBinder(m_binder.get());
        ws.SetupSendThrottle(m_window.get());
        if (connect) {
            EXPECT_TRUE(m_harness.Connect(&ws));
            ws.SetDeviceManager(&m_harness.Manager());
            ws.SetConnected(1);
        }
        return ws;
    }

    emu::CEmuServer& Emulator() { return m_harness.Emulator(); }
    template <class F> auto State(F&& f) { return Emulator().WithState(std::forward<F>(f)); }
    std::vector<emu::SEmuParamPacket> ParamPackets()
    {
        return State([](emu::SEmuState& state) { return state.paramPackets; });
    }
    void ClearPackets()
    {
        State([](emu::SEmuState& state) { state.paramPackets.clear(); });
    }
    // The items of every logged packet as (number, value).
    static std::map<int, int> Items(const std::vector<emu::SEmuParamPacket>& packets)
    {
        std::map<int, int> items;
        for (const auto& packet : packets)
            for (const auto& item : packet.items)
                items[item[0]] = (item[1] & 0x1F) << 8 | item[2];
        return items;
    }

    CTempDir m_dir;
    std::string m_settingsPath;
    CFakeUiLoop m_loop;
    SNotifyCenter m_center { m_loop };
    RuleSet m_rules;
    CFolderResourceProvider m_resources;
    std::unique_ptr<CSettingsFile> m_settings;
    std::unique_ptr<CTestWorkspace> m_workspace;
    std::unique_ptr<CMainWindowTarget> m_window;
    std::unique_ptr<CRecordingBinder> m_binder;
    CEmulatorHarness m_harness;
};

} // namespace vy::test
