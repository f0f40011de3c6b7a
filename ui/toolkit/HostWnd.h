#pragma once

#include "base/MessageTarget.h"
#include "ui/toolkit/Messages.h"
#include "ui/toolkit/Window.h"

#include <string>
#include <vector>

namespace vy {

class SHostWnd;

// A handler of a host window's messages (a page hooked into the main
// window). True when handled: later handlers and the window do not see it.
class IHostMessageHandler {
public:
    virtual ~IHostMessageHandler() = default;
    virtual bool OnHostMessage(SHostWnd* host, uint32_t msg, uintptr_t wParam, intptr_t lParam, intptr_t& result) = 0;
};

// A top-level window built from a layout ("LAYOUT:XML_MAINWND"): the root
// control of its tree, a message target on the UI loop (PostMessage from any
// thread, SendMessage, timers by numeric id delivered as WM_TIMER), and the
// end of every control event's trip through its handler chain.
//
// Layout: <SOUI title=".." width=".." height=".." trCtx=".." toolwindow="1"
// translucent="1" resizable="0"><root ...>controls</root></SOUI>.
class SHostWnd : public SWindow, public CMessageTarget {
    Q_OBJECT
    VY_WIDGET_CLASS(SHostWnd, SWindow, "hostwnd")
public:
    explicit SHostWnd(std::string layoutName = {}, QWidget* owner = nullptr);
    ~SHostWnd() override;

    // Builds the window from its layout, hidden. False (and logged) when
    // the layout is missing or not valid XML.
    bool Create();
    bool CreateFromXml(const pugi::xml_node& root);
    bool IsCreated() const { return m_created; }
    const std::string& LayoutName() const { return m_layoutName; }
    // WM_DESTROY, then hidden; an auto-delete window deletes itself later.
    void DestroyWindow();
    bool IsDestroyed() const { return m_destroyed; }
    void SetAutoDelete(bool autoDelete) { m_autoDelete = autoDelete; }
    const std::string& GetTrContext() const { return m_trContext; }
    // Centres over `over` (or the screen's work area).
    void CenterWindow(QWidget* over = nullptr);

    void AddEventHandler(IUiEventHandler* handler);
    void RemoveEventHandler(IUiEventHandler* handler);
    // The chain: handlers in the order added, then the window's own
    // OnUiEvent. The first that handles the event ends it.
    bool DispatchUiEvent(CUiEvent& event);

    void AddMessageHandler(IHostMessageHandler* handler);
    void RemoveMessageHandler(IHostMessageHandler* handler);

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    // The window's own handling of control events after the chain.
    virtual bool OnUiEvent(CUiEvent& event);
    // Message path: the application's filters, the message handlers, then
    // HandleMessage.
    intptr_t OnMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;
    virtual intptr_t HandleMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam);
    virtual bool OnInitDialog() { return true; }
    virtual void OnTimer(uint32_t id);
    virtual void OnCommand(int id);
    virtual void OnClose() { DestroyWindow(); }
    virtual void OnDestroy() {}

    void closeEvent(QCloseEvent* event) override;

private:
    std::string m_layoutName;
    QWidget* m_owner;
    std::string m_trContext;
    bool m_created = false;
    bool m_destroyed = false;
    bool m_autoDelete = false;
    bool m_resizable = true;
    std::vector<IUiEventHandler*> m_eventHandlers;
    std::vector<IHostMessageHandler*> m_messageHandlers;
};

}  // namespace vy
