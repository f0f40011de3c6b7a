#pragma once

#include <cstdint>

namespace vy {

// A payload scrambler applied in place.
class ICommEncrypt {
public:
    virtual ~ICommEncrypt() = default;

    virtual void Encrypt(uint8_t* packet) = 0;
    virtual void Decrypt(uint8_t* packet) = 0;
};

} // namespace vy
