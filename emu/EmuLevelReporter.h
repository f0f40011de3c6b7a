#pragma once

#include "base/ThreadObject.h"

#include <functional>

namespace vy::emu {

// Calls a tick at a fixed interval on its own thread until stopped: what
// makes the emulated card send its level reports.
class CEmuLevelReporter : public CThreadObject {
public:
    explicit CEmuLevelReporter(std::function<void()> tick);
    ~CEmuLevelReporter() override;

    bool Start(int intervalMs);

protected:
    int Run() override;

private:
    std::function<void()> m_tick;
    int m_intervalMs = 1000;
};

} // namespace vy::emu
