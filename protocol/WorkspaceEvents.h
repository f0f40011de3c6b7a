#pragma once

#include "base/EventIds.h"
#include "base/NotifyCenter.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace vy {

// Parameters whose values changed: (parameter number, value) pairs.
class EventParamChanged : public CEventBase {
public:
    using Pairs = std::vector<std::pair<int32_t, int32_t>>;

    EventParamChanged()
        : CEventBase(events::kParamChanged, "on_param_changed")
    {
    }
    explicit EventParamChanged(Pairs pairs)
        : EventParamChanged()
    {
        m_pairs = std::move(pairs);
    }

    void Add(int32_t paramNo, int32_t value) { m_pairs.emplace_back(paramNo, value); }
    const Pairs& Params() const { return m_pairs; }

private:
    Pairs m_pairs;
};

// The one-touch soundtrack control changed: its value and whether the
// equaliser and the reverb follow it for the current effect.
class EventOneTouchSoundtrack : public CEventBase {
public:
    EventOneTouchSoundtrack(int32_t value, int32_t eqAffected, int32_t reverbAffected)
        : CEventBase(events::kOneTouchSoundtrack, "one_touch_soundtrack")
        , m_value(value)
        , m_eqAffected(eqAffected)
        , m_reverbAffected(reverbAffected)
    {
    }
    int32_t Value() const { return m_value; }
    int32_t EqAffected() const { return m_eqAffected; }
    int32_t ReverbAffected() const { return m_reverbAffected; }

private:
    int32_t m_value;
    int32_t m_eqAffected;
    int32_t m_reverbAffected;
};

} // namespace vy
