#pragma once

namespace vy {

// The application's side of the global hotkeys: the master switch, and the
// hotkeys besides the effects' (sound pad favorites, one-touch soundtrack)
// that "all hotkeys" also covers.
class IAppHotkeys {
public:
    virtual ~IAppHotkeys() = default;
    virtual bool IsHotkeySwitchOn() const = 0;
    virtual void RegisterOtherHotkeys() = 0;
    virtual void UnregisterOtherHotkeys() = 0;
};

} // namespace vy
