#include "ui/toolkit/UiApp.h"

#include "base/Log.h"
#include "base/Utf.h"
#include "ui/toolkit/AttrParse.h"
#include "ui/toolkit/QtResourceProvider.h"
#include "ui/toolkit/QtUiLoop.h"
#include "ui/toolkit/Skin.h"
#include "ui/toolkit/Window.h"

#include <QFontDatabase>

#include <algorithm>

// The toolkit's own layouts (the message box) live in the library's Qt
// resources; a static library must ask for them to be registered.
static void InitToolkitResources()
{
    Q_INIT_RESOURCE(toolkit);
}

namespace vy {
namespace {

CUiApp* g_current = nullptr;

// Fonts tried after the face a layout asks for, so Chinese text always has
// glyphs on a Linux desktop.
const QStringList& CjkFallbacks()
{
    static const QStringList families = {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                                         QStringLiteral("Droid Sans Fallback")};
    return families;
}

std::string Lower(std::string_view s)
{
    return ToLowerAscii(s);
}

}  // namespace

CUiApp::CUiApp(IUiLoop* loop)
{
    InitToolkitResources();
    if (!loop) {
        m_ownLoop = std::make_unique<CQtUiLoop>();
        loop = m_ownLoop.get();
    }
    m_loop = loop;
    m_previous = g_current;
    g_current = this;
    m_ownResources = std::make_unique<CQtResourceProvider>();
    m_providers.push_back(m_ownResources.get());
    SetDefaultFont("微软雅黑", 12);
    RegisterSkin("imglist", [] { return std::make_unique<SSkinImgList>(); });
    RegisterSkin("imgframe", [] { return std::make_unique<SSkinImgFrame>(); });
    RegisterSkin("colorrect", [] { return std::make_unique<SSkinColorRect>(); });
    RegisterToolkitWidgets(*this);
    // Built-in classes do not count as custom registrations.
    m_registrationOrder.clear();
}

CUiApp::~CUiApp()
{
    auto hooks = std::move(m_shutdownHooks);
    for (auto& [key, hook] : hooks)
        hook();
    if (g_current == this)
        g_current = m_previous;
}

CUiApp& CUiApp::Instance()
{
    return *g_current;
}

CUiApp* CUiApp::Current()
{
    return g_current;
}

void CUiApp::AddResourceProvider(const IResourceProvider& provider, bool first)
{
    RemoveResourceProvider(provider);
    if (first)
        m_providers.insert(m_providers.begin(), &provider);
    else
        m_providers.push_back(&provider);
    m_images.clear();
}

void CUiApp::RemoveResourceProvider(const IResourceProvider& provider)
{
    m_providers.erase(std::remove(m_providers.begin(), m_providers.end(), &provider), m_providers.end());
    m_images.clear();
}

bool CUiApp::LoadResource(std::string_view prefixedName, std::string& content, std::string_view defaultType) const
{
    std::string_view type;
    std::string_view name;
    SplitResourceName(prefixedName, type, name);
    // "SMENU::menu_one": the second colon belongs to no name.
    while (!name.empty() && name.front() == ':')
        name.remove_prefix(1);
    if (type.empty())
        type = defaultType;
    if (type.empty() || name.empty())
        return false;
    for (const IResourceProvider* provider : m_providers)
        if (provider->Find(type, name, content))
            return true;
    return false;
}

bool CUiApp::LoadXmlResource(std::string_view prefixedName, pugi::xml_document& doc, std::string_view defaultType) const
{
    std::string content;
    if (!LoadResource(prefixedName, content, defaultType)) {
        VY_LOG("resource not found: %.*s", static_cast<int>(prefixedName.size()), prefixedName.data());
        return false;
    }
    pugi::xml_parse_result result = doc.load_buffer(content.data(), content.size());
    if (!result) {
        VY_LOG("resource %.*s is not valid XML: %s at %d", static_cast<int>(prefixedName.size()), prefixedName.data(),
               result.description(), static_cast<int>(result.offset));
        return false;
    }
    return true;
}

QImage CUiApp::LoadImage(std::string_view name)
{
    std::string key = Lower(name);
    auto it = m_images.find(key);
    if (it != m_images.end())
        return it->second;
    std::string bytes;
    QImage image;
    if (LoadResource(name, bytes, "IMG"))
        image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()));
    if (image.isNull())
        VY_LOG("image not found or unreadable: %.*s", static_cast<int>(name.size()), name.data());
    else
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    m_images[key] = image;
    return image;
}

void CUiApp::RegisterWidget(const std::string& elementName, WidgetFactory factory)
{
    m_widgets[Lower(elementName)] = std::move(factory);
    m_registrationOrder.push_back(elementName);
}

bool CUiApp::HasWidget(std::string_view elementName) const
{
    return m_widgets.count(Lower(elementName)) != 0;
}

SWindow* CUiApp::CreateWidget(std::string_view elementName, QWidget* parent) const
{
    auto it = m_widgets.find(Lower(elementName));
    if (it == m_widgets.end())
        return nullptr;
    return it->second(parent);
}

void CUiApp::RegisterSkin(const std::string& className, SkinFactory factory)
{
    m_skinClasses[Lower(className)] = std::move(factory);
    m_registrationOrder.push_back(className);
}

std::unique_ptr<ISkin> CUiApp::CreateSkin(std::string_view className) const
{
    auto it = m_skinClasses.find(Lower(className));
    if (it == m_skinClasses.end())
        return nullptr;
    return it->second();
}

bool CUiApp::LoadUiDef(std::string_view prefixedName)
{
    auto doc = std::make_unique<pugi::xml_document>();
    if (!LoadXmlResource(prefixedName, *doc, "UIDEF"))
        return false;
    pugi::xml_node root = doc->document_element();
    bool ok = LoadUiDefXml(root);
    m_uidefDocs.push_back(std::move(doc));
    return ok;
}

bool CUiApp::LoadUiDefXml(const pugi::xml_node& uidef)
{
    if (!uidef)
        return false;
    for (pugi::xml_node section : uidef.children()) {
        std::string tag = Lower(section.name());
        if (tag == "font") {
            std::string face = section.attribute("face").as_string();
            int size = ParseInt(section.attribute("size").as_string(), 12);
            SetDefaultFont(face.empty() ? "微软雅黑" : face, size);
        } else if (tag == "string") {
            for (pugi::xml_node s : section.children())
                m_strings[Lower(s.name())] = s.attribute("value") ? s.attribute("value").as_string() : s.text().as_string();
        } else if (tag == "color") {
            for (pugi::xml_node c : section.children()) {
                std::string value = c.attribute("value") ? c.attribute("value").as_string() : c.text().as_string();
                if (auto color = ParseColor(value))
                    m_colors[Lower(c.name())] = *color;
                else
                    VY_LOG("colour %s has a bad value '%s'", c.name(), value.c_str());
            }
        } else if (tag == "skin") {
            LoadSkinTable(section);
        } else if (tag == "style") {
            for (pugi::xml_node s : section.children()) {
                std::string name = s.attribute("name").as_string();
                if (!name.empty())
                    m_styles[Lower(name)] = s;
            }
        } else if (tag == "objattr") {
            for (pugi::xml_node o : section.children())
                m_objAttrs[Lower(o.name())] = o;
        } else if (tag == "id" || tag == "ids") {
            for (pugi::xml_node n : section.children()) {
                std::string name = n.attribute("name").as_string();
                auto id = ParseInteger(n.attribute("value").as_string());
                if (!name.empty() && id)
                    RegisterNamedId(name, static_cast<int>(*id));
            }
        }
    }
    return true;
}

void CUiApp::LoadSkinTable(const pugi::xml_node& node)
{
    for (pugi::xml_node s : node.children()) {
        std::unique_ptr<ISkin> skin = CreateSkin(s.name());
        std::string name = s.attribute("name").as_string();
        if (!skin || name.empty()) {
            VY_LOG("skin '%s' of class %s skipped", name.c_str(), s.name());
            continue;
        }
        bool ok = true;
        for (pugi::xml_attribute a : s.attributes()) {
            std::string attr = Lower(a.name());
            if (attr == "name")
                continue;
            if (!skin->SetAttribute(attr, a.value()) && (attr == "src" || attr.rfind("color", 0) == 0)) {
                VY_LOG("skin %s: attribute %s='%s' refused", name.c_str(), a.name(), a.value());
                ok = ok && attr != "src";
            }
        }
        if (ok)
            m_skins[Lower(name)] = std::shared_ptr<ISkin>(std::move(skin));
    }
}

std::shared_ptr<ISkin> CUiApp::GetSkin(std::string_view name)
{
    if (name.empty())
        return nullptr;
    std::string key = Lower(name);
    auto it = m_skins.find(key);
    if (it != m_skins.end())
        return it->second;
    QImage image = LoadImage(name);
    if (image.isNull())
        return nullptr;
    auto skin = std::make_shared<SSkinImgList>();
    skin->SetImage(image);
    m_skins[key] = skin;
    return skin;
}

void CUiApp::AddSkin(const std::string& name, std::shared_ptr<ISkin> skin)
{
    m_skins[Lower(name)] = std::move(skin);
}

std::optional<QColor> CUiApp::ResolveColor(std::string_view value) const
{
    if (value.rfind("@color/", 0) == 0)
        value.remove_prefix(7);
    else if (auto parsed = ParseColor(value))
        return parsed;
    auto it = m_colors.find(Lower(value));
    if (it != m_colors.end())
        return it->second;
    return std::nullopt;
}

std::string CUiApp::ResolveString(std::string_view value) const
{
    if (value.rfind("@string/", 0) != 0)
        return std::string(value);
    auto it = m_strings.find(Lower(value.substr(8)));
    return it == m_strings.end() ? std::string(value) : it->second;
}

pugi::xml_node CUiApp::GetStyle(std::string_view className) const
{
    auto it = m_styles.find(Lower(className));
    return it == m_styles.end() ? pugi::xml_node() : it->second;
}

pugi::xml_node CUiApp::GetDefaultAttributes(std::string_view elementName) const
{
    auto it = m_objAttrs.find(Lower(elementName));
    return it == m_objAttrs.end() ? pugi::xml_node() : it->second;
}

void CUiApp::RegisterNamedId(const std::string& name, int id)
{
    m_namedIds[Lower(name)] = id;
}

std::optional<int> CUiApp::NamedId(std::string_view name) const
{
    auto it = m_namedIds.find(Lower(name));
    if (it == m_namedIds.end())
        return std::nullopt;
    return it->second;
}

void CUiApp::SetDefaultFont(const std::string& face, int pixelSize)
{
    QFont font;
    QStringList families;
    families << ToQString(face) << CjkFallbacks();
    font.setFamilies(families);
    font.setPixelSize(pixelSize > 0 ? pixelSize : 12);
    m_defaultFont = font;
}

QFont CUiApp::ParseFont(std::string_view spec, const QFont& base) const
{
    QFont font = base;
    size_t start = 0;
    while (start < spec.size()) {
        size_t comma = spec.find(',', start);
        std::string_view item = spec.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        start = comma == std::string_view::npos ? spec.size() : comma + 1;
        size_t colon = item.find(':');
        if (colon == std::string_view::npos)
            continue;
        std::string key = Lower(item.substr(0, colon));
        std::string_view value = item.substr(colon + 1);
        if (key == "face") {
            QStringList families;
            families << ToQString(value) << CjkFallbacks();
            font.setFamilies(families);
        } else if (key == "size") {
            int size = ParseInt(value, 0);
            if (size > 0)
                font.setPixelSize(size);
        } else if (key == "adding") {
            int size = font.pixelSize() + ParseInt(value, 0);
            if (size > 0)
                font.setPixelSize(size);
        } else if (key == "bold") {
            font.setBold(ParseBool(value));
        } else if (key == "italic") {
            font.setItalic(ParseBool(value));
        } else if (key == "underline") {
            font.setUnderline(ParseBool(value));
        } else if (key == "strike") {
            font.setStrikeOut(ParseBool(value));
        }
    }
    return font;
}

bool CUiApp::LoadTranslator(std::string_view prefixedName)
{
    pugi::xml_document doc;
    if (!LoadXmlResource(prefixedName, doc, "translator"))
        return false;
    CTranslator translator;
    if (!translator.Load(doc.document_element())) {
        VY_LOG("translation table without a language root");
        return false;
    }
    m_translator = std::move(translator);
    return true;
}

std::string CUiApp::Translate(const std::string& context, const std::string& text) const
{
    return m_translator.Translate(context, text);
}

bool CUiApp::SetMessageBoxTemplate(std::string_view layoutName)
{
    pugi::xml_document doc;
    if (!LoadXmlResource(layoutName, doc, "LAYOUT"))
        return false;
    m_msgBoxTemplate.reset();
    m_msgBoxTemplate.append_copy(doc.document_element());
    return true;
}

pugi::xml_node CUiApp::MessageBoxTemplate() const
{
    return m_msgBoxTemplate.document_element();
}

void CUiApp::AddMessageFilter(IMessageFilter* filter)
{
    if (filter && std::find(m_filters.begin(), m_filters.end(), filter) == m_filters.end())
        m_filters.push_back(filter);
}

void CUiApp::RemoveMessageFilter(IMessageFilter* filter)
{
    m_filters.erase(std::remove(m_filters.begin(), m_filters.end(), filter), m_filters.end());
}

bool CUiApp::FilterMessage(SHostWnd* target, uint32_t msg, uintptr_t wParam, intptr_t lParam)
{
    // A filter may remove itself (or others) while it runs.
    std::vector<IMessageFilter*> filters = m_filters;
    for (IMessageFilter* filter : filters) {
        if (std::find(m_filters.begin(), m_filters.end(), filter) == m_filters.end())
            continue;
        if (filter->PreTranslateMessage(target, msg, wParam, lParam))
            return true;
    }
    return false;
}

}  // namespace vy
