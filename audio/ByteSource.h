#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vy {

// Random-access bytes of a sound: a file read with pread (so a file that
// shrinks under us gives short reads, never a fault) or a copy in memory.
class IByteSource {
public:
    virtual ~IByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Reads up to `length` bytes at `offset`; returns how many were read.
    virtual size_t ReadAt(uint64_t offset, void* buffer, size_t length) const = 0;
};

// Null with `error` set when the file cannot be opened.
std::unique_ptr<IByteSource> OpenFileBytes(const std::string& path, std::string& error);
std::unique_ptr<IByteSource> CopyMemoryBytes(const void* bytes, size_t length);

}  // namespace vy
