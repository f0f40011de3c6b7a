#include "model/XmlRead.h"

#include "base/Log.h"
#include "base/ResourceProvider.h"
#include "base/Utf.h"

#include <limits>

namespace vy::xml {
namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void Note(LoadReport* report, pugi::xml_node node, std::string_view attribute, std::string_view what)
{
    if (report)
        report->Add(Describe(node) + " " + std::string(attribute) + ": " + std::string(what));
}

}  // namespace

bool LoadDocument(const IResourceProvider& resources, std::string_view name, pugi::xml_document& doc,
                  LoadReport* report)
{
    doc.reset();
    std::string content;
    if (!resources.Find(kDocumentType, name, content)) {
        if (report)
            report->Add("document \"" + std::string(name) + "\" not found");
        return false;
    }
    pugi::xml_parse_result result = doc.load_buffer(content.data(), content.size());
    if (!result) {
        VY_LOG("definition document %.*s: %s at offset %td", static_cast<int>(name.size()), name.data(),
               result.description(), result.offset);
        if (report)
            report->Add("document \"" + std::string(name) + "\" is not well-formed: " + result.description() +
                        " at offset " + std::to_string(result.offset));
        doc.reset();
        return false;
    }
    return true;
}

pugi::xml_node Root(const pugi::xml_document& doc)
{
    return FindChild(doc, "VyAudio");
}

pugi::xml_node FindChild(pugi::xml_node parent, std::string_view tag)
{
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_element && EqualsNoCase(child.name(), tag))
            return child;
    return {};
}

pugi::xml_attribute FindAttribute(pugi::xml_node node, std::string_view name)
{
    for (pugi::xml_attribute attr = node.first_attribute(); attr; attr = attr.next_attribute())
        if (EqualsNoCase(attr.name(), name))
            return attr;
    return {};
}

pugi::xml_node FindSection(pugi::xml_node parent, std::string_view section)
{
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element)
            continue;
        pugi::xml_attribute name = FindAttribute(child, "Name");
        if (name && EqualsNoCase(name.value(), section))
            return child;
    }
    return {};
}

int32_t ParseInt(std::string_view text, bool* clean)
{
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const size_t firstDigit = i;
    bool overflow = false;
    int64_t magnitude = 0;
    // Accumulate negatively limited so that INT32_MIN itself is reachable.
    const int64_t limit = negative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min())
                                   : static_cast<int64_t>(std::numeric_limits<int32_t>::max());
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        if (!overflow) {
            magnitude = magnitude * 10 + (text[i] - '0');
            if (magnitude > limit) {
                overflow = true;
                magnitude = limit;
            }
        }
        ++i;
    }
    const bool anyDigit = i > firstDigit;
    if (clean) {
        size_t rest = i;
        while (rest < text.size() && IsSpace(text[rest]))
            ++rest;
        *clean = anyDigit && !overflow && rest == text.size();
    }
    if (!anyDigit)
        return 0;
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

bool ParseBool(std::string_view text)
{
    if (text.empty())
        return false;
    char c = text.front();
    return c == '1' || c == 't' || c == 'T' || c == 'y' || c == 'Y';
}

std::vector<int32_t> ParseIntList(std::string_view text, bool* clean)
{
    std::vector<int32_t> values;
    bool allClean = true;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string_view::npos)
            comma = text.size();
        std::string_view item = text.substr(start, comma - start);
        if (!item.empty()) {
            bool itemClean = true;
            values.push_back(ParseInt(item, &itemClean));
            allClean = allClean && itemClean;
        }
        start = comma + 1;
    }
    if (clean)
        *clean = allClean;
    return values;
}

int32_t ReadInt(pugi::xml_node node, std::string_view name, int32_t fallback, LoadReport* report)
{
    pugi::xml_attribute attr = FindAttribute(node, name);
    if (!attr)
        return fallback;
    bool clean = true;
    int32_t value = ParseInt(attr.value(), &clean);
    if (!clean)
        Note(report, node, name, "\"" + std::string(attr.value()) + "\" is not a plain number, read as " +
                                     std::to_string(value));
    return value;
}

bool ReadBool(pugi::xml_node node, std::string_view name, bool fallback)
{
    pugi::xml_attribute attr = FindAttribute(node, name);
    return attr ? ParseBool(attr.value()) : fallback;
}

std::vector<int32_t> ReadIntList(pugi::xml_node node, std::string_view name, size_t maxItems, LoadReport* report)
{
    pugi::xml_attribute attr = FindAttribute(node, name);
    if (!attr)
        return {};
    bool clean = true;
    std::vector<int32_t> values = ParseIntList(attr.value(), &clean);
    if (!clean)
        Note(report, node, name, "holds an item that is not a plain number");
    if (values.size() > maxItems) {
        Note(report, node, name,
             std::to_string(values.size()) + " items, only the first " + std::to_string(maxItems) + " are kept");
        values.resize(maxItems);
    }
    return values;
}

std::string ReadText(pugi::xml_node node, std::string_view name, size_t maxUnits, LoadReport* report)
{
    pugi::xml_attribute attr = FindAttribute(node, name);
    if (!attr)
        return {};
    std::u16string wide = Utf8ToUtf16(attr.value());
    if (wide.size() <= maxUnits)
        return attr.value();
    size_t keep = maxUnits;
    if (keep > 0 && wide[keep - 1] >= 0xD800 && wide[keep - 1] <= 0xDBFF)
        --keep;
    wide.resize(keep);
    std::string cut = Utf16ToUtf8(wide);
    Note(report, node, name, "\"" + std::string(attr.value()) + "\" is longer than " + std::to_string(maxUnits) +
                                 " characters, cut to \"" + cut + "\"");
    return cut;
}

std::string Describe(pugi::xml_node node)
{
    std::string text = "<" + std::string(node.name());
    if (pugi::xml_attribute name = FindAttribute(node, "name"))
        text += " name=\"" + std::string(name.value()) + "\"";
    return text + ">";
}

}  // namespace vy::xml
