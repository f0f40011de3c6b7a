#pragma once

#include "base/EventIds.h"
#include "base/NotifyCenter.h"

#include <cstdint>

namespace vy {

class CAudioEngines;

// A player of a CAudioEngines reported `code` (the end of playback).
class EventPlaybackMsg : public CEventBase {
public:
    static constexpr const char* kName = "on_event_playback_msg";

    EventPlaybackMsg(CAudioEngines* engines, uint32_t code)
        : CEventBase(events::kPlaybackMsg, kName), m_engines(engines), m_code(code)
    {
    }
    // Only for comparing with one's own holder: it may be gone by now.
    CAudioEngines* Engines() const { return m_engines; }
    uint32_t Code() const { return m_code; }

private:
    CAudioEngines* m_engines;
    uint32_t m_code;
};

}  // namespace vy
