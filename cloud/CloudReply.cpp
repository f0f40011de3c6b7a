#include "cloud/CloudReply.h"

#include "base/Utf.h"

#include <json/reader.h>

#include <climits>
#include <memory>
#include <vector>

namespace vy {

bool ReadCloudReply(std::string_view text, const char* parseFailureText, Json::Value& data, std::string& failureText)
{
    data = Json::Value(Json::arrayValue);
    Json::Value root;
    Json::CharReaderBuilder builder;
    builder["collectComments"] = false;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    bool parsed = false;
    try {
        parsed = reader->parse(text.data(), text.data() + text.size(), &root, nullptr);
    } catch (const std::exception&) {
        parsed = false;  // nesting deeper than the reader allows
    }
    if (!parsed || !root.isObject() || !root["message"].isString()) {
        failureText = parseFailureText;
        return false;
    }
    std::string message = CloudJsonString(root["message"]);
    if (!EqualsNoCase(message, "ok")) {
        failureText = message;
        return false;
    }
    const Json::Value& items = root["data"];
    if (items.isNull())
        return true;
    if (!items.isArray()) {
        failureText = parseFailureText;
        return false;
    }
    data = items;
    return true;
}

int CloudDecimalToInt(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

int CloudJsonInt(const Json::Value& value)
{
    if (value.isInt())
        return value.asInt();
    if (value.isInt64())
        return value.asInt64() < 0 ? INT_MIN : INT_MAX;
    if (value.isUInt64())
        return INT_MAX;
    if (value.isDouble()) {
        double d = value.asDouble();
        if (!(d == d))
            return 0;
        if (d >= static_cast<double>(INT_MAX))
            return INT_MAX;
        if (d <= static_cast<double>(INT_MIN))
            return INT_MIN;
        return static_cast<int>(d);
    }
    if (value.isString())
        return CloudDecimalToInt(value.asString());
    return 0;
}

std::string CloudJsonString(const Json::Value& value)
{
    if (!value.isString())
        return {};
    const char* begin = nullptr;
    const char* end = nullptr;
    value.getString(&begin, &end);
    // A round trip replaces malformed sequences, so nothing downstream sees them.
    return Utf16ToUtf8(Utf8ToUtf16(std::string_view(begin, static_cast<size_t>(end - begin))));
}

std::string CutUtf8Bytes(std::string_view text, size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return std::string(text);
    size_t cut = maxBytes;
    // Step back over continuation bytes to the start of the cut character.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return std::string(text.substr(0, cut));
}

std::string CutUtf16Units(std::string_view text, size_t maxUnits, bool* fits)
{
    std::u16string wide = Utf8ToUtf16(text);
    std::vector<char16_t> field(maxUnits + 1);
    bool whole = CopyToFixedUtf16(wide, field.data(), field.size());
    if (fits)
        *fits = whole;
    return Utf16ToUtf8(ReadFixedUtf16(field.data(), field.size()));
}

std::string DoubleAmpersands(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out.push_back(c);
        if (c == '&')
            out.push_back('&');
    }
    return out;
}

std::string ShownLabelText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        out.push_back(text[i]);
        if (text[i] == '&' && i + 1 < text.size() && text[i + 1] == '&')
            ++i;
    }
    return out;
}

}  // namespace vy
