#include "device/hid/ReportDescriptor.h"

#include <algorithm>
#include <map>

namespace vy {
namespace {

enum ItemType { kMain = 0, kGlobal = 1, kLocal = 2 };

enum MainTag { kInput = 0x8, kOutput = 0x9, kCollection = 0xA, kFeature = 0xB, kEndCollection = 0xC };

enum GlobalTag { kReportSize = 0x7, kReportId = 0x8, kReportCount = 0x9, kPush = 0xA, kPop = 0xB };

// The global state that decides report sizes; Push and Pop save and restore it.
struct SGlobals {
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint32_t reportId = 0;
};

// A descriptor cannot describe more than this many items on the stack; deeper
// nesting is taken for garbage rather than grown without bound.
constexpr size_t kMaxPushDepth = 64;

bool Fail(std::string* error, const std::string& text)
{
    if (error)
        *error = text;
    return false;
}

int BytesOf(uint64_t bits)
{
    const uint64_t bytes = (bits + 7) / 8 + 1;
    return bytes > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(bytes);
}

int Longest(const std::map<uint32_t, uint64_t>& reports)
{
    int longest = 0;
    for (const auto& entry : reports)
        longest = std::max(longest, BytesOf(entry.second));
    return longest;
}

} // namespace

bool ParseReportDescriptor(const uint8_t* data, size_t size, SReportLengths& lengths, std::string* error)
{
    lengths = SReportLengths {};
    if (!data && size > 0)
        return Fail(error, "no descriptor data");
    SGlobals globals;
    std::vector<SGlobals> stack;
    // Bits per report id, for each kind of report.
    std::map<uint32_t, uint64_t> input, output, feature;
    int depth = 0;

    size_t pos = 0;
    while (pos < size) {
        const uint8_t prefix = data[pos];
        if (prefix == 0xFE) {
            // A long item: its data size follows, then its tag, then the data.
            if (pos + 3 > size)
                return Fail(error, "truncated long item at offset " + std::to_string(pos));
            const size_t dataSize = data[pos + 1];
            if (pos + 3 + dataSize > size)
                return Fail(error, "truncated long item at offset " + std::to_string(pos));
            pos += 3 + dataSize;
            continue;
        }
        const size_t sizeCode = prefix & 0x3;
        const size_t dataSize = sizeCode == 3 ? 4 : sizeCode;
        const int type = (prefix >> 2) & 0x3;
        const int tag = prefix >> 4;
        if (pos + 1 + dataSize > size)
            return Fail(error, "truncated item at offset " + std::to_string(pos));
        uint32_t value = 0;
        for (size_t i = 0; i < dataSize; ++i)
            value |= static_cast<uint32_t>(data[pos + 1 + i]) << (8 * i);
        pos += 1 + dataSize;

        if (type == kMain) {
            const uint64_t bits = static_cast<uint64_t>(globals.reportSize) * globals.reportCount;
            switch (tag) {
            case kInput:
                input[globals.reportId] += bits;
                break;
            case kOutput:
                output[globals.reportId] += bits;
                break;
            case kFeature:
                feature[globals.reportId] += bits;
                break;
            case kCollection:
                ++depth;
                break;
            case kEndCollection:
                if (depth == 0)
                    return Fail(error, "end of collection without a collection");
                --depth;
                break;
            default:
                break;
            }
        } else if (type == kGlobal) {
            switch (tag) {
            case kReportSize:
                globals.reportSize = value;
                break;
            case kReportCount:
                globals.reportCount = value;
                break;
            case kReportId:
                if (value == 0 || value > 255)
                    return Fail(error, "report id " + std::to_string(value) + " out of range");
                globals.reportId = value;
                lengths.usesReportIds = true;
                break;
            case kPush:
                if (stack.size() >= kMaxPushDepth)
                    return Fail(error, "global items pushed too deep");
                stack.push_back(globals);
                break;
            case kPop:
                if (stack.empty())
                    return Fail(error, "pop without a push");
                globals = stack.back();
                stack.pop_back();
                break;
            default:
                break;
            }
        }
        // Local items (usages, designators, strings) do not change sizes.
    }
    if (depth != 0)
        return Fail(error, "collection not closed");
    lengths.input = Longest(input);
    lengths.output = Longest(output);
    lengths.feature = Longest(feature);
    return true;
}

std::vector<uint8_t> BuildVendorReportDescriptor(int inputLength, int outputLength)
{
    auto reportCount = [](std::vector<uint8_t>& d, int count) {
        if (count <= 0xFF) {
            d.insert(d.end(), { 0x95, static_cast<uint8_t>(count) });
        } else {
            d.insert(d.end(), { 0x96, static_cast<uint8_t>(count & 0xFF), static_cast<uint8_t>(count >> 8) });
        }
    };
    inputLength = std::clamp(inputLength, 1, 256);
    outputLength = std::clamp(outputLength, 1, 256);
    std::vector<uint8_t> d = {
        0x06, 0x00, 0xFF, // usage page: vendor defined
        0x09, 0x01, // usage 1
        0xA1, 0x01, // collection: application
        0x15, 0x00, // logical minimum 0
        0x26, 0xFF, 0x00, // logical maximum 255
        0x75, 0x08, // report size 8
        0x09, 0x02, // usage 2
    };
    reportCount(d, inputLength - 1);
    d.insert(d.end(), { 0x81, 0x02 }); // input: data, variable, absolute
    d.insert(d.end(), { 0x09, 0x03 }); // usage 3
    reportCount(d, outputLength - 1);
    d.insert(d.end(), { 0x91, 0x02 }); // output: data, variable, absolute
    d.push_back(0xC0); // end collection
    return d;
}

} // namespace vy
