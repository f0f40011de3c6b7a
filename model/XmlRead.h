#pragma once

#include "model/LoadReport.h"

#include <pugixml.hpp>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vy {

class IResourceProvider;

// The reading conventions shared by every definition document: element and
// attribute names and the values that name sections match without regard to
// case, numbers read like base-10 strtol, booleans by their first character,
// comma lists that skip empty items.
namespace xml {

// Resource type of the definition documents.
constexpr std::string_view kDocumentType = "DATA";

// Looks the document up as ("DATA", name) and parses it. False, with `doc`
// emptied, when it is missing or not well-formed XML.
bool LoadDocument(const IResourceProvider& resources, std::string_view name, pugi::xml_document& doc,
                  LoadReport* report = nullptr);

// The document's `VyAudio` element, or an empty node.
pugi::xml_node Root(const pugi::xml_document& doc);

// First child element whose tag equals `tag`.
pugi::xml_node FindChild(pugi::xml_node parent, std::string_view tag);
// Attribute by name.
pugi::xml_attribute FindAttribute(pugi::xml_node node, std::string_view name);
// First child element (any tag) whose `Name` attribute equals `section`.
pugi::xml_node FindSection(pugi::xml_node parent, std::string_view section);

// Base-10 strtol semantics: leading white space and a sign, digits up to the
// first non-digit, no digits gives 0; out-of-range values stop at the 32-bit
// limits. `clean` tells whether the whole text was one well-formed number.
int32_t ParseInt(std::string_view text, bool* clean = nullptr);
// True when the first character is 1, t, T, y or Y.
bool ParseBool(std::string_view text);
// Comma list; empty items are skipped, each item read by ParseInt.
std::vector<int32_t> ParseIntList(std::string_view text, bool* clean = nullptr);

// Attribute readers: a missing attribute gives `fallback`. A report, when
// given, is told about text that was not a clean number.
int32_t ReadInt(pugi::xml_node node, std::string_view name, int32_t fallback, LoadReport* report = nullptr);
bool ReadBool(pugi::xml_node node, std::string_view name, bool fallback);
// At most `maxItems` items are kept; more are reported and dropped.
std::vector<int32_t> ReadIntList(pugi::xml_node node, std::string_view name, size_t maxItems,
                                 LoadReport* report = nullptr);
// Text cut to at most `maxUnits` UTF-16 units (never inside a character),
// the room a fixed wide field leaves besides its terminator.
std::string ReadText(pugi::xml_node node, std::string_view name, size_t maxUnits, LoadReport* report = nullptr);

// "<tag name="...">" for notes.
std::string Describe(pugi::xml_node node);

}  // namespace xml
}  // namespace vy
