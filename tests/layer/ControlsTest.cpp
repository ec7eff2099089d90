// Control wrappers on a real dialog: list view cells, combo box items from the template's
// initial data, the system menu view and a static's bitmap.
#include "win/ComboBox.h"
#include "win/Dialog.h"
#include "win/GdiObject.h"
#include "win/ListCtrl.h"
#include "win/Menu.h"
#include "win/Static.h"

#include <string>

#include <gtest/gtest.h>

#include "LayerTestRes.h"

namespace
{
class CControlsDlg : public CDialog
{
public:
    CControlsDlg() : CDialog(IDD_LAYER_TEST) {}
    CListCtrl m_list;
    CComboBox m_combo;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Control(pDX, IDC_TEST_LIST, m_list);
        DDX_Control(pDX, IDC_TEST_COMBO, m_combo);
    }
};
} // namespace

TEST(Controls, ListViewKeepsColumnsRowsAndLongCellTexts)
{
    CControlsDlg dlg;
    ASSERT_TRUE(dlg.Create());
    CListCtrl& list = dlg.m_list;
    EXPECT_EQ(list.InsertColumn(0, "Channel"), 0);
    EXPECT_EQ(list.InsertColumn(1, "Value"), 1);
    list.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP);
    EXPECT_EQ(list.GetExtendedStyle(),
              static_cast<DWORD>(LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP));
    EXPECT_EQ(list.InsertItem(0, "1"), 0);
    EXPECT_EQ(list.InsertItem(1, "2"), 1);
    EXPECT_TRUE(list.SetItemText(1, 1, "500"));
    EXPECT_EQ(list.GetItemCount(), 2);
    EXPECT_EQ(list.GetItemText(1, 0), "2");
    EXPECT_EQ(list.GetItemText(1, 1), "500");
    EXPECT_EQ(list.GetItemText(0, 1), "");
    const std::string longText(300, 'n'); // beyond any first guess of a buffer
    list.SetItemText(0, 1, longText.c_str());
    EXPECT_EQ(list.GetItemText(0, 1), longText);
}

TEST(Controls, ComboBoxStartsWithTheTemplatesItemsBeforeOnInitDialog)
{
    CControlsDlg dlg;
    ASSERT_TRUE(dlg.Create());
    CComboBox& combo = dlg.m_combo;
    ASSERT_EQ(combo.GetCount(), 2);
    std::string text;
    EXPECT_EQ(combo.GetLBText(0, text), 4);
    EXPECT_EQ(text, "9600");
    combo.GetLBText(1, text);
    EXPECT_EQ(text, "19200");
    EXPECT_EQ(combo.GetLBText(7, text), CB_ERR);
    EXPECT_EQ(combo.FindStringExact(-1, "19200"), 1);
}

TEST(Controls, SystemMenuTakesAppendedCommandsAndStaticShowsABitmap)
{
    CControlsDlg dlg;
    ASSERT_TRUE(dlg.Create());
    CMenuHandle menu(dlg.GetSystemMenu(FALSE));
    ASSERT_NE(menu.m_hMenu, nullptr);
    int nBefore = menu.GetMenuItemCount();
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING, 0x10, "&About...");
    EXPECT_EQ(menu.GetMenuItemCount(), nBefore + 2);
    EXPECT_EQ(menu.GetMenuItemID(nBefore + 1), 0x10u);
    EXPECT_EQ(menu.GetMenuString(0x10, MF_BYCOMMAND), "&About...");

    CStatic lamp;
    ASSERT_TRUE(lamp.Create("", WS_CHILD | WS_VISIBLE | SS_BITMAP, RECT{0, 0, 20, 40}, &dlg));
    EXPECT_EQ(lamp.GetDlgCtrlID(), 0xFFFF);
    CBitmap bmp;
    bmp.CreateBitmap(20, 40, 1, 1, nullptr);
    lamp.SetBitmap(bmp);
    EXPECT_EQ(lamp.GetBitmap(), bmp.Get());
    lamp.SetBitmap(nullptr); // the static must not show a bitmap its owner is about to delete
}
