#pragma once

#include <pugixml.hpp>

#include <map>
#include <string>

namespace vy {

// A translation table by context, read from a "language" document:
//   <language name="cn">
//     <context name="main_menu">
//       <item src="Show">显示窗口</item>
//     </context>
//   </language>
// The empty context is written as <context name="">.
class CTranslator {
public:
    bool Load(const pugi::xml_node& language);
    bool LoadFromText(const std::string& xml);
    // The translation, or the source text when the table has none.
    std::string Translate(const std::string& context, const std::string& text) const;
    bool Has(const std::string& context, const std::string& text) const;
    const std::string& Name() const { return m_name; }
    size_t Size() const { return m_table.size(); }

private:
    std::string m_name;
    std::map<std::pair<std::string, std::string>, std::string> m_table;
};

}  // namespace vy
