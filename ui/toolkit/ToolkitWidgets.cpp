#include "ui/toolkit/Button.h"
#include "ui/toolkit/ComboBox.h"
#include "ui/toolkit/Edit.h"
#include "ui/toolkit/ItemView.h"
#include "ui/toolkit/ScrollView.h"
#include "ui/toolkit/SliderBar.h"
#include "ui/toolkit/Static.h"
#include "ui/toolkit/TabCtrl.h"
#include "ui/toolkit/UiApp.h"

namespace vy {

void RegisterToolkitWidgets(CUiApp& app)
{
    app.RegisterWidget<SWindow>();
    app.RegisterWidget("realwnd", [](QWidget* parent) -> SWindow* { return new SWindow(parent); });
    app.RegisterWidget<SStatic>();
    app.RegisterWidget("static", [](QWidget* parent) -> SWindow* { return new SStatic(parent); });
    app.RegisterWidget<SCaption>();
    app.RegisterWidget<SImageWnd>();
    app.RegisterWidget<SButton>();
    app.RegisterWidget<SImageButton>();
    app.RegisterWidget<SCheckBox>();
    app.RegisterWidget<SRadioBox>();
    app.RegisterWidget<SEdit>();
    app.RegisterWidget<SRichEdit>();
    app.RegisterWidget<SComboBox>();
    app.RegisterWidget<SSliderBar>();
    app.RegisterWidget<SProgress>();
    app.RegisterWidget<STabCtrl>();
    app.RegisterWidget<STabPage>();
    app.RegisterWidget<SScrollView>();
    app.RegisterWidget<SListView>();
    app.RegisterWidget<SMCListView>();
    app.RegisterWidget<STreeView>();
}

}  // namespace vy
