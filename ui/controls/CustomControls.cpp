#include "ui/controls/CustomControls.h"

#include "ui/controls/Edit2.h"
#include "ui/controls/GifPlayer.h"
#include "ui/controls/HotKeyCtrl.h"
#include "ui/controls/MoveThumb.h"
#include "ui/controls/VyButtons.h"
#include "ui/controls/VyEQ.h"
#include "ui/controls/VyProgress.h"
#include "ui/controls/VyRotaryKnob.h"
#include "ui/controls/VySlider.h"
#include "ui/toolkit/UiApp.h"

static void InitControlResources()
{
    Q_INIT_RESOURCE(controls);
}

namespace vy {

void RegisterCustomControls(CUiApp& app)
{
    InitControlResources();
    app.RegisterWidget<VyProgress>();
    app.RegisterWidget<VySlider>();
    app.RegisterWidget<VyCheckButton>();
    app.RegisterWidget<VyRadioButton>();
    app.RegisterWidget<SMoveThumb>();
    app.RegisterWidget<VyEqCurve>();
    app.RegisterWidget<VyEqGrid>();
    app.RegisterWidget<VyEQ>();
    app.RegisterWidget<SEdit2>();
    app.RegisterWidget<SGifPlayer>();
    app.RegisterSkin("gif", [] { return std::make_unique<SSkinGif>(); });
    app.RegisterSkin("vscrollbar", [] { return std::make_unique<SSkinVScrollbar>(); });
    app.RegisterWidget<VySlider3>();
    app.RegisterWidget<VyVumeter>();
    app.RegisterWidget<VyVuGroup>();
    app.RegisterWidget<VyRotaryKnob>();
    app.RegisterWidget<VyComboBtn>();
    app.RegisterWidget<VyProgressEX>();
    app.RegisterWidget<VyProgressEX1>();
    app.RegisterWidget<SImageMaskWnd>();
    // The hotkey dialog's recording control.
    app.RegisterWidget<SHotKeyCtrl>();
    // Skins of the tip window and the input dialogs; the application's own
    // UI definition, loaded later, may replace them.
    app.LoadUiDef("uidef:xml_controls");
}

}  // namespace vy
