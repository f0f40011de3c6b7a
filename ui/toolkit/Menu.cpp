#include "ui/toolkit/Menu.h"

#include "base/Log.h"
#include "base/Utf.h"
#include "ui/toolkit/AttrParse.h"
#include "ui/toolkit/HostWnd.h"
#include "ui/toolkit/UiApp.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

namespace vy {
namespace {

std::string Attr(const pugi::xml_node& node, std::string_view name)
{
    for (pugi::xml_attribute a : node.attributes())
        if (EqualsNoCase(a.name(), name))
            return a.value();
    return {};
}

QString Css(const QColor& c)
{
    return QStringLiteral("rgba(%1,%2,%3,%4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alpha());
}

}  // namespace

SMenu::SMenu() = default;
SMenu::~SMenu() = default;

bool SMenu::LoadMenu(const std::string& resourceName)
{
    pugi::xml_document doc;
    if (!CUiApp::Instance().LoadXmlResource(resourceName, doc, "SMENU"))
        return false;
    return LoadMenuXml(doc.document_element());
}

bool SMenu::LoadMenuXml(const pugi::xml_node& menu)
{
    if (!menu)
        return false;
    CUiApp& app = CUiApp::Instance();
    m_menu = std::make_unique<QMenu>();
    m_actions.clear();
    m_menu->setFont(app.DefaultFont());
    std::string context = Attr(menu, "trCtx");
    QString style;
    auto color = [&](const char* name) { return app.ResolveColor(Attr(menu, name)); };
    if (auto c = color("colorBkgnd"))
        style += QStringLiteral("QMenu{background:%1;} QMenu::item{background:%1;}").arg(Css(*c));
    if (auto c = color("colorText"))
        style += QStringLiteral("QMenu::item{color:%1;}").arg(Css(*c));
    if (auto c = color("colorTextHover"))
        style += QStringLiteral("QMenu::item:selected{color:%1;}").arg(Css(*c));
    if (auto c = color("colorItemHover"))
        style += QStringLiteral("QMenu::item:selected{background:%1;}").arg(Css(*c));
    int itemHeight = ParseInt(Attr(menu, "itemHeight"), 0);
    if (itemHeight > 0)
        style += QStringLiteral("QMenu::item{min-height:%1px; padding:0 20px;}").arg(itemHeight);
    int minWidth = ParseInt(Attr(menu, "minWidth"), 0);
    int maxWidth = ParseInt(Attr(menu, "maxWidth"), 0);
    if (!style.isEmpty())
        m_menu->setStyleSheet(style);
    if (minWidth > 0)
        m_menu->setMinimumWidth(minWidth);
    if (maxWidth > 0)
        m_menu->setMaximumWidth(maxWidth);
    AddItems(m_menu.get(), menu, context);
    m_loaded = true;
    return true;
}

void SMenu::AddItems(QMenu* menu, const pugi::xml_node& node, const std::string& context)
{
    CUiApp& app = CUiApp::Instance();
    for (pugi::xml_node item : node.children()) {
        if (item.type() != pugi::node_element)
            continue;
        std::string tag = ToLowerAscii(item.name());
        if (tag == "sep" || tag == "separator") {
            menu->addSeparator();
            continue;
        }
        if (tag != "item")
            continue;
        std::string text = Attr(item, "text");
        if (text.empty())
            text = item.text().as_string();
        text = app.Translate(context, app.ResolveString(text));
        bool hasChildren = false;
        for (pugi::xml_node c : item.children())
            if (c.type() == pugi::node_element && EqualsNoCase(c.name(), "item"))
                hasChildren = true;
        if (hasChildren) {
            QMenu* sub = menu->addMenu(ToQString(text));
            AddItems(sub, item, context);
            continue;
        }
        QAction* action = menu->addAction(ToQString(text));
        int id = ParseInt(Attr(item, "id"), 0);
        action->setData(id);
        std::string check = Attr(item, "check");
        if (!check.empty()) {
            action->setCheckable(true);
            action->setChecked(ParseBool(check));
        }
        std::string disable = Attr(item, "disable");
        if (!disable.empty())
            action->setEnabled(!ParseBool(disable));
        if (id != 0)
            m_actions[id] = action;
    }
}

bool SMenu::CheckMenuItem(int id, bool checked)
{
    auto it = m_actions.find(id);
    if (it == m_actions.end())
        return false;
    it->second->setCheckable(true);
    it->second->setChecked(checked);
    return true;
}

bool SMenu::EnableMenuItem(int id, bool enabled)
{
    auto it = m_actions.find(id);
    if (it == m_actions.end())
        return false;
    it->second->setEnabled(enabled);
    return true;
}

std::string SMenu::ItemText(int id) const
{
    auto it = m_actions.find(id);
    return it == m_actions.end() ? std::string() : FromQString(it->second->text());
}

bool SMenu::IsItemChecked(int id) const
{
    auto it = m_actions.find(id);
    return it != m_actions.end() && it->second->isChecked();
}

int SMenu::TrackPopupMenu(unsigned flags, int x, int y, SHostWnd* owner)
{
    if (!m_menu)
        return 0;
    QPointer<SHostWnd> target(owner);
    QAction* chosen = m_menu->exec(QPoint(x, y));
    if (!chosen)
        return 0;
    int id = chosen->data().toInt();
    if (id != 0 && !(flags & TPM_RETURNCMD) && target)
        target->SendMessage(WM_COMMAND, static_cast<uintptr_t>(id), 0);
    return id;
}

}  // namespace vy
