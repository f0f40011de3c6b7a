#pragma once

#include <array>
#include <cstddef>
#include <string>

// The records the cloud jobs produce. Texts are UTF-8; their limits are those
// of the fixed wide-character fields the program shows them in, counted in
// UTF-16 units (or in bytes where the limit is a byte count).
namespace vy {

// One category of cloud sounds (filled by the sound list job for itself).
struct CloudSoundCategory {
    static constexpr size_t kNameBytes = 63;
    std::string name;
    int id = 0;
};

// One sound of a category as the service lists it. The sound list job turns
// it into a cloud page item of the sound pad store.
struct CloudSoundRecord {
    static constexpr size_t kNameUnits = 31;
    static constexpr size_t kUrlUnits = 259;
    std::string name;
    std::string url;
    int id = 0;
};

// One cloud effect. Name and category have every "&" doubled, so that a label
// shows it literally rather than as a shortcut marker.
struct CloudEffectItem {
    static constexpr size_t kTextUnits = 63;
    static constexpr size_t kUrlUnits = 359;
    std::string name;
    int id = 0;
    std::string category;
    std::string url;
};

// One category of cloud effects.
struct EffectCategory {
    static constexpr size_t kNameUnits = 59;
    int id = 0;
    std::string name;
};

// One parameter of a cloud parameter group. A slot the service listed with a
// parameter number out of range keeps kNoParam, so it is never taken for
// parameter 0.
struct ParamEntry {
    static constexpr int kNoParam = -1;
    int id = 0;
    int bitNum = 0;
    int paramNo = kNoParam;
};

// One cloud parameter group: `count` slots of `entries` are in use, in the
// service's order; a group listing more than kSlots parameters is cut there.
struct ParamGroup {
    static constexpr int kSlots = 64;
    static constexpr int kParamCount = 64;  // parameter numbers run 0..63
    int id = 0;
    std::array<ParamEntry, kSlots> entries{};
    int count = 0;
};

}  // namespace vy
