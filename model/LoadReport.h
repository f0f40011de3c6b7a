#pragma once

#include <string>
#include <vector>

namespace vy {

// What a definition loader had to guess at: a number that was not clean
// decimal, a name cut to its field, an entry beyond the record's 64 values.
// The loaders read such input the way the device program always has; the
// notes let tools and the product-data tests say what was bent.
struct LoadReport {
    std::vector<std::string> notes;

    void Add(std::string note) { notes.push_back(std::move(note)); }
    bool Clean() const { return notes.empty(); }
};

}  // namespace vy
