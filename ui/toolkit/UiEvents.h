#pragma once

#include "base/NotifyCenter.h"

#include <QPoint>

#include <cstdint>
#include <string>

namespace vy {

class SWindow;

// Ids of the toolkit's control events. Command, slider, combo box and kill
// focus keep the numbers the pages know them by.
namespace uievents {
constexpr uint32_t kSetFocus = 8100;
constexpr uint32_t kKillFocus = 8101;
constexpr uint32_t kCtxMenu = 8110;
constexpr uint32_t kLButtonDown = 8120;
constexpr uint32_t kLButtonUp = 8121;
constexpr uint32_t kStateChanged = 8130;
constexpr uint32_t kCmd = 10000;
constexpr uint32_t kTabSelChanged = 11000;
constexpr uint32_t kSliderPos = 17000;
constexpr uint32_t kCBSelChange = 19000;
}  // namespace uievents

// An event raised by a control: its id and name, and the sender's id and
// name. It travels from the control's own subscribers to its host window's
// handler chain; the first handler that handles it ends the trip.
class CUiEvent : public CEventBase {
public:
    CUiEvent(uint32_t id, std::string name, SWindow* sender);
    SWindow* Sender() const { return m_sender; }
    int IdFrom() const { return m_idFrom; }
    const std::string& NameFrom() const { return m_nameFrom; }
    // Lets a handler re-address an event (a press on one control acting as
    // a click on another).
    void SetSender(SWindow* sender);

private:
    SWindow* m_sender;
    int m_idFrom;
    std::string m_nameFrom;
};

class EventCmd : public CUiEvent {
public:
    static constexpr uint32_t kId = uievents::kCmd;
    explicit EventCmd(SWindow* sender) : CUiEvent(kId, "on_command", sender) {}
};

class EventSliderPos : public CUiEvent {
public:
    static constexpr uint32_t kId = uievents::kSliderPos;
    EventSliderPos(SWindow* sender, int pos) : CUiEvent(kId, "on_slider_pos", sender), nPos(pos) {}
    int nPos;
};

class EventCBSelChange : public CUiEvent {
public:
    static constexpr uint32_t kId = uievents::kCBSelChange;
    EventCBSelChange(SWindow* sender, int sel) : CUiEvent(kId, "on_combobox_sel_change", sender), nCurSel(sel) {}
    int nCurSel;
};

class EventSetFocus : public CUiEvent {
public:
    static constexpr uint32_t kId = uievents::kSetFocus;
    explicit EventSetFocus(SWindow* sender) : CUiEvent(kId, "on_set_focus", sender) {}
};

class EventKillFocus : public CUiEvent {
public:
    static constexpr uint32_t kId = uievents::kKillFocus;
    explicit EventKillFocus(SWindow* sender) : CUiEvent(kId, "on_kill_focus", sender) {}
};

// pt is in the host window's client coordinates.
class EventCtxMenu : public CUiEvent {
public:
    static constexpr uint32_t kId = uievents::kCtxMenu;
    EventCtxMenu(SWindow* sender, QPoint point) : CUiEvent(kId, "on_context_menu", sender), pt(point) {}
    QPoint pt;
};

class EventLButtonDown : public CUiEvent {
public:
    static constexpr uint32_t kId = uievents::kLButtonDown;
    EventLButtonDown(SWindow* sender, QPoint point) : CUiEvent(kId, "on_mouse_lbutton_down", sender), pt(point) {}
    QPoint pt;
};

class EventLButtonUp : public CUiEvent {
public:
    static constexpr uint32_t kId = uievents::kLButtonUp;
    EventLButtonUp(SWindow* sender, QPoint point) : CUiEvent(kId, "on_mouse_lbutton_up", sender), pt(point) {}
    QPoint pt;
};

// The check state of a control changed (through a click or the interface).
class EventStateChanged : public CUiEvent {
public:
    static constexpr uint32_t kId = uievents::kStateChanged;
    EventStateChanged(SWindow* sender, bool wasChecked, bool isChecked)
        : CUiEvent(kId, "on_state_changed", sender), oldChecked(wasChecked), newChecked(isChecked)
    {
    }
    bool oldChecked;
    bool newChecked;
};

class EventTabSelChanged : public CUiEvent {
public:
    static constexpr uint32_t kId = uievents::kTabSelChanged;
    EventTabSelChanged(SWindow* sender, int oldSel, int newSel)
        : CUiEvent(kId, "on_tab_sel_changed", sender), uOldSel(oldSel), uNewSel(newSel)
    {
    }
    int uOldSel;
    int uNewSel;
};

// A handler in a host window's chain (a page of the main window).
class IUiEventHandler {
public:
    virtual ~IUiEventHandler() = default;
    // True when handled: the chain stops there.
    virtual bool OnUiEvent(CUiEvent& event) = 0;
};

}  // namespace vy
