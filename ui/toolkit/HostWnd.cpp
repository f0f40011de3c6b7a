#include "ui/toolkit/HostWnd.h"

#include "base/Log.h"
#include "base/Utf.h"
#include "ui/toolkit/AttrParse.h"
#include "ui/toolkit/UiApp.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

#include <algorithm>

namespace vy {
namespace {

pugi::xml_attribute AttributeNoCase(const pugi::xml_node& node, std::string_view name)
{
    for (pugi::xml_attribute a : node.attributes())
        if (EqualsNoCase(a.name(), name))
            return a;
    return {};
}

pugi::xml_node ChildNoCase(const pugi::xml_node& node, std::string_view name)
{
    for (pugi::xml_node c : node.children())
        if (c.type() == pugi::node_element && EqualsNoCase(c.name(), name))
            return c;
    return {};
}

}  // namespace

SHostWnd::SHostWnd(std::string layoutName, QWidget* owner)
    : SWindow(nullptr), CMessageTarget(CUiApp::Instance().Loop()), m_layoutName(std::move(layoutName)), m_owner(owner)
{
    // Layouts draw their own caption and frame.
    setParent(owner, Qt::Window | Qt::FramelessWindowHint);
    m_colorBkgnd = QColor(255, 255, 255);
}

SHostWnd::~SHostWnd()
{
    if (CUiApp* app = CUiApp::Current())
        if (app->MainWnd() == this)
            app->SetMainWnd(nullptr);
}

bool SHostWnd::Create()
{
    if (m_created)
        return true;
    pugi::xml_document doc;
    if (m_layoutName.empty() || !CUiApp::Instance().LoadXmlResource(m_layoutName, doc, "LAYOUT"))
        return false;
    return CreateFromXml(doc.document_element());
}

bool SHostWnd::CreateFromXml(const pugi::xml_node& root)
{
    if (!root || m_created)
        return false;
    // The translation context first: every text below is translated in it.
    m_trContext = AttributeNoCase(root, "trCtx").as_string();
    for (pugi::xml_attribute a : root.attributes())
        SetAttribute(a.name(), a.value(), true);
    pugi::xml_node content = ChildNoCase(root, "root");
    if (content)
        InitFromXml(content);
    else
        CreateChildren(root);
    m_created = true;
    QSize size = sizeHint();
    if (size.isEmpty())
        size = size.expandedTo(QSize(0, 0));
    resize(size);
    if (!m_resizable && size.width() > 0 && size.height() > 0)
        setFixedSize(size);
    RequestRelayout();
    return true;
}

bool SHostWnd::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    if (name == "title") {
        setWindowTitle(ToQString(TrText(value)));
        return true;
    }
    if (name == "trctx") {
        m_trContext = value;
        return true;
    }
    if (name == "toolwindow") {
        setWindowFlag(Qt::Tool, ParseBool(value));
        return true;
    }
    if (name == "translucent") {
        setAttribute(Qt::WA_TranslucentBackground, ParseBool(value));
        if (ParseBool(value))
            m_colorBkgnd = QColor();
        return true;
    }
    if (name == "resizable") {
        m_resizable = ParseBool(value);
        return true;
    }
    if (name == "topmost") {
        setWindowFlag(Qt::WindowStaysOnTopHint, ParseBool(value));
        return true;
    }
    if (name == "noactivate") {
        setAttribute(Qt::WA_ShowWithoutActivating, ParseBool(value));
        return true;
    }
    if (name == "appwnd") {
        if (ParseBool(value))
            CUiApp::Instance().SetMainWnd(this);
        return true;
    }
    if (name == "visible" || name == "show")
        return true;  // a window is shown by its owner, never by its layout
    return SWindow::OnAttribute(name, value, loading);
}

void SHostWnd::DestroyWindow()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    SendMessage(WM_DESTROY, 0, 0);
    hide();
    if (m_autoDelete)
        deleteLater();
}

void SHostWnd::CenterWindow(QWidget* over)
{
    QRect area;
    if (over && over->isVisible())
        area = QRect(over->mapToGlobal(QPoint(0, 0)), over->size());
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isEmpty())
        return;
    move(area.center() - QPoint(width() / 2, height() / 2));
}

void SHostWnd::AddEventHandler(IUiEventHandler* handler)
{
    if (handler && std::find(m_eventHandlers.begin(), m_eventHandlers.end(), handler) == m_eventHandlers.end())
        m_eventHandlers.push_back(handler);
}

void SHostWnd::RemoveEventHandler(IUiEventHandler* handler)
{
    m_eventHandlers.erase(std::remove(m_eventHandlers.begin(), m_eventHandlers.end(), handler), m_eventHandlers.end());
}

bool SHostWnd::DispatchUiEvent(CUiEvent& event)
{
    QPointer<SWindow> alive(this);
    std::vector<IUiEventHandler*> handlers = m_eventHandlers;
    for (IUiEventHandler* handler : handlers) {
        if (std::find(m_eventHandlers.begin(), m_eventHandlers.end(), handler) == m_eventHandlers.end())
            continue;
        if (handler->OnUiEvent(event))
            return true;
        if (!alive)
            return true;
    }
    return OnUiEvent(event);
}

bool SHostWnd::OnUiEvent(CUiEvent&)
{
    return false;
}

void SHostWnd::AddMessageHandler(IHostMessageHandler* handler)
{
    if (handler && std::find(m_messageHandlers.begin(), m_messageHandlers.end(), handler) == m_messageHandlers.end())
        m_messageHandlers.push_back(handler);
}

void SHostWnd::RemoveMessageHandler(IHostMessageHandler* handler)
{
    m_messageHandlers.erase(std::remove(m_messageHandlers.begin(), m_messageHandlers.end(), handler),
                            m_messageHandlers.end());
}

intptr_t SHostWnd::OnMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam)
{
    if (CUiApp::Instance().FilterMessage(this, msg, wParam, lParam))
        return 0;
    std::vector<IHostMessageHandler*> handlers = m_messageHandlers;
    for (IHostMessageHandler* handler : handlers) {
        if (std::find(m_messageHandlers.begin(), m_messageHandlers.end(), handler) == m_messageHandlers.end())
            continue;
        intptr_t result = 0;
        if (handler->OnHostMessage(this, msg, wParam, lParam, result))
            return result;
    }
    return HandleMessage(msg, wParam, lParam);
}

intptr_t SHostWnd::HandleMessage(uint32_t msg, uintptr_t wParam, intptr_t)
{
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog() ? 1 : 0;
    case WM_TIMER:
        OnTimer(static_cast<uint32_t>(wParam));
        return 0;
    case WM_COMMAND:
        OnCommand(static_cast<int>(wParam & 0xFFFF));
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_MINIMIZE:
            showMinimized();
            break;
        case SC_MAXIMIZE:
            showMaximized();
            break;
        case SC_RESTORE:
            showNormal();
            break;
        default:
            break;
        }
        return 0;
    default:
        return 0;
    }
}

void SHostWnd::OnTimer(uint32_t) {}

void SHostWnd::OnCommand(int) {}

void SHostWnd::closeEvent(QCloseEvent* event)
{
    // The window system's close request is the window's WM_CLOSE; the
    // window decides whether to go.
    event->ignore();
    if (!m_destroyed)
        SendMessage(WM_CLOSE, 0, 0);
}

}  // namespace vy
