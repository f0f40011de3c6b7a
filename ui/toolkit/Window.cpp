#include "ui/toolkit/Window.h"

#include "base/Log.h"
#include "base/Utf.h"
#include "ui/toolkit/AttrParse.h"
#include "ui/toolkit/HostWnd.h"
#include "ui/toolkit/Skin.h"
#include "ui/toolkit/UiApp.h"

#include <QBoxLayout>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace vy {

CUiEvent::CUiEvent(uint32_t id, std::string name, SWindow* sender) : CEventBase(id, std::move(name)), m_sender(nullptr), m_idFrom(0)
{
    SetSender(sender);
}

void CUiEvent::SetSender(SWindow* sender)
{
    m_sender = sender;
    m_idFrom = sender ? sender->GetID() : 0;
    m_nameFrom = sender ? sender->GetName() : std::string();
}

SWindow::SWindow(QWidget* parent) : QWidget(parent)
{
    if (CUiApp* app = CUiApp::Current())
        setFont(app->DefaultFont());
    m_colorText = QColor(0, 0, 0);
    m_colorTextDisable = QColor(160, 160, 160);
    setFocusPolicy(Qt::NoFocus);
}

SWindow::~SWindow() = default;

bool SWindow::SameClassName(std::string_view a, std::string_view b)
{
    return EqualsNoCase(a, b);
}

void SWindow::SetName(const std::string& name)
{
    m_name = name;
    setObjectName(ToQString(name));
}

// ---------------------------------------------------------------- XML

bool SWindow::InitFromXml(const pugi::xml_node& node)
{
    if (!node)
        return false;
    CUiApp& app = CUiApp::Instance();
    auto applyAll = [this](const pugi::xml_node& from) {
        for (pugi::xml_attribute a : from.attributes()) {
            std::string name = ToLowerAscii(a.name());
            if (name == "class")
                continue;
            SetAttribute(name, a.value(), true);
        }
    };
    if (pugi::xml_node defaults = app.GetDefaultAttributes(node.name()))
        applyAll(defaults);
    if (pugi::xml_attribute cls = node.attribute("class")) {
        m_attributes["class"] = cls.value();
        if (pugi::xml_node style = app.GetStyle(cls.value()))
            applyAll(style);
    }
    // Attribute names compare without regard to case.
    for (pugi::xml_attribute a : node.attributes()) {
        if (EqualsNoCase(a.name(), "class"))
            continue;
        SetAttribute(a.name(), a.value(), true);
    }
    // An element's own text is its window text: <text>hello</text>.
    if (!node.attribute("text")) {
        std::string inner = node.text().as_string();
        if (!inner.empty() && !node.first_child().first_child() && node.first_child().type() == pugi::node_pcdata)
            SetWindowText(TrText(inner));
    }
    CreateChildren(node);
    OnInitFinished(node);
    RequestRelayout();
    return true;
}

SWindow* SWindow::CreateChildFromXml(const pugi::xml_node& node)
{
    if (node.type() != pugi::node_element)
        return nullptr;
    SWindow* container = ChildContainer();
    SWindow* child = CUiApp::Instance().CreateWidget(node.name(), container);
    if (!child) {
        VY_LOG("no control is registered for <%s>", node.name());
        return nullptr;
    }
    child->InitFromXml(node);
    container->ApplyBoxItem(child);
    // A control is shown unless its layout hid it ("visible"="0").
    if (!child->testAttribute(Qt::WA_WState_ExplicitShowHide))
        child->show();
    container->RequestRelayout();
    return child;
}

int SWindow::CreateChildren(const pugi::xml_node& node)
{
    int made = 0;
    for (pugi::xml_node child : node.children()) {
        if (child.type() != pugi::node_element)
            continue;
        // Elements a control reads itself (templates, headers, items) are
        // not controls; the control skips them in its OnInitFinished.
        if (!CUiApp::Instance().HasWidget(child.name())) {
            static const char* const kData[] = {"template", "header", "items", "item", "liststyle", "editstyle"};
            bool isData = false;
            for (const char* d : kData)
                isData = isData || EqualsNoCase(child.name(), d);
            if (!isData)
                VY_LOG("no control is registered for <%s>", child.name());
            continue;
        }
        if (CreateChildFromXml(child))
            ++made;
    }
    return made;
}

SWindow* SWindow::CreateChildrenFromText(const std::string& xml)
{
    pugi::xml_document doc;
    pugi::xml_parse_result result = doc.load_buffer(xml.data(), xml.size());
    if (!result) {
        VY_LOG("control XML unreadable: %s", result.description());
        return nullptr;
    }
    SWindow* first = nullptr;
    for (pugi::xml_node child : doc.children()) {
        SWindow* made = CreateChildFromXml(child);
        if (!first)
            first = made;
    }
    return first;
}

void SWindow::DestroyAllChildren()
{
    SWindow* container = ChildContainer();
    for (SWindow* child : container->ChildWindows()) {
        child->hide();
        child->setParent(nullptr);
        child->deleteLater();
    }
    container->RequestRelayout();
}

// ---------------------------------------------------------------- attributes

bool SWindow::SetAttribute(const std::string& name, const std::string& value, bool loading)
{
    std::string lower = ToLowerAscii(name);
    m_attributes[lower] = value;
    bool known = OnAttribute(lower, value, loading);
    if (!loading)
        update();
    return known;
}

std::string SWindow::GetAttribute(const std::string& name) const
{
    auto it = m_attributes.find(ToLowerAscii(name));
    return it == m_attributes.end() ? std::string() : it->second;
}

std::vector<SWindow::PosItem> SWindow::ParsePos(std::string_view text)
{
    std::vector<PosItem> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        std::string_view piece = text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        while (!piece.empty() && piece.front() == ' ')
            piece.remove_prefix(1);
        PosItem item;
        if (!piece.empty()) {
            char c = piece.front();
            if (c == '-') {
                item.ref = PosItem::kEnd;
                piece.remove_prefix(1);
            } else if (c == '|') {
                item.ref = PosItem::kCenter;
                piece.remove_prefix(1);
            } else if (c == '@') {
                item.ref = PosItem::kSize;
                piece.remove_prefix(1);
            } else if (c == '[' || c == '+') {
                piece.remove_prefix(1);
            }
            item.value = ParseInt(piece);
        }
        out.push_back(item);
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return out;
}

int SWindow::ParseSizeSpec(std::string_view text)
{
    if (EqualsNoCase(text, "full") || EqualsNoCase(text, "match_parent") || text == "-2")
        return kFull;
    if (EqualsNoCase(text, "wrap") || EqualsNoCase(text, "wrap_content") || text == "-1")
        return kWrap;
    int v = ParseInt(text, kWrap);
    return v < 0 ? kWrap : v;
}

bool SWindow::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    CUiApp& app = CUiApp::Instance();
    auto layoutChanged = [&] {
        if (!loading)
            ParentLayoutChanged();
    };
    if (name == "id") {
        if (auto id = ParseInteger(value))
            m_id = static_cast<int>(*id);
        else if (auto named = app.NamedId(value))
            m_id = *named;
        else
            return false;
        return true;
    }
    if (name == "name") {
        SetName(value);
        return true;
    }
    if (name == "text") {
        SetWindowText(TrText(value));
        return true;
    }
    if (name == "tip") {
        SetToolTipText(TrText(value));
        return true;
    }
    if (name == "pos") {
        m_layout.pos = ParsePos(value);
        layoutChanged();
        return true;
    }
    if (name == "size") {
        std::string_view v(value);
        size_t comma = v.find(',');
        if (comma == std::string_view::npos)
            return false;
        m_layout.width = ParseSizeSpec(v.substr(0, comma));
        m_layout.height = ParseSizeSpec(v.substr(comma + 1));
        m_layout.sizeGiven = true;
        layoutChanged();
        return true;
    }
    if (name == "width" || name == "height") {
        (name == "width" ? m_layout.width : m_layout.height) = ParseSizeSpec(value);
        m_layout.sizeGiven = true;
        layoutChanged();
        return true;
    }
    if (name == "offset") {
        std::string_view v(value);
        size_t comma = v.find(',');
        m_layout.offsetX = ParseReal(v.substr(0, comma)).value_or(0);
        m_layout.offsetY = comma == std::string_view::npos ? 0 : ParseReal(v.substr(comma + 1)).value_or(0);
        layoutChanged();
        return true;
    }
    if (name == "weight" || name == "layout_weight") {
        m_layout.weight = ParseInt(value);
        layoutChanged();
        return true;
    }
    if (name == "layout") {
        std::string kind = ToLowerAscii(value);
        if (kind != "hbox" && kind != "vbox")
            return kind.empty() || kind == "absolute";
        if (!m_box) {
            auto* box = new QBoxLayout(kind == "hbox" ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
            box->setContentsMargins(m_padding);
            box->setSpacing(ParseInt(GetAttribute("interval"), 0));
            ChildContainer()->setLayout(box);
            ChildContainer()->m_box = box;
        }
        return true;
    }
    if (name == "interval") {
        if (ChildContainer()->m_box)
            ChildContainer()->m_box->setSpacing(ParseInt(value));
        return true;
    }
    if (name == "gravity") {
        return true;  // read by the box when children are added
    }
    if (name == "padding" || name == "inset" || name == "margin-x" || name == "margin-y") {
        QMargins m = ParseMargins(value);
        if (name == "margin-x")
            m = QMargins(ParseInt(value), m_padding.top(), ParseInt(value), m_padding.bottom());
        else if (name == "margin-y")
            m = QMargins(m_padding.left(), ParseInt(value), m_padding.right(), ParseInt(value));
        m_padding = m;
        if (ChildContainer()->m_box)
            ChildContainer()->m_box->setContentsMargins(m_padding);
        layoutChanged();
        return true;
    }
    if (name == "visible" || name == "show") {
        SetVisible(ParseBool(value));
        return true;
    }
    if (name == "enable") {
        setEnabled(ParseBool(value));
        return true;
    }
    if (name == "display") {
        return true;
    }
    if (name == "skin") {
        m_skin = ResolveSkin(value);
        return m_skin != nullptr || value.empty();
    }
    if (name == "focusskin") {
        m_focusSkin = ResolveSkin(value);
        return m_focusSkin != nullptr || value.empty();
    }
    if (name == "colorbkgnd" || name == "colortext" || name == "colortextdisable") {
        auto color = app.ResolveColor(value);
        if (!color) {
            VY_LOG("%s: colour '%s' refused", name.c_str(), value.c_str());
            return false;
        }
        if (name == "colorbkgnd") {
            m_colorBkgnd = *color;
            setAttribute(Qt::WA_OpaquePaintEvent, false);
        } else if (name == "colortext") {
            m_colorText = *color;
        } else {
            m_colorTextDisable = *color;
        }
        return true;
    }
    if (name == "font") {
        setFont(app.ParseFont(value, app.DefaultFont()));
        layoutChanged();
        return true;
    }
    if (name == "align" || name == "valign") {
        std::string v = ToLowerAscii(value);
        int flags = m_align < 0 ? (Qt::AlignLeft | Qt::AlignVCenter) : m_align;
        if (name == "align") {
            flags &= ~Qt::AlignHorizontal_Mask;
            flags |= v == "center" ? Qt::AlignHCenter : (v == "right" ? Qt::AlignRight : Qt::AlignLeft);
        } else {
            flags &= ~Qt::AlignVertical_Mask;
            flags |= v == "top" ? Qt::AlignTop : (v == "bottom" ? Qt::AlignBottom : Qt::AlignVCenter);
        }
        m_align = flags;
        return true;
    }
    if (name == "dotted") {
        m_dotted = ParseBool(value);
        return true;
    }
    if (name == "multilines" || name == "multiline") {
        m_multiLine = ParseBool(value);
        return true;
    }
    if (name == "focusable") {
        setFocusPolicy(ParseBool(value) ? Qt::StrongFocus : Qt::NoFocus);
        return true;
    }
    if (name == "cursor") {
        std::string v = ToLowerAscii(value);
        if (v == "hand")
            setCursor(Qt::PointingHandCursor);
        else if (v == "sizeall")
            setCursor(Qt::SizeAllCursor);
        else
            unsetCursor();
        return true;
    }
    if (name == "msgtransparent") {
        setAttribute(Qt::WA_TransparentForMouseEvents, ParseBool(value));
        return true;
    }
    if (name == "data") {
        m_userData = static_cast<intptr_t>(ParseInteger(value).value_or(0));
        return true;
    }
    if (name == "checked" || name == "check") {
        SetCheck(ParseBool(value));
        return true;
    }
    return false;
}

void SWindow::OnInitFinished(const pugi::xml_node&) {}

// ---------------------------------------------------------------- tree

std::vector<SWindow*> SWindow::ChildWindows() const
{
    std::vector<SWindow*> out;
    for (QObject* o : children())
        if (auto* w = qobject_cast<SWindow*>(o))
            out.push_back(w);
    return out;
}

namespace {

template <class Pred>
SWindow* FindDepthFirst(const QWidget* from, Pred pred, int depth)
{
    if (depth == 0)
        return nullptr;
    // Breadth first within one level keeps a near match before a deep one.
    std::vector<const QWidget*> level{from};
    int remaining = depth;
    while (!level.empty() && remaining != 0) {
        std::vector<const QWidget*> next;
        for (const QWidget* parent : level) {
            for (QObject* o : parent->children()) {
                auto* widget = qobject_cast<QWidget*>(o);
                if (!widget)
                    continue;
                if (auto* w = qobject_cast<SWindow*>(widget)) {
                    if (pred(*w))
                        return w;
                }
                // Top-level children (dialogs owned by a window) are other windows.
                if (!widget->isWindow())
                    next.push_back(widget);
            }
        }
        level = std::move(next);
        if (remaining > 0)
            --remaining;
    }
    return nullptr;
}

}  // namespace

SWindow* SWindow::FindChildByName(std::string_view name, int depth) const
{
    if (name.empty())
        return nullptr;
    return FindDepthFirst(this, [&](const SWindow& w) { return w.m_name == name; }, depth);
}

SWindow* SWindow::FindChildByID(int id, int depth) const
{
    return FindDepthFirst(this, [&](const SWindow& w) { return w.m_id == id; }, depth);
}

SWindow* SWindow::ParentWindow() const
{
    for (QWidget* p = parentWidget(); p; p = p->parentWidget())
        if (auto* w = qobject_cast<SWindow*>(p))
            return w;
    return nullptr;
}

SHostWnd* SWindow::GetHostWnd() const
{
    for (const QWidget* w = this; w; w = w->parentWidget()) {
        if (auto* host = dynamic_cast<SHostWnd*>(const_cast<QWidget*>(w)))
            return host;
        if (w->isWindow() && w != this)
            break;
    }
    return nullptr;
}

std::string SWindow::TranslationContext() const
{
    SHostWnd* host = GetHostWnd();
    return host ? host->GetTrContext() : std::string();
}

std::string SWindow::TrText(const std::string& text) const
{
    CUiApp& app = CUiApp::Instance();
    return app.Translate(TranslationContext(), app.ResolveString(text));
}

std::shared_ptr<ISkin> SWindow::ResolveSkin(const std::string& value) const
{
    if (value.empty())
        return nullptr;
    auto skin = CUiApp::Instance().GetSkin(value);
    if (!skin)
        VY_LOG("skin '%s' not found", value.c_str());
    return skin;
}

QPoint SWindow::ToHost(const QPoint& local) const
{
    SHostWnd* host = GetHostWnd();
    if (!host || static_cast<const QWidget*>(host) == this)
        return local;
    return mapTo(host, local);
}

// ---------------------------------------------------------------- state

void SWindow::SetWindowText(const std::string& text)
{
    if (text == m_text)
        return;
    m_text = text;
    updateGeometry();
    update();
}

void SWindow::SetToolTipText(const std::string& tip)
{
    m_tip = tip;
    setToolTip(ToQString(tip));
}

void SWindow::SetCheck(bool checked)
{
    if (checked == m_checked)
        return;
    bool old = m_checked;
    m_checked = checked;
    OnStateChanged(old, checked);
    update();
    EventStateChanged event(this, old, checked);
    FireEvent(event);
}

void SWindow::OnStateChanged(bool, bool) {}

void SWindow::SetVisible(bool visible)
{
    // Hidden controls of a box take no room; an absolute layout keeps places.
    setVisible(visible);
    if (SWindow* parent = ParentWindow())
        parent->RequestRelayout();
}

void SWindow::SetTextColor(const QColor& color)
{
    m_colorText = color;
    update();
}

// ---------------------------------------------------------------- events

SWindow::SubscriptionToken SWindow::SubscribeEvent(uint32_t eventId, EventHandler handler)
{
    SubscriptionToken token = m_nextToken++;
    m_subscriptions.push_back({token, eventId, {}, std::move(handler)});
    return token;
}

SWindow::SubscriptionToken SWindow::SubscribeEvent(const std::string& eventName, EventHandler handler)
{
    SubscriptionToken token = m_nextToken++;
    m_subscriptions.push_back({token, 0, eventName, std::move(handler)});
    return token;
}

void SWindow::UnsubscribeEvent(SubscriptionToken token)
{
    m_subscriptions.erase(std::remove_if(m_subscriptions.begin(), m_subscriptions.end(),
                                         [token](const Subscription& s) { return s.token == token; }),
                          m_subscriptions.end());
}

bool SWindow::FireEvent(CUiEvent& event)
{
    QPointer<SWindow> alive(this);
    // Handlers may subscribe, unsubscribe or destroy the control.
    std::vector<Subscription> subscriptions = m_subscriptions;
    for (const Subscription& s : subscriptions) {
        bool matches = s.name.empty() ? s.id == event.Id() : s.name == event.Name();
        if (!matches)
            continue;
        if (s.handler(event))
            return true;
        if (!alive)
            return true;
    }
    SHostWnd* host = GetHostWnd();
    if (!host)
        return false;
    return host->DispatchUiEvent(event);
}

bool SWindow::FireCommand()
{
    EventCmd event(this);
    return FireEvent(event);
}

void SWindow::OnClick()
{
    if (m_commandOnClick)
        FireCommand();
}

// ---------------------------------------------------------------- painting

int SWindow::SkinState() const
{
    if (!isEnabled())
        return 3;
    if (m_pushed)
        return 2;
    if (m_hover)
        return 1;
    return 0;
}

int SWindow::TextAlignFlags() const
{
    int flags = m_align < 0 ? (Qt::AlignLeft | Qt::AlignVCenter) : m_align;
    if (m_multiLine)
        flags |= Qt::TextWordWrap;
    return flags;
}

void SWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    OnPaint(painter);
}

void SWindow::OnPaint(QPainter& painter)
{
    DrawBackground(painter);
    DrawContent(painter);
    if (m_focusSkin && hasFocus())
        m_focusSkin->Draw(painter, rect(), 0);
}

void SWindow::DrawBackground(QPainter& painter)
{
    if (m_colorBkgnd.isValid() && m_colorBkgnd.alpha() > 0)
        painter.fillRect(rect(), m_colorBkgnd);
    if (m_skin)
        m_skin->Draw(painter, rect(), SkinState() < m_skin->States() ? SkinState() : 0);
}

void SWindow::DrawContent(QPainter& painter)
{
    if (!m_text.empty())
        DrawText(painter, ClientRect(), ToQString(m_text), TextAlignFlags());
}

void SWindow::DrawText(QPainter& painter, const QRect& rect, const QString& text, int alignFlags) const
{
    painter.save();
    painter.setFont(font());
    painter.setPen(isEnabled() ? m_colorText : m_colorTextDisable);
    QString shown = text;
    if (m_dotted && !(alignFlags & Qt::TextWordWrap))
        shown = painter.fontMetrics().elidedText(text, Qt::ElideRight, rect.width());
    painter.drawText(rect, alignFlags, shown);
    painter.restore();
}

// ---------------------------------------------------------------- input

void SWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (focusPolicy() & Qt::ClickFocus)
        setFocus(Qt::MouseFocusReason);
    m_pushed = true;
    update();
    EventLButtonDown down(this, ToHost(event->position().toPoint()));
    FireEvent(down);
    event->accept();
}

void SWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    QPointer<SWindow> alive(this);
    bool wasPushed = m_pushed;
    m_pushed = false;
    update();
    EventLButtonUp up(this, ToHost(event->position().toPoint()));
    FireEvent(up);
    if (alive && wasPushed && rect().contains(event->position().toPoint()) && (m_id != 0 || !m_name.empty()))
        OnClick();
    event->accept();
}

void SWindow::contextMenuEvent(QContextMenuEvent* event)
{
    // The event has been through the host's chain: parents do not raise it again.
    EventCtxMenu menu(this, ToHost(event->pos()));
    FireEvent(menu);
    event->accept();
}

void SWindow::enterEvent(QEnterEvent* event)
{
    m_hover = true;
    update();
    QWidget::enterEvent(event);
}

void SWindow::leaveEvent(QEvent* event)
{
    m_hover = false;
    update();
    QWidget::leaveEvent(event);
}

void SWindow::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
    EventSetFocus focus(this);
    FireEvent(focus);
}

void SWindow::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
    EventKillFocus kill(this);
    FireEvent(kill);
}

void SWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        update();
    QWidget::changeEvent(event);
}

// ---------------------------------------------------------------- layout

void SWindow::ApplyBoxItem(SWindow* child)
{
    if (!m_box || child->parentWidget() != this)
        return;
    bool horizontal = m_box->direction() == QBoxLayout::LeftToRight || m_box->direction() == QBoxLayout::RightToLeft;
    const LayoutParam& p = child->m_layout;
    int along = horizontal ? p.width : p.height;
    int across = horizontal ? p.height : p.width;
    QSizePolicy policy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto setPolicy = [&](bool alongAxis, QSizePolicy::Policy v) {
        if (alongAxis == horizontal)
            policy.setHorizontalPolicy(v);
        else
            policy.setVerticalPolicy(v);
    };
    int stretch = p.weight;
    if (along == kFull) {
        setPolicy(true, QSizePolicy::Expanding);
        if (stretch == 0)
            stretch = 1;
    } else if (p.weight > 0) {
        setPolicy(true, QSizePolicy::Expanding);
    }
    if (across == kFull)
        setPolicy(false, QSizePolicy::Expanding);
    if (p.width >= 0)
        child->setFixedWidth(p.width);
    if (p.height >= 0)
        child->setFixedHeight(p.height);
    child->setSizePolicy(policy);
    int index = m_box->indexOf(child);
    std::string gravity = ToLowerAscii(GetAttribute("gravity"));
    Qt::Alignment align;
    if (across != kFull) {
        if (gravity == "center")
            align = horizontal ? Qt::AlignVCenter : Qt::AlignHCenter;
        else if (gravity == "right" || gravity == "bottom")
            align = horizontal ? Qt::AlignBottom : Qt::AlignRight;
        else if (gravity == "left" || gravity == "top")
            align = horizontal ? Qt::AlignTop : Qt::AlignLeft;
    }
    if (index < 0)
        m_box->addWidget(child, stretch, align);
    else {
        m_box->setStretch(index, stretch);
        m_box->setAlignment(child, align);
    }
}

void SWindow::ParentLayoutChanged()
{
    SWindow* parent = qobject_cast<SWindow*>(parentWidget());
    if (!parent)
        return;
    if (parent->m_box)
        parent->ApplyBoxItem(this);
    else
        parent->RequestRelayout();
}

void SWindow::RequestRelayout()
{
    if (m_box) {
        m_box->invalidate();
        m_box->activate();
    } else {
        LayoutChildren();
    }
    updateGeometry();
}

QRect SWindow::ChildRect(const SWindow& child) const
{
    const LayoutParam& p = child.m_layout;
    QRect client = ClientRect();
    QSize hint = child.sizeHint();
    auto resolve = [&](const PosItem& item, bool horizontal, int start) {
        int lo = horizontal ? client.left() : client.top();
        int extent = horizontal ? client.width() : client.height();
        switch (item.ref) {
        case PosItem::kEnd:
            return lo + extent - item.value;
        case PosItem::kCenter:
            return lo + extent / 2 + item.value;
        case PosItem::kSize:
            return start + item.value;
        default:
            return lo + item.value;
        }
    };
    int x = client.left();
    int y = client.top();
    if (p.pos.size() >= 2) {
        x = resolve(p.pos[0], true, 0);
        y = resolve(p.pos[1], false, 0);
    }
    int w;
    int h;
    if (p.pos.size() >= 4) {
        w = resolve(p.pos[2], true, x) - x;
        h = resolve(p.pos[3], false, y) - y;
    } else {
        w = p.width == kFull ? client.right() + 1 - x : (p.width == kWrap ? hint.width() : p.width);
        h = p.height == kFull ? client.bottom() + 1 - y : (p.height == kWrap ? hint.height() : p.height);
    }
    if (w < 0)
        w = 0;
    if (h < 0)
        h = 0;
    x += static_cast<int>(std::lround(p.offsetX * w));
    y += static_cast<int>(std::lround(p.offsetY * h));
    return QRect(x, y, w, h);
}

void SWindow::LayoutChildren()
{
    if (m_box)
        return;
    for (SWindow* child : ChildWindows()) {
        if (child->isWindow())
            continue;
        child->setGeometry(ChildRect(*child));
    }
}

void SWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutChildren();
}

QSize SWindow::ContentSize() const
{
    QSize size(0, 0);
    if (!m_text.empty()) {
        QFontMetrics fm(font());
        QRect r = m_multiLine ? fm.boundingRect(QRect(0, 0, 400, 10000), Qt::TextWordWrap, ToQString(m_text))
                              : QRect(0, 0, fm.horizontalAdvance(ToQString(m_text)), fm.height());
        size = size.expandedTo(r.size());
    }
    if (m_skin)
        size = size.expandedTo(m_skin->Size());
    if (m_box) {
        size = size.expandedTo(m_box->sizeHint() - QSize(m_padding.left() + m_padding.right(), m_padding.top() + m_padding.bottom()));
    } else {
        for (SWindow* child : ChildWindows()) {
            if (child->isWindow() || child->isHidden())
                continue;
            const LayoutParam& p = child->m_layout;
            if (p.pos.size() >= 2 && (p.pos[0].ref != PosItem::kStart || p.pos[1].ref != PosItem::kStart))
                continue;  // placed from the far edge: follows the parent
            QSize hint = child->sizeHint();
            int x = p.pos.size() >= 2 ? p.pos[0].value : 0;
            int y = p.pos.size() >= 2 ? p.pos[1].value : 0;
            int w = p.width >= 0 ? p.width : hint.width();
            int h = p.height >= 0 ? p.height : hint.height();
            if (p.pos.size() >= 4 && p.pos[2].ref == PosItem::kStart)
                w = p.pos[2].value - x;
            if (p.pos.size() >= 4 && p.pos[3].ref == PosItem::kStart)
                h = p.pos[3].value - y;
            size = size.expandedTo(QSize(x + w, y + h));
        }
    }
    return size;
}

QSize SWindow::sizeHint() const
{
    QSize content = ContentSize();
    int w = m_layout.width >= 0 ? m_layout.width : content.width() + m_padding.left() + m_padding.right();
    int h = m_layout.height >= 0 ? m_layout.height : content.height() + m_padding.top() + m_padding.bottom();
    return {w, h};
}

}  // namespace vy
