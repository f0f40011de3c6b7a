#pragma once

#include <json/value.h>

#include <string>
#include <string_view>

// Reading the service's answers: the envelope {"message": ..., "data": [...]}
// and the loose value types its records use.
namespace vy {

// Parses `text`. True when "message" is "ok" (in any letter case); `data` is
// then the "data" array (empty when absent). False otherwise, with
// `failureText` set to `parseFailureText` when the text is not a JSON object
// with a string "message", or to the service's own message.
bool ReadCloudReply(std::string_view text, const char* parseFailureText, Json::Value& data,
                    std::string& failureText);

// An integer field, given as a JSON number or as decimal text ("12"); 0 when
// it is neither. Values beyond int are clamped.
int CloudJsonInt(const Json::Value& value);
// A string field; "" when absent or not a string. Bad UTF-8 becomes U+FFFD.
std::string CloudJsonString(const Json::Value& value);
// Decimal text as the program reads it: blanks, a sign, then digits up to
// the first other character; 0 when there are none; clamped to int.
int CloudDecimalToInt(std::string_view text);

// Cuts UTF-8 text to at most `maxBytes` bytes at a character boundary.
std::string CutUtf8Bytes(std::string_view text, size_t maxBytes);
// Cuts UTF-8 text to at most `maxUnits` UTF-16 units, never inside a
// character; true in `fits` when nothing had to go.
std::string CutUtf16Units(std::string_view text, size_t maxUnits, bool* fits = nullptr);
// Replaces every "&" by "&&".
std::string DoubleAmpersands(std::string_view text);
// The reverse, for showing a label's text as the user sees it.
std::string ShownLabelText(std::string_view text);

}  // namespace vy
