#pragma once

#include "base/EventIds.h"
#include "ui/toolkit/UiEvents.h"

namespace vy {

// Raised by a moveThumb on each mouse move while it is dragged. Points are
// in the host window's client coordinates. The handle does not move itself.
class EventThumbMoving : public CUiEvent {
public:
    static constexpr uint32_t kId = events::kThumbMoving;
    EventThumbMoving(SWindow* sender, int thumbId, QPoint proposedCentre, QPoint currentCentre)
        : CUiEvent(kId, "on_thumb_moving", sender), id(thumbId), proposed(proposedCentre), current(currentCentre)
    {
    }
    int id;
    QPoint proposed;
    QPoint current;
};

// Raised by the equaliser graph after a drag changed a band.
class EventEqValueChanged : public CUiEvent {
public:
    static constexpr uint32_t kId = events::kEqValueChanged;
    static constexpr int kGainChanged = 1;
    static constexpr int kFreqChanged = 2;
    EventEqValueChanged(SWindow* sender, int bandIndex, int changeMask, double bandGain, double bandFreq)
        : CUiEvent(kId, "on_eqchanged", sender), band(bandIndex), mask(changeMask), gain(bandGain), freq(bandFreq)
    {
    }
    int band;
    int mask;
    double gain;
    double freq;
};

// Raised by an edit2 box for a step request: +1, -1, or 0 (Enter).
class EventEditValueChanging : public CUiEvent {
public:
    static constexpr uint32_t kId = events::kEditValueChanging;
    EventEditValueChanging(SWindow* sender, int stepValue)
        : CUiEvent(kId, "on_edit_valuechanging", sender), step(stepValue)
    {
    }
    int step;
};

}  // namespace vy
