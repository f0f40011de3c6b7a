#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vy {

// Report lengths in bytes as the HID stack states them: the longest report of
// each kind, plus one byte for the report id (present even when the device
// uses no report ids). 0 when the device has no report of that kind.
struct SReportLengths {
    int input = 0;
    int output = 0;
    int feature = 0;
    bool usesReportIds = false;
};

// Walks a HID report descriptor. False, with a reason in `error`, when the
// descriptor is malformed (a truncated item, a pop without a push, ...).
bool ParseReportDescriptor(const uint8_t* data, size_t size, SReportLengths& lengths, std::string* error = nullptr);

// A vendor-defined descriptor with one input and one output report of the
// given lengths (report-id byte included, 1 to 256 bytes), no report ids.
std::vector<uint8_t> BuildVendorReportDescriptor(int inputLength, int outputLength);

} // namespace vy
