#pragma once

#include "ui/toolkit/UiEvents.h"

#include <QColor>
#include <QFont>
#include <QMargins>
#include <QWidget>

#include <pugixml.hpp>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QBoxLayout;

namespace vy {

class ISkin;
class SHostWnd;

// Declares a control class: its element/class name and its class test, which
// accepts its own name and every base class's name.
#define VY_WIDGET_CLASS(Class, Base, Name)                                                            \
public:                                                                                               \
    static constexpr const char* kClassName = Name;                                                   \
    const char* GetObjectClass() const override { return Name; }                                      \
    bool IsClass(std::string_view n) const override { return ::vy::SWindow::SameClassName(n, Name) || Base::IsClass(n); }

// The base of every control made from layout XML: identity (id, name, class
// test), attributes by name without regard to case, skins and colours, text,
// check state, events, and the layout of its children (absolute "pos",
// "hbox"/"vbox" boxes).
class SWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kClassName = "window";
    using EventHandler = std::function<bool(CUiEvent&)>;
    using SubscriptionToken = uint64_t;

    explicit SWindow(QWidget* parent = nullptr);
    ~SWindow() override;

    virtual const char* GetObjectClass() const { return kClassName; }
    virtual bool IsClass(std::string_view name) const { return SameClassName(name, kClassName); }
    static bool SameClassName(std::string_view a, std::string_view b);

    int GetID() const { return m_id; }
    void SetID(int id) { m_id = id; }
    const std::string& GetName() const { return m_name; }
    void SetName(const std::string& name);

    // --- XML ------------------------------------------------------------
    // Applies the element name's default attributes, then the "class"
    // style, then the element's own attributes; creates the children; then
    // lets the control finish (OnInitFinished).
    bool InitFromXml(const pugi::xml_node& node);
    // One control from one element, as a child of this window; null when the
    // element names no registered control.
    SWindow* CreateChildFromXml(const pugi::xml_node& node);
    // Every element child of `node`, in order; returns how many were made.
    int CreateChildren(const pugi::xml_node& node);
    // Controls from XML text made at run time (one or more elements);
    // returns the first one made, null on bad XML.
    SWindow* CreateChildrenFromText(const std::string& xml);
    // Where XML children go (a scroll view's content, a tab's page area).
    virtual SWindow* ChildContainer() { return this; }
    void DestroyAllChildren();

    // Attribute by name (any case). Unknown attributes are kept and readable
    // through GetAttribute. False when the value was refused.
    bool SetAttribute(const std::string& name, const std::string& value, bool loading = false);
    std::string GetAttribute(const std::string& name) const;

    // --- tree -------------------------------------------------------------
    SWindow* FindChildByName(std::string_view name, int depth = -1) const;
    SWindow* FindChildByID(int id, int depth = -1) const;
    template <class T>
    T* FindChildByName2(std::string_view name, int depth = -1) const
    {
        return dynamic_cast<T*>(FindChildByName(name, depth));
    }
    template <class T>
    T* FindChildByID2(int id, int depth = -1) const
    {
        return dynamic_cast<T*>(FindChildByID(id, depth));
    }
    std::vector<SWindow*> ChildWindows() const;
    SWindow* ParentWindow() const;
    SHostWnd* GetHostWnd() const;
    // Translation context of the host window this control lives in.
    std::string TranslationContext() const;

    // --- state ------------------------------------------------------------
    virtual void SetWindowText(const std::string& text);
    virtual std::string GetWindowText() const { return m_text; }
    void SetToolTipText(const std::string& tip);
    std::string GetToolTipText() const { return m_tip; }
    bool IsChecked() const { return m_checked; }
    // Changes the check state, runs OnStateChanged and raises the
    // state-changed event when the state really changes.
    void SetCheck(bool checked);
    void SetVisible(bool visible);
    // The control's own visibility flag, whatever its parents show.
    bool IsVisibleSelf() const { return !isHidden(); }
    void EnableWindow(bool enable) { setEnabled(enable); }
    bool IsDisabled() const { return !isEnabled(); }
    void SetUserData(intptr_t value) { m_userData = value; }
    intptr_t GetUserData() const { return m_userData; }
    QColor TextColor() const { return m_colorText; }
    void SetTextColor(const QColor& color);
    QColor BackgroundColor() const { return m_colorBkgnd; }
    std::shared_ptr<ISkin> Skin() const { return m_skin; }
    const QMargins& Padding() const { return m_padding; }
    bool IsPushed() const { return m_pushed; }
    bool IsHover() const { return m_hover; }

    // --- events -----------------------------------------------------------
    // Subscribes to one event of this control, by id or by name. Handlers
    // run before the host window's chain; true ends the trip.
    SubscriptionToken SubscribeEvent(uint32_t eventId, EventHandler handler);
    SubscriptionToken SubscribeEvent(const std::string& eventName, EventHandler handler);
    void UnsubscribeEvent(SubscriptionToken token);
    // Sends an event raised by this control to its subscribers, then to its
    // host's chain. True when someone handled it.
    bool FireEvent(CUiEvent& event);
    bool FireCommand();

    // Lays the children out again (after sizes or visibility changed).
    void RequestRelayout();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {0, 0}; }

protected:
    // Attribute names arrive in lower case. Return true when the attribute
    // is the control's; pass unknown ones to the base class.
    virtual bool OnAttribute(const std::string& name, const std::string& value, bool loading);
    virtual void OnInitFinished(const pugi::xml_node& node);
    virtual void OnStateChanged(bool oldChecked, bool newChecked);
    // A click (button released over the control). Raises the command.
    virtual void OnClick();
    // Skin state: 0 normal, 1 hover, 2 pushed, 3 disabled.
    virtual int SkinState() const;
    virtual void OnPaint(QPainter& painter);
    virtual void DrawBackground(QPainter& painter);
    virtual void DrawContent(QPainter& painter);
    void DrawText(QPainter& painter, const QRect& rect, const QString& text, int alignFlags) const;
    int TextAlignFlags() const;
    QRect ClientRect() const { return rect().marginsRemoved(m_padding); }
    // Preferred size of the content alone (text, skin, children).
    virtual QSize ContentSize() const;
    // A child's rectangle in an absolute layout.
    virtual void LayoutChildren();
    // Text from layouts: string table, then translation in the host's context.
    std::string TrText(const std::string& text) const;
    // A skin attribute's value to a skin; null (and logged) when unknown.
    std::shared_ptr<ISkin> ResolveSkin(const std::string& value) const;
    // Point in the host window's client coordinates.
    QPoint ToHost(const QPoint& local) const;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

    std::string m_text;  // as shown, translated
    std::string m_tip;
    std::shared_ptr<ISkin> m_skin;
    std::shared_ptr<ISkin> m_focusSkin;
    QColor m_colorText;
    QColor m_colorTextDisable;
    QColor m_colorBkgnd;
    QMargins m_padding;
    bool m_pushed = false;
    bool m_hover = false;
    bool m_checked = false;
    bool m_commandOnClick = true;

private:
    // Layout parameters of this control inside its parent.
    struct PosItem {
        enum Ref { kStart, kEnd, kCenter, kSize } ref = kStart;
        int value = 0;
    };
    enum SizeSpec { kWrap = -1, kFull = -2 };
    struct LayoutParam {
        std::vector<PosItem> pos;
        int width = kWrap;
        int height = kWrap;
        double offsetX = 0;
        double offsetY = 0;
        int weight = 0;
        bool sizeGiven = false;
    };

    static std::vector<PosItem> ParsePos(std::string_view text);
    static int ParseSizeSpec(std::string_view text);
    QRect ChildRect(const SWindow& child) const;
    void ApplyBoxItem(SWindow* child);
    void ParentLayoutChanged();

    int m_id = 0;
    std::string m_name;
    intptr_t m_userData = 0;
    std::map<std::string, std::string> m_attributes;
    LayoutParam m_layout;
    QBoxLayout* m_box = nullptr;
    int m_align = -1;  // Qt alignment flags of the text, -1: default
    bool m_dotted = false;
    bool m_multiLine = false;

    struct Subscription {
        SubscriptionToken token;
        uint32_t id;
        std::string name;
        EventHandler handler;
    };
    std::vector<Subscription> m_subscriptions;
    SubscriptionToken m_nextToken = 1;
};

}  // namespace vy
