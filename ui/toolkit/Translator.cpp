#include "ui/toolkit/Translator.h"

#include "base/Log.h"
#include "base/Utf.h"

namespace vy {

bool CTranslator::Load(const pugi::xml_node& language)
{
    if (!language || !EqualsNoCase(language.name(), "language"))
        return false;
    m_name = language.attribute("name").as_string();
    m_table.clear();
    for (pugi::xml_node context : language.children()) {
        if (!EqualsNoCase(context.name(), "context"))
            continue;
        std::string ctx = context.attribute("name").as_string();
        for (pugi::xml_node item : context.children()) {
            if (!EqualsNoCase(item.name(), "item"))
                continue;
            std::string src = item.attribute("src").as_string();
            if (src.empty())
                continue;
            m_table[{ctx, src}] = item.text().as_string();
        }
    }
    return true;
}

bool CTranslator::LoadFromText(const std::string& xml)
{
    pugi::xml_document doc;
    pugi::xml_parse_result result = doc.load_buffer(xml.data(), xml.size());
    if (!result) {
        VY_LOG("translation table unreadable: %s", result.description());
        return false;
    }
    return Load(doc.document_element());
}

std::string CTranslator::Translate(const std::string& context, const std::string& text) const
{
    auto it = m_table.find({context, text});
    return it == m_table.end() ? text : it->second;
}

bool CTranslator::Has(const std::string& context, const std::string& text) const
{
    return m_table.count({context, text}) != 0;
}

}  // namespace vy
