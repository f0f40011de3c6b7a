#pragma once

#include <pugixml.hpp>

#include <QColor>

#include <map>
#include <memory>
#include <string>

class QAction;
class QMenu;
class QWidget;

namespace vy {

class SHostWnd;

// A popup menu from an "SMENU:" resource:
//   <menu trCtx="main_menu" itemHeight="26" minWidth="90" maxWidth="180"
//         colorText="#ffffff" colorTextHover="#64e7dd" colorBkgnd="#343434ff">
//     <item id="7">Show</item>
//     <item id="8" check="1">Start with system</item>
//     <sep/>
//     <item text="Language"><item id="20">中文</item></item>
//   </menu>
// Item texts are translated in the menu's context. The chosen item becomes
// a WM_COMMAND with its id, sent to the owner window.
class SMenu {
public:
    SMenu();
    ~SMenu();
    SMenu(const SMenu&) = delete;
    SMenu& operator=(const SMenu&) = delete;

    // "SMENU:menu_tray", "SMENU::menu_one" or "smenu:x".
    bool LoadMenu(const std::string& resourceName);
    bool LoadMenuXml(const pugi::xml_node& menu);
    bool IsLoaded() const { return m_loaded; }

    bool CheckMenuItem(int id, bool checked);
    bool EnableMenuItem(int id, bool enabled);
    bool HasItem(int id) const { return m_actions.count(id) != 0; }
    std::string ItemText(int id) const;
    bool IsItemChecked(int id) const;

    // Opens the menu at the screen point, modally. Returns the chosen id (0:
    // none). Unless `flags` has TPM_RETURNCMD, the choice is also sent to
    // `owner` as WM_COMMAND (wParam = id).
    int TrackPopupMenu(unsigned flags, int x, int y, SHostWnd* owner);
    QMenu* Menu() const { return m_menu.get(); }

private:
    void AddItems(QMenu* menu, const pugi::xml_node& node, const std::string& context);

    std::unique_ptr<QMenu> m_menu;
    std::map<int, QAction*> m_actions;
    bool m_loaded = false;
};

}  // namespace vy
