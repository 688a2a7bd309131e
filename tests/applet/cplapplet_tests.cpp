// The Control Panel entry, called as a Control Panel calls it, both through the built module
// and as the module's code linked into this program; and Wine's own Control Panel listing and
// opening the module.
#include <gtest/gtest.h>

#include "applet_test_util.h"

#include <cpl.h>

using namespace applettest;
using namespace sheetdriver;

namespace
{

typedef LONG(APIENTRY *AppletProc)(HWND, UINT, LPARAM, LPARAM);

std::string ModulePath()
{
    const char *path = getenv("QV_MODULE");
    return path ? path : "";
}

class ControlPanelEntry : public ::testing::TestWithParam<bool>
{
  protected:
    void SetUp() override
    {
        ClearSettings();
        if (GetParam()) { // linked: this program is the module
            ModuleInstance = GetModuleHandleA(nullptr);
            applet = CPlApplet;
            return;
        }
        module = LoadLibraryA(ModulePath().c_str());
        ASSERT_TRUE(module) << ModulePath();
        applet = reinterpret_cast<AppletProc>(GetProcAddress(module, "CPlApplet"));
        ASSERT_TRUE(applet);
    }
    void TearDown() override
    {
        if (module)
            FreeLibrary(module);
        ClearSettings();
    }
    HMODULE module = nullptr;
    AppletProc applet = nullptr;
};

TEST_P(ControlPanelEntry, AnswersTheListingMessages)
{
    EXPECT_EQ(1, applet(nullptr, CPL_INIT, 0, 0));
    EXPECT_TRUE(GetModuleHandleA("comctl32.dll")) << "the common controls are initialised";
    EXPECT_EQ(1, applet(nullptr, CPL_GETCOUNT, 0, 0));

    // The older record: every id dynamic, so the new record is asked for each time.
    CPLINFO old;
    memset(&old, 0xCC, sizeof old);
    EXPECT_EQ(0, applet(nullptr, CPL_INQUIRE, 0, reinterpret_cast<LPARAM>(&old)));
    EXPECT_EQ(CPL_DYNAMIC_RES, old.idIcon | old.idName | old.idInfo); // CPL_DYNAMIC_RES is 0
    EXPECT_EQ(0, old.lData);

    for (UINT message : std::vector<UINT>{CPL_SELECT, CPL_STOP, CPL_EXIT, 9, 1000})
        EXPECT_EQ(0, applet(nullptr, message, 0, 0)) << message;
}

TEST_P(ControlPanelEntry, DescribesTheAppletInTheNewRecord)
{
    static_assert(sizeof(NEWCPLINFOA) == 244, "record size");
    NEWCPLINFOA info;
    memset(&info, 0xCD, sizeof info);
    EXPECT_EQ(0, applet(nullptr, CPL_NEWINQUIRE, 0, reinterpret_cast<LPARAM>(&info)));
    EXPECT_EQ(244u, info.dwSize);
    EXPECT_EQ(0u, info.dwFlags);
    EXPECT_EQ(0u, info.dwHelpContext);
    EXPECT_EQ(0, info.lData);
    EXPECT_STREQ("Quorvia", info.szName);
    EXPECT_STREQ("Customize your desktop, yo.", info.szInfo);
    EXPECT_EQ('\0', info.szHelpFile[0]);
    EXPECT_EQ(static_cast<char>(0xCD), info.szHelpFile[1]) << "only the first character is set";

    // The icon is group 102 of the module: the red disc.
    ASSERT_TRUE(info.hIcon);
    ICONINFO icon;
    ASSERT_TRUE(GetIconInfo(info.hIcon, &icon));
    BITMAP bm;
    GetObjectA(icon.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(32, bm.bmWidth);
    EXPECT_EQ(32, bm.bmHeight);
    DeleteObject(icon.hbmColor);
    DeleteObject(icon.hbmMask);

    NEWCPLINFOA other;
    memset(&other, 0xCD, sizeof other);
    applet(nullptr, CPL_NEWINQUIRE, 1, reinterpret_cast<LPARAM>(&other));
    EXPECT_EQ(0xCDCDCDCDu, other.dwSize) << "there is no applet 1";
}

TEST_P(ControlPanelEntry, DoubleClickOpensTheSheetOverTheControlPanelWindow)
{
    applet(nullptr, CPL_INIT, 0, 0);
    HWND panel = CreateWindowExA(0, "STATIC", "Control Panel", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(panel);
    HWND owner = nullptr;
    LONG result = -1;
    sheetdriver::RunSheet(
        [&] {
            result = applet(panel, CPL_DBLCLK, 0, 0);
            return INT_PTR(0);
        },
        [&](HWND sheet) {
            owner = GetWindow(sheet, GW_OWNER);
            EXPECT_FALSE(IsWindowEnabled(panel)) << "the sheet is modal to the Control Panel";
            Click(Page(sheet, 0), IDC_START_TOVAN);
            Click(sheet, IDOK);
        });
    EXPECT_EQ(panel, owner);
    EXPECT_EQ(0, result);
    EXPECT_EQ(1u, ReadStartButton()) << "the module's own sheet applied the choice";
    DestroyWindow(panel);
}

INSTANTIATE_TEST_SUITE_P(BuiltAndLinked, ControlPanelEntry, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return info.param ? "Linked" : "Built";
                         });

// ---- Wine's Control Panel program ----

TEST(WineControlPanel, OpensTheAppletFromTheModule)
{
    ClearSettings();
    Process control;
    ASSERT_TRUE(control.Start("control.exe \"" + ModulePath() + "\""));
    HWND sheet = WaitForDialog("Quorvia", 20000, control.info.dwProcessId);
    ASSERT_TRUE(sheet) << "no sheet titled Quorvia";
    HWND tabs = FindWindowExA(sheet, nullptr, "SysTabControl32", nullptr);
    EXPECT_EQ(4, SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
    HWND page = FindWindowExA(sheet, nullptr, "#32770", nullptr);
    ASSERT_TRUE(page);
    EXPECT_EQ("&Tovan", Text(GetDlgItem(page, IDC_START_TOVAN)));
    PostClick(sheet, IDCANCEL);
    EXPECT_TRUE(control.WaitExit(10000)) << "closing the sheet ends the Control Panel";
}

TEST(WineControlPanel, ListsTheAppletByNameWhenTheModuleIsRegistered)
{
    const char cpls[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cpls";
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, cpls, 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    std::string path = ModulePath();
    RegSetValueExA(key, "Quorvia", 0, REG_SZ, reinterpret_cast<const BYTE *>(path.c_str()),
                   path.size() + 1);

    ControlPanelListing listing = ReadControlPanelListing("Quorvia");
    RegDeleteValueA(key, "Quorvia");
    RegCloseKey(key);
    ASSERT_TRUE(listing.listShown) << "no Control Panel window with a list";
    EXPECT_NE(listing.items.end(),
              std::find(listing.items.begin(), listing.items.end(), "Quorvia"));
    EXPECT_TRUE(listing.closed);
}

} // namespace
