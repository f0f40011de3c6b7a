#pragma once

#include <cstdint>

namespace vy {

// The page's control binding as the workspace sees it: which control shows a
// parameter, and how to move that control (and its followers) to a value
// that came from the model.
class IParamControlBinder {
public:
    virtual ~IParamControlBinder() = default;
    // The primary control of the parameter, or -1 when none is bound.
    virtual int PrimaryControl(int32_t paramNo) const = 0;
    virtual void UpdateBoundControl(int controlId, int32_t value) = 0;
};

} // namespace vy
