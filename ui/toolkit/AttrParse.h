#pragma once

#include <QColor>
#include <QMargins>
#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// Parsing of layout attribute values and the text helpers for XML made at run
// time. Values come from product files and from users: every parser accepts
// junk without throwing and says so.
namespace vy {

// Decimal or "0x" hexadecimal, optional sign and surrounding blanks. Junk
// after the number is ignored, like the C library's conversions; no digits
// at all gives nullopt.
std::optional<long long> ParseInteger(std::string_view text);
int ParseInt(std::string_view text, int fallback = 0);
std::optional<double> ParseReal(std::string_view text);
// "0", "false", "no" and an empty text are false; anything else is true.
bool ParseBool(std::string_view text);
// Comma-separated integers: "5,0,5,0".
std::vector<int> ParseIntList(std::string_view text);
// "l,t,r,b"; one value applies to all four sides, two to (horizontal, vertical).
QMargins ParseMargins(std::string_view text);
// "#rgb", "#rrggbb", "#rrggbbaa" (alpha last), "rgb(r,g,b)", "rgba(r,g,b,a)".
std::optional<QColor> ParseColor(std::string_view text);

QString ToQString(std::string_view utf8);
std::string FromQString(const QString& text);

// Escapes &, <, >, " and ' so a text stays a text inside XML.
std::string XmlEscape(std::string_view text);

// Fills a printf-style template made of product data ("%d", "%s", "%%")
// without handing the data to printf: a template with more, fewer or other
// conversions than arguments can neither read past the arguments nor write
// memory. Text arguments are XML-escaped, because the result is parsed as
// XML; a conversion without an argument is left as it is.
using TemplateArg = std::variant<long long, std::string>;
std::string FormatXmlTemplate(std::string_view templ, const std::vector<TemplateArg>& args);

}  // namespace vy
