#pragma once

#include <string>

namespace vy {

// Where the workspace shows a short message over the main window.
class ITipSink {
public:
    virtual ~ITipSink() = default;
    virtual void ShowTip(const std::string& text, int durationMs, bool error) = 0;
};

} // namespace vy
