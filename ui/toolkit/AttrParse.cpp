#include "ui/toolkit/AttrParse.h"
#include "base/HexText.h"

#include "base/Utf.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace vy {
namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

}  // namespace

std::optional<long long> ParseInteger(std::string_view text)
{
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    unsigned long long value = 0;
    size_t digits = 0;
    for (char c : text) {
        int d = base == 16 ? HexDigit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
        if (d < 0)
            break;
        if (value > (~0ull - static_cast<unsigned>(d)) / static_cast<unsigned>(base))
            value = ~0ull;  // saturate rather than wrap
        else
            value = value * static_cast<unsigned>(base) + static_cast<unsigned>(d);
        ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    constexpr unsigned long long kMax = 0x7FFFFFFFFFFFFFFFull;
    if (value > kMax)
        value = kMax;
    long long signedValue = static_cast<long long>(value);
    return negative ? -signedValue : signedValue;
}

int ParseInt(std::string_view text, int fallback)
{
    auto v = ParseInteger(text);
    if (!v)
        return fallback;
    if (*v > 0x7FFFFFFF)
        return 0x7FFFFFFF;
    if (*v < -0x7FFFFFFF - 1)
        return -0x7FFFFFFF - 1;
    return static_cast<int>(*v);
}

std::optional<double> ParseReal(std::string_view text)
{
    std::string copy(Trim(text));
    if (copy.empty())
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(copy.c_str(), &end);
    if (end == copy.c_str())
        return std::nullopt;
    return v;
}

bool ParseBool(std::string_view text)
{
    text = Trim(text);
    return !(text.empty() || text == "0" || EqualsNoCase(text, "false") || EqualsNoCase(text, "no"));
}

std::vector<int> ParseIntList(std::string_view text)
{
    std::vector<int> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        std::string_view piece = text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        if (!Trim(piece).empty())
            out.push_back(ParseInt(piece));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return out;
}

QMargins ParseMargins(std::string_view text)
{
    auto v = ParseIntList(text);
    switch (v.size()) {
    case 0:
        return {};
    case 1:
        return {v[0], v[0], v[0], v[0]};
    case 2:
    case 3:
        return {v[0], v[1], v[0], v[1]};
    default:
        return {v[0], v[1], v[2], v[3]};
    }
}

std::optional<QColor> ParseColor(std::string_view text)
{
    text = Trim(text);
    if (text.empty())
        return std::nullopt;
    if (text.front() == '#') {
        std::string_view hex = text.substr(1);
        for (char c : hex)
            if (HexDigit(c) < 0)
                return std::nullopt;
        auto byteAt = [&](size_t i) { return HexDigit(hex[i]) * 16 + HexDigit(hex[i + 1]); };
        if (hex.size() == 3)
            return QColor(HexDigit(hex[0]) * 17, HexDigit(hex[1]) * 17, HexDigit(hex[2]) * 17);
        if (hex.size() == 6)
            return QColor(byteAt(0), byteAt(2), byteAt(4));
        if (hex.size() == 8)
            return QColor(byteAt(0), byteAt(2), byteAt(4), byteAt(6));
        return std::nullopt;
    }
    std::string lower = ToLowerAscii(text);
    bool rgba = lower.rfind("rgba(", 0) == 0;
    bool rgb = !rgba && lower.rfind("rgb(", 0) == 0;
    if ((rgb || rgba) && lower.back() == ')') {
        size_t open = lower.find('(');
        auto v = ParseIntList(std::string_view(lower).substr(open + 1, lower.size() - open - 2));
        auto clamp = [](int c) { return c < 0 ? 0 : (c > 255 ? 255 : c); };
        if (rgb && v.size() == 3)
            return QColor(clamp(v[0]), clamp(v[1]), clamp(v[2]));
        if (rgba && v.size() == 4)
            return QColor(clamp(v[0]), clamp(v[1]), clamp(v[2]), clamp(v[3]));
    }
    return std::nullopt;
}

QString ToQString(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string FromQString(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

std::string XmlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

std::string FormatXmlTemplate(std::string_view templ, const std::vector<TemplateArg>& args)
{
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < templ.size(); ++i) {
        char c = templ[i];
        if (c != '%' || i + 1 >= templ.size()) {
            out.push_back(c);
            continue;
        }
        char conv = templ[i + 1];
        if (conv == '%') {
            out.push_back('%');
            ++i;
            continue;
        }
        if ((conv == 'd' || conv == 's') && next < args.size()) {
            const TemplateArg& arg = args[next++];
            if (const auto* number = std::get_if<long long>(&arg))
                out += std::to_string(*number);
            else
                out += XmlEscape(std::get<std::string>(arg));
            ++i;
            continue;
        }
        out.push_back(c);
    }
    return out;
}

}  // namespace vy
