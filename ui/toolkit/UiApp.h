#pragma once

#include "base/ResourceProvider.h"
#include "base/UiLoop.h"
#include "ui/toolkit/Translator.h"

#include <QColor>
#include <QFont>
#include <QImage>

#include <pugixml.hpp>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

namespace vy {

class ISkin;
class SHostWnd;
class SWindow;

// Sees every message delivered to any host window of the UI thread before
// the window does (hotkeys, notices). True consumes the message.
class IMessageFilter {
public:
    virtual ~IMessageFilter() = default;
    virtual bool PreTranslateMessage(SHostWnd* target, uint32_t msg, uintptr_t wParam, intptr_t lParam) = 0;
};

// The toolkit's application object: one per process. It owns the resource
// lookup, the widget and skin factories, the UI definition (fonts, strings,
// skins, colours, styles, default attributes, named ids), the translator,
// the message-box template, the UI loop and the message filters.
class CUiApp {
public:
    using WidgetFactory = std::function<SWindow*(QWidget* parent)>;
    using SkinFactory = std::function<std::unique_ptr<ISkin>()>;

    // Without a loop the application makes its own on Qt's event loop. A
    // QApplication must exist.
    explicit CUiApp(IUiLoop* loop = nullptr);
    ~CUiApp();
    CUiApp(const CUiApp&) = delete;
    CUiApp& operator=(const CUiApp&) = delete;

    static CUiApp& Instance();
    static CUiApp* Current();

    IUiLoop& Loop() const { return *m_loop; }

    // --- resources ------------------------------------------------------
    // Providers are searched in order; `first` puts one before the others
    // (the UI archive goes before the executable's own resources). The app
    // keeps a reference: remove a provider before destroying it.
    void AddResourceProvider(const IResourceProvider& provider, bool first = true);
    void RemoveResourceProvider(const IResourceProvider& provider);
    // "LAYOUT:XML_MAINWND", "SMENU::menu_one", "lang_cn" with a default type.
    bool LoadResource(std::string_view prefixedName, std::string& content, std::string_view defaultType = {}) const;
    bool LoadXmlResource(std::string_view prefixedName, pugi::xml_document& doc, std::string_view defaultType = {}) const;
    // Images by resource name ("IMG:image_logo"; a bare name means IMG), cached.
    QImage LoadImage(std::string_view name);

    // --- factories ------------------------------------------------------
    // Element names compare without regard to case; a second registration
    // of a name replaces the first.
    void RegisterWidget(const std::string& elementName, WidgetFactory factory);
    template <class T>
    void RegisterWidget()
    {
        RegisterWidget(T::kClassName, [](QWidget* parent) -> SWindow* { return new T(parent); });
    }
    bool HasWidget(std::string_view elementName) const;
    SWindow* CreateWidget(std::string_view elementName, QWidget* parent) const;
    // Registration order of the custom widgets and skins.
    const std::vector<std::string>& RegistrationOrder() const { return m_registrationOrder; }

    void RegisterSkin(const std::string& className, SkinFactory factory);
    std::unique_ptr<ISkin> CreateSkin(std::string_view className) const;

    // --- UI definition --------------------------------------------------
    // "uidef:xml_init" (or any name): <uidef> with <font>, <string>, <color>,
    // <skin>, <style>, <objattr> and <id> tables. Later definitions add to
    // and override earlier ones.
    bool LoadUiDef(std::string_view prefixedName);
    bool LoadUiDefXml(const pugi::xml_node& uidef);

    // A skin by name from the skin table, or an image resource of that
    // name as a one-state skin; null when neither exists.
    std::shared_ptr<ISkin> GetSkin(std::string_view name);
    void AddSkin(const std::string& name, std::shared_ptr<ISkin> skin);
    // "#rrggbb", "rgba(...)", "@color/name" or a name of the colour table.
    std::optional<QColor> ResolveColor(std::string_view value) const;
    // "@string/name" from the string table; other texts unchanged.
    std::string ResolveString(std::string_view value) const;
    // Attributes of a style class ("class" attribute of a control).
    pugi::xml_node GetStyle(std::string_view className) const;
    // Default attributes of an element name.
    pugi::xml_node GetDefaultAttributes(std::string_view elementName) const;
    // Named control ids: an "id" attribute may name one.
    void RegisterNamedId(const std::string& name, int id);
    std::optional<int> NamedId(std::string_view name) const;

    const QFont& DefaultFont() const { return m_defaultFont; }
    void SetDefaultFont(const std::string& face, int pixelSize);
    // "face:微软雅黑,size:12,bold:1,italic:1,underline:1,strike:1" over `base`.
    QFont ParseFont(std::string_view spec, const QFont& base) const;

    // --- translation ----------------------------------------------------
    // Loads a "language" table from a resource (type "translator" by default).
    bool LoadTranslator(std::string_view prefixedName);
    void SetTranslator(CTranslator translator) { m_translator = std::move(translator); }
    std::string Translate(const std::string& context, const std::string& text) const;

    // --- message boxes and tips -----------------------------------------
    // The root element of this layout becomes the template of all message
    // boxes ("LAYOUT:XML_MSGBOX"). Without one a plain built-in box is used.
    bool SetMessageBoxTemplate(std::string_view layoutName);
    pugi::xml_node MessageBoxTemplate() const;
    void SetTipLayout(std::string layoutName) { m_tipLayout = std::move(layoutName); }
    const std::string& TipLayout() const { return m_tipLayout; }

    // --- message filters ------------------------------------------------
    void AddMessageFilter(IMessageFilter* filter);
    void RemoveMessageFilter(IMessageFilter* filter);
    bool FilterMessage(SHostWnd* target, uint32_t msg, uintptr_t wParam, intptr_t lParam);

    // Runs when the application object goes, before anything else: process-
    // wide windows (the tip window) close there, while the loop they use
    // still exists. A hook under the same key replaces the earlier one.
    void SetShutdownHook(const std::string& key, std::function<void()> hook) { m_shutdownHooks[key] = std::move(hook); }

    // The application's main window (the loop ends with it); may be null.
    void SetMainWnd(SHostWnd* wnd) { m_mainWnd = wnd; }
    SHostWnd* MainWnd() const { return m_mainWnd; }

private:
    void LoadSkinTable(const pugi::xml_node& node);

    std::unique_ptr<IUiLoop> m_ownLoop;
    IUiLoop* m_loop;
    CUiApp* m_previous = nullptr;

    std::vector<const IResourceProvider*> m_providers;
    std::unique_ptr<IResourceProvider> m_ownResources;
    std::map<std::string, QImage> m_images;

    std::map<std::string, WidgetFactory> m_widgets;
    std::map<std::string, SkinFactory> m_skinClasses;
    std::vector<std::string> m_registrationOrder;

    std::map<std::string, std::shared_ptr<ISkin>> m_skins;
    std::map<std::string, QColor> m_colors;
    std::map<std::string, std::string> m_strings;
    std::map<std::string, int> m_namedIds;
    // Styles and default attributes are kept as XML nodes of owned documents.
    std::vector<std::unique_ptr<pugi::xml_document>> m_uidefDocs;
    std::map<std::string, pugi::xml_node> m_styles;
    std::map<std::string, pugi::xml_node> m_objAttrs;

    QFont m_defaultFont;
    CTranslator m_translator;
    pugi::xml_document m_msgBoxTemplate;
    std::string m_tipLayout = "LAYOUT:XML_TOOLTIP";

    std::vector<IMessageFilter*> m_filters;
    SHostWnd* m_mainWnd = nullptr;
    std::map<std::string, std::function<void()>> m_shutdownHooks;
};

// The toolkit's own built-in controls and skins.
void RegisterToolkitWidgets(CUiApp& app);

}  // namespace vy
