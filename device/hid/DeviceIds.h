#pragma once

#include <cstdint>
#include <string>

// The USB ids of the built-in device model, in this one place.
namespace vy {

constexpr uint16_t kPx40VendorId = 0x35F7;
constexpr uint16_t kPx40ProductId = 0x0040;

struct SUsbIds {
    uint16_t vendorId = kPx40VendorId;
    uint16_t productId = kPx40ProductId;

    bool operator==(const SUsbIds&) const = default;
};

// The ids to look for: the built-in ones unless the environment variable
// PX40_USB_ID holds "vvvv:pppp" (hexadecimal), or else the first line of
// $XDG_CONFIG_HOME/px40/usb-id (default ~/.config/px40/usb-id) does. A value
// that does not parse is logged and ignored.
SUsbIds ModelUsbIds();

// Parses one id: 1 to 4 hexadecimal digits, an optional "0x" first.
bool ParseUsbId(const std::string& text, uint16_t& id);
// Parses "vvvv:pppp" (hexadecimal, 1 to 4 digits each, an optional "0x").
bool ParseUsbIds(const std::string& text, SUsbIds& ids);

} // namespace vy
