#include "tests/toolkit/ToolkitFixture.h"
#include "ui/toolkit/AttrParse.h"
#include "ui/toolkit/ItemView.h"
#include "ui/toolkit/ScrollView.h"
#include "ui/toolkit/TabCtrl.h"

namespace vy::test {
namespace {

constexpr const char* kPadTemplate = R"(<button id="%d" class="cls_sound_btn" text="%s"/>)";

TEST_F(ToolkitTest, GridScrollViewLaysOutTwentyButtonsInThreeColumns)
{
    SHostWnd* wnd = Open("LAYOUT:XML_TEST");
    ASSERT_NE(wnd, nullptr);
    auto* grid = wnd->FindChildByName2<SScrollView>("scrollview_sound_common");
    ASSERT_NE(grid, nullptr);
    for (int i = 0; i < 20; ++i)
        ASSERT_NE(grid->CreateChildrenFromText(FormatXmlTemplate(kPadTemplate, {14000LL + i, "音效" + std::to_string(i)})), nullptr);
    grid->SetAttribute("rowCount", std::to_string((20 + 3 - 1) / 3));
    EXPECT_EQ(grid->GridColumns(), 3);
    EXPECT_EQ(grid->GridRows(), 7);
    // Cells of 90 x 40 (the style) with a gap of 4, row after row.
    struct Case {
        int index;
        int row;
        int col;
    } cases[] = {{0, 0, 0}, {2, 0, 2}, {3, 1, 0}, {19, 6, 1}};
    for (const Case& c : cases) {
        SWindow* b = wnd->FindChildByID(14000 + c.index);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->geometry(), QRect(c.col * 94, c.row * 44, 90, 40)) << c.index;
    }
    EXPECT_EQ(grid->ContentSizeNow(), QSize(3 * 90 + 2 * 4, 7 * 40 + 6 * 4));
    // 304 pixels of content in a 180-pixel view scroll.
    grid->SetScrollPos(50);
    EXPECT_EQ(grid->ScrollPos(), 50);
    EXPECT_EQ(grid->Content()->y(), -50);
    grid->DestroyAllChildren();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(grid->Content()->ChildWindows().empty());
}

TEST_F(ToolkitTest, TemplateWithHostileNameShowsItAsText)
{
    SHostWnd* wnd = Open("LAYOUT:XML_TEST");
    ASSERT_NE(wnd, nullptr);
    auto* grid = wnd->FindChildByName2<SScrollView>("scrollview_sound_common");
    const std::string hostile = R"(x"/><button name="evil" id="666"/><text text="<&>')";
    SWindow* made = grid->CreateChildrenFromText(FormatXmlTemplate(kPadTemplate, {15009LL, hostile}));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetWindowText(), hostile);
    EXPECT_EQ(wnd->FindChildByName("evil"), nullptr);
    EXPECT_EQ(wnd->FindChildByID(666), nullptr);
    EXPECT_EQ(grid->Content()->ChildWindows().size(), 1u);
}

TEST_F(ToolkitTest, TabControlInsertsPagesFromTemplatesAndReportsChanges)
{
    SHostWnd* wnd = Open("LAYOUT:XML_TEST");
    ASSERT_NE(wnd, nullptr);
    auto* tab = wnd->FindChildByName2<STabCtrl>("tab_sound");
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(tab->GetItemCount(), 2);
    EXPECT_EQ(tab->GetCurSel(), 0);
    EXPECT_EQ(tab->GetItem(1)->Title(), "本地");
    EXPECT_TRUE(wnd->FindChildByName("txt_page0")->isVisible());
    EXPECT_FALSE(wnd->FindChildByName("txt_page1")->isVisible());

    std::vector<std::pair<int, int>> changes;
    tab->SubscribeEvent(EventTabSelChanged::kId, [&](CUiEvent& e) {
        auto& t = static_cast<EventTabSelChanged&>(e);
        changes.emplace_back(t.uOldSel, t.uNewSel);
        return true;
    });
    const char* pageTemplate = R"(<page title="%s"><scrollview name="%s" pos="0,0,-0,-0" rowCount="1"/></page>)";
    for (int p = 0; p < 3; ++p) {
        std::string name = "scrollview_sound_cloud_" + std::to_string(p);
        ASSERT_NE(tab->InsertItem(FormatXmlTemplate(pageTemplate, {"云" + std::to_string(p), name}), p + 2), nullptr);
    }
    EXPECT_EQ(tab->GetItemCount(), 5);
    EXPECT_NE(wnd->FindChildByName("scrollview_sound_cloud_2"), nullptr);
    EXPECT_EQ(tab->GetItem(4)->Title(), "云2");
    EXPECT_TRUE(tab->SetCurSel(3));
    EXPECT_FALSE(tab->SetCurSel(9));
    EXPECT_EQ(changes, (std::vector<std::pair<int, int>>{{0, 3}}));
    EXPECT_TRUE(wnd->FindChildByName("scrollview_sound_cloud_1")->isVisible());

    // Clicking a header selects its page; a hidden header takes no room.
    Click(tab);  // centre of the control: below the headers, nothing changes
    EXPECT_EQ(tab->GetCurSel(), 3);
    QRect second = tab->HeaderRect(1);
    QTest::mouseClick(tab, Qt::LeftButton, {}, second.center());
    EXPECT_EQ(tab->GetCurSel(), 1);
    tab->SetItemHeaderVisible(0, false);
    EXPECT_TRUE(tab->HeaderRect(0).isEmpty());
    EXPECT_EQ(tab->HeaderRect(1).left(), 0);

    // Removing the pages after the first three.
    while (tab->GetItemCount() > 3)
        tab->RemoveItem(3);
    EXPECT_EQ(tab->GetItemCount(), 3);
    EXPECT_EQ(tab->GetCurSel(), 1);
    EXPECT_EQ(tab->InsertItem(std::string("<page"), -1), nullptr);
}

struct Effect {
    std::string name;
    bool inUse = false;
};

// A tree of groups and effects, as an effect page would keep it.
class CEffectTreeAdapter : public STreeAdapterBase<Effect> {
public:
    void InitView(SWindow* row) override
    {
        row->FindChildByName("btn_use")->SubscribeEvent(EventCmd::kId, [this, row](CUiEvent&) {
            clicked.push_back(static_cast<HTREEITEM>(row->GetUserData()));
            return true;
        });
        ++rowsMade;
    }
    void GetView(HTREEITEM item, SWindow* row) override
    {
        const Effect* e = GetItemData(item);
        bool group = GetChildrenCount(item) > 0 || GetParentItem(item) == kTreeRoot;
        row->FindChildByName("txt_iterm_name")
            ->SetWindowText(group ? e->name + " [" + std::to_string(GetChildrenCount(item)) + "]" : e->name);
        row->FindChildByName("btn_use")->SetVisible(!group);
    }
    std::vector<HTREEITEM> clicked;
    int rowsMade = 0;
};

TEST_F(ToolkitTest, TreeViewRebuildsThroughItsAdapter)
{
    SHostWnd* wnd = Open("LAYOUT:XML_LISTS");
    ASSERT_NE(wnd, nullptr);
    auto* tree = wnd->FindChildByName2<STreeView>("tree_effects");
    ASSERT_NE(tree, nullptr);
    CEffectTreeAdapter adapter;
    HTREEITEM group = adapter.InsertItem({"默认列表"});
    HTREEITEM first = adapter.InsertItem({"KTV"}, group);
    adapter.InsertItem({"喊麦"}, group);
    adapter.InsertItem({"大厅"}, group);
    tree->SetAdapter(&adapter);

    ASSERT_EQ(tree->RowCount(), 4);
    EXPECT_EQ(tree->Row(0)->FindChildByName("txt_iterm_name")->GetWindowText(), "默认列表 [3]");
    EXPECT_FALSE(tree->Row(0)->FindChildByName("btn_use")->IsVisibleSelf());
    EXPECT_EQ(tree->Row(1)->FindChildByName("txt_iterm_name")->GetWindowText(), "KTV");
    EXPECT_EQ(tree->RowDepth(1), 1);
    EXPECT_EQ(tree->Row(1)->geometry(), QRect(20, 24, 180, 24));

    EXPECT_EQ(adapter.rowsMade, 4);

    Click(tree->Row(2)->FindChildByName("btn_use"));
    ASSERT_EQ(adapter.clicked.size(), 1u);
    EXPECT_EQ(adapter.clicked[0], adapter.GetNextSibling(first));

    // A change of data reuses the rows: each is set up once.
    adapter.GetItemData(first)->name = "KTV2";
    adapter.notifyDataSetChanged();
    EXPECT_EQ(tree->Row(1)->FindChildByName("txt_iterm_name")->GetWindowText(), "KTV2");
    EXPECT_EQ(adapter.rowsMade, 4);
    adapter.SetExpanded(group, false);
    adapter.notifyDataSetChanged();
    EXPECT_EQ(tree->RowCount(), 1);
    adapter.SetExpanded(group, true);
    adapter.notifyDataSetChanged();
    ASSERT_EQ(tree->RowCount(), 4);
    EXPECT_EQ(tree->Row(3)->FindChildByName("txt_iterm_name")->GetWindowText(), "大厅");
    adapter.DeleteAllItems();
    adapter.notifyDataSetChanged();
    EXPECT_EQ(tree->RowCount(), 0);
    tree->SetAdapter(nullptr);
}

class CCloudListAdapter : public SListAdapter {
public:
    std::vector<std::string> names;
    std::vector<int> downloads;
    int GetCount() const override { return static_cast<int>(names.size()); }
    void InitView(SWindow* row) override
    {
        row->FindChildByName("btn_download")->SubscribeEvent(EventCmd::kId, [this, row](CUiEvent&) {
            downloads.push_back(static_cast<int>(row->GetUserData()));
            return true;
        });
    }
    void GetView(int position, SWindow* row) override
    {
        row->FindChildByName("txt_name")->SetWindowText(names[static_cast<size_t>(position)]);
    }
};

TEST_F(ToolkitTest, MultiColumnListRebuildsThroughItsAdapter)
{
    SHostWnd* wnd = Open("LAYOUT:XML_LISTS");
    ASSERT_NE(wnd, nullptr);
    auto* list = wnd->FindChildByName2<SMCListView>("mclist_cloud");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->ColumnCount(), 2);
    EXPECT_EQ(list->ColumnTitle(0), "名称");
    CCloudListAdapter adapter;
    adapter.names = {"空灵", "电音", "回声"};
    list->SetAdapter(&adapter);
    ASSERT_EQ(list->RowCount(), 3);
    EXPECT_EQ(list->Row(2)->FindChildByName("txt_name")->GetWindowText(), "回声");
    // Columns sit under their header items; rows start below the header.
    EXPECT_EQ(list->Row(0)->FindChildByName("col1")->geometry(), QRect(0, 0, 120, 28));
    EXPECT_EQ(list->Row(0)->FindChildByName("col2")->geometry(), QRect(120, 0, 80, 28));
    EXPECT_EQ(list->Row(1)->mapTo(list, QPoint(0, 0)), QPoint(0, 24 + 28));

    Click(list->Row(1)->FindChildByName("btn_download"));
    EXPECT_EQ(adapter.downloads, std::vector<int>{1});

    adapter.names = {"新的"};
    adapter.notifyDataSetChanged();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(list->RowCount(), 1);
    EXPECT_EQ(list->Row(0)->FindChildByName("txt_name")->GetWindowText(), "新的");
    list->SetAdapter(nullptr);
    EXPECT_EQ(list->RowCount(), 0);
}

}  // namespace
}  // namespace vy::test
