#pragma once

#include <cstdint>
#include <string>

namespace vy {

// The record holds 64 values, so at most 64 parameters exist.
constexpr int32_t kMaxParams = 64;
// Longest parameter name, in UTF-16 units (a 32-unit field with its terminator).
constexpr size_t kParamNameChars = 31;

// One device parameter, one entry of the "DefaultParamInfo" section.
struct ParamDef {
    int32_t paramNo = 0;     // equals the entry's position
    std::string name;        // written to the log when the value changes
    int32_t minVal = 0;      // range a bound control offers
    int32_t maxVal = 0;
    int32_t defVal = 0;      // value after loading
    int32_t sendDevice = 0;  // part of the full set written to the device and of the unsaved-changes test
    int32_t bRecord = 1;     // 0: put back to the saved value at shutdown
    int32_t valByte = 0;     // 3-bit code sent in bits 7..5 of the value's high byte
    int32_t bitMerge = 0;    // packed into the word of mergeNo instead of sent under its own number
    int32_t mergeNo = 0;     // the parameter that carries the packed word
    int32_t mergeStartBit = 0;  // kept for the record; the encoding does not use it
    int32_t mergeEndBit = 0;    // left shift of the value inside the packed word
};

}  // namespace vy
