// The sheet as a whole, the layout of its pages, and the icons.
#include <gtest/gtest.h>

#include "applet_test_util.h"

#include <set>

using namespace applettest;
using namespace sheetdriver;

namespace
{

// ---- Icons ----

struct IconEntry {
    int width, height, bitCount;
};

std::vector<IconEntry> IconGroup(int id)
{
    std::vector<IconEntry> entries;
    HINSTANCE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14));
    if (!found)
        return entries;
    const BYTE *p = static_cast<const BYTE *>(LockResource(LoadResource(module, found)));
    WORD count;
    memcpy(&count, p + 4, 2);
    for (int i = 0; i < count; i++) {
        const BYTE *e = p + 6 + 14 * i; // GRPICONDIRENTRY
        WORD bits, iconId;
        memcpy(&bits, e + 6, 2);
        memcpy(&iconId, e + 12, 2);
        // The image itself says its depth; the directory's byte may be 0.
        HRSRC image = FindResourceA(module, MAKEINTRESOURCEA(iconId), MAKEINTRESOURCEA(3));
        const auto *info =
            static_cast<const BITMAPINFOHEADER *>(LockResource(LoadResource(module, image)));
        entries.push_back({e[0] ? e[0] : 256, e[1] ? e[1] : 256, info->biBitCount});
        EXPECT_EQ(bits, info->biBitCount);
    }
    return entries;
}

// Draws icon group id at width x height on white and returns the pixel at (x, y).
COLORREF IconPixel(int id, int size, int x, int y)
{
    HICON icon = static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, size, size};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    DestroyIcon(icon);
    return c;
}

bool IsRed(COLORREF c)
{
    return GetRValue(c) > 120 && GetGValue(c) < 60 && GetBValue(c) < 60;
}

bool IsWhite(COLORREF c)
{
    return GetRValue(c) > 230 && GetGValue(c) > 230 && GetBValue(c) > 230;
}

TEST(Icons, GroupsHoldTheImagesTheirUsesNeed)
{
    auto about = IconGroup(101);
    ASSERT_EQ(3u, about.size());
    EXPECT_EQ(32, about[0].width);
    EXPECT_EQ(16, about[0].bitCount);
    EXPECT_EQ(16, about[1].width);
    EXPECT_EQ(16, about[1].height);
    EXPECT_EQ(8, about[1].bitCount);
    EXPECT_EQ(32, about[2].width);
    EXPECT_EQ(4, about[2].bitCount);

    auto applet = IconGroup(102);
    ASSERT_EQ(1u, applet.size());
    EXPECT_EQ(32, applet[0].width);
    EXPECT_EQ(32, applet[0].height);
    EXPECT_EQ(4, applet[0].bitCount);
}

TEST(Icons, TheAppletIconIsAWhiteEmblemOnARedDisc)
{
    EXPECT_TRUE(IsWhite(IconPixel(102, 32, 0, 0))) << "transparent corner";
    EXPECT_TRUE(IsRed(IconPixel(102, 32, 16, 3))) << "the disc near its top";
    EXPECT_TRUE(IsRed(IconPixel(102, 32, 4, 16))) << "the disc near its left edge";
    EXPECT_TRUE(IsWhite(IconPixel(102, 32, 15, 7))) << "the emblem's ring";
    EXPECT_TRUE(IsWhite(IconPixel(102, 32, 22, 22))) << "the emblem's tail";
}

TEST(Icons, TheAboutPictureIsDrawnAtEachSize)
{
    for (int size : {32, 16}) {
        SCOPED_TRACE(size);
        EXPECT_TRUE(IsWhite(IconPixel(101, size, 0, 0))) << "transparent corner";
        COLORREF face = IconPixel(101, size, size / 2, size * 9 / 16);
        EXPECT_GT(GetRValue(face), GetBValue(face)) << "a face, in skin colour";
        COLORREF shirt = IconPixel(101, size, size / 2, size - 2);
        EXPECT_GT(GetBValue(shirt), GetRValue(shirt)) << "a blue shirt";
    }
}

// ---- The sheet ----

class Sheet : public SheetTest
{
};

TEST_F(Sheet, OpensOnTheStartButtonTabTitledWithTheProductName)
{
    RunSheet([](HWND sheet) {
        EXPECT_EQ("Quorvia", Text(sheet));
        EXPECT_EQ(0, GetWindowLongA(sheet, GWL_EXSTYLE) & WS_EX_CONTEXTHELP)
            << "no context-help button";
        HWND tabs = FindWindowExA(sheet, nullptr, "SysTabControl32", nullptr);
        ASSERT_TRUE(tabs);
        ASSERT_EQ(4, SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
        const char *titles[] = {"Start button", "Frame controls", "Themes", "About"};
        for (int i = 0; i < 4; i++) {
            char text[64] = "";
            TCITEMA item = {};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
            EXPECT_STREQ(titles[i], text);
        }
        EXPECT_EQ(0, SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
        EXPECT_TRUE(Page(sheet, 0));
        EXPECT_EQ(Page(sheet, 0), CurrentPage(sheet));
        EXPECT_TRUE(GetDlgItem(Page(sheet, 0), IDC_START_DEFAULT));
    });
}

TEST_F(Sheet, CancelAfterChangesOnBothPagesWritesNothing)
{
    RunSheet([](HWND sheet) {
        Click(Page(sheet, 0), IDC_START_TOVAN);
        HWND frame = ActivateFramePage(sheet);
        ASSERT_TRUE(frame);
        Click(frame, IDC_FRAME_OTHER);
        Type(GetDlgItem(frame, IDC_FRAME_PATH), "C:\\close.bmp");
        EXPECT_TRUE(ApplyEnabled(sheet));
        Click(sheet, IDCANCEL);
    });
    HKEY key;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKeyPath, 0, KEY_READ, &key));
    EXPECT_FALSE(HasRunValue());
}

TEST_F(Sheet, OkWithOnlyTheStartPageCreatedAppliesThatPageAlone)
{
    RunSheet([](HWND sheet) {
        Click(Page(sheet, 0), IDC_START_TOVAN);
        EXPECT_FALSE(Page(sheet, 1)) << "the Frame controls page was never opened";
        Click(sheet, IDOK);
    });
    EXPECT_EQ(1u, ReadStartButton());
    EXPECT_TRUE(HasRunValue());
    EXPECT_FALSE(HasSetting("FrameControls"));
}

TEST_F(Sheet, OkAppliesEveryPageThatWasCreated)
{
    RunSheet([](HWND sheet) {
        HWND frame = ActivateFramePage(sheet);
        ASSERT_TRUE(frame);
        Pick(GetDlgItem(frame, IDC_FRAME_LIST), 10);
        Click(frame, IDC_FRAME_OTHER);
        Type(GetDlgItem(frame, IDC_FRAME_PATH), "C:\\max.bmp");
        Click(sheet, IDOK);
    });
    EXPECT_EQ(0u, ReadStartButton()) << "the Start page applies too, as it shows";
    auto stored = ReadFrameImages();
    ASSERT_EQ(14u, stored.size());
    EXPECT_EQ("C:\\max.bmp", stored[10]);
}

TEST_F(Sheet, TheAboutPageShowsThePictureAndNeverMarksTheSheetChanged)
{
    RunSheet([](HWND sheet) {
        PostSelectTab(sheet, 3);
        ASSERT_TRUE(
            WaitFor([&] { return Page(sheet, 3) && CurrentPage(sheet) == Page(sheet, 3); }));
        HWND about = Page(sheet, 3);
        HWND picture = nullptr;
        for (HWND c = GetWindow(about, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            if ((GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                picture = c;
        ASSERT_TRUE(picture);
        EXPECT_TRUE(SendMessageA(picture, STM_GETICON, 0, 0)) << "icon 101 is shown";
        EXPECT_FALSE(ApplyEnabled(sheet));
    });
}

// A page answers as a dialog does: over its background the pointer is in its client area.
TEST_F(Sheet, EveryPageAnswersAHitTestOverItsBackground)
{
    RunSheet([](HWND sheet) {
        for (int index = 0; index < 4; index++) {
            PostSelectTab(sheet, index);
            ASSERT_TRUE(WaitFor([&] { return Page(sheet, index) == CurrentPage(sheet); }));
            POINT corner = {2, 2}; // inside the margin no control reaches
            ClientToScreen(Page(sheet, index), &corner);
            EXPECT_EQ(HTCLIENT, SendMessageA(Page(sheet, index), WM_NCHITTEST, 0,
                                             MAKELPARAM(corner.x, corner.y)))
                << index;
        }
    });
}

// The letter after "&" in text, in capitals; 0 for none.
int Mnemonic(const std::string &text)
{
    size_t at = text.find('&');
    return at != std::string::npos && at + 1 < text.size()
               ? toupper(static_cast<BYTE>(text[at + 1]))
               : 0;
}

RECT RectIn(HWND page, HWND control)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT *>(&r), 2);
    return r;
}

bool Inside(const RECT &inner, const RECT &outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// What a user meets of each page's layout, as the sheet shows it, on a 640 x 480 screen: every
// control inside the page and clear of the others (a group box around the ones it holds), its
// text whole, no group box or label a tab stop, the controls that take the focus in reading
// order, and each Alt+letter reaching one control of the page or of the sheet's buttons.
TEST_F(Sheet, EveryPageIsLaidOutForTheEyeAndTheKeyboard)
{
    RunSheet([](HWND sheet) {
        RECT whole;
        GetWindowRect(sheet, &whole);
        EXPECT_LE(whole.right - whole.left, 640);
        EXPECT_LE(whole.bottom - whole.top, 480);
        std::set<int> sheetKeys; // the sheet's Apply has one
        for (int id : {IDOK, IDCANCEL, ApplyButtonId})
            if (int key = Mnemonic(Text(GetDlgItem(sheet, id))))
                sheetKeys.insert(key);
        for (int index = 0; index < 4; index++) {
            PostSelectTab(sheet, index);
            ASSERT_TRUE(WaitFor([&] { return Page(sheet, index) == CurrentPage(sheet); }));
            HWND page = Page(sheet, index);
            RECT area;
            GetClientRect(page, &area);
            std::set<int> keys = sheetKeys;
            RECT last = {-1, -1, -1, -1}; // of the last control that takes the focus
            for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                char cls[16] = "";
                GetClassNameA(c, cls, sizeof cls);
                DWORD style = GetWindowLongA(c, GWL_STYLE);
                bool label = !lstrcmpiA(cls, "Static");
                bool group = !label && (style & BS_TYPEMASK) == BS_GROUPBOX;
                std::string text = Text(c);
                SCOPED_TRACE(std::to_string(index) + " " + cls + " \"" + text + "\"");
                RECT r = RectIn(page, c);
                EXPECT_TRUE(Inside(r, area));
                EXPECT_FALSE((label || group) && (style & WS_TABSTOP));
                if (label && (style & SS_TYPEMASK) <= SS_LEFTNOWORDWRAP)
                    EXPECT_TRUE(TextFitsBox(c));
                if (!(label && (style & SS_NOPREFIX)) && Mnemonic(text))
                    EXPECT_TRUE(keys.insert(Mnemonic(text)).second) << keys.size();
                if (!label && !group) {
                    EXPECT_TRUE(r.top > last.top || (r.top == last.top && r.left > last.left));
                    last = r;
                }
                for (HWND d = GetWindow(page, GW_CHILD); d; d = GetWindow(d, GW_HWNDNEXT)) {
                    RECT other = RectIn(page, d), both;
                    bool otherGroup = (GetWindowLongA(d, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX &&
                                      SendMessageA(d, WM_GETDLGCODE, 0, 0) & DLGC_STATIC;
                    if (d != c && IntersectRect(&both, &r, &other))
                        EXPECT_TRUE((group && Inside(other, r)) || (otherGroup && Inside(r, other)))
                            << Text(d);
                }
            }
        }
    });
}

// Apply is offered only while it would change what is stored: not for looking at every page and
// every image of the Frame controls list, not for a change undone, and not on first showing a
// page after Apply.
TEST_F(Sheet, ApplyIsOfferedOnlyWhileItWouldChangeSomething)
{
    StoreStartButton(0x11);
    StoreFrameImages({"C:\\close.bmp", " "});
    RunSheet([](HWND sheet) {
        HWND start = Page(sheet, 0);
        HWND frame = ActivateFramePage(sheet);
        for (int i = 0; i < 13; i++) {
            Pick(GetDlgItem(frame, IDC_FRAME_LIST), i);
            EXPECT_FALSE(ApplyEnabled(sheet)) << i;
        }
        ActivateThemesPage(sheet);
        PostSelectTab(sheet, 3);
        EXPECT_TRUE(WaitFor([&] { return Page(sheet, 3) == CurrentPage(sheet); }));
        EXPECT_FALSE(ApplyEnabled(sheet));
        const std::pair<int, bool> clicks[] = {{IDC_START_STRETCH, true},
                                               {IDC_START_STRETCH, false},
                                               {IDC_START_OTHER, true},
                                               {IDC_START_TOVAN, false}};
        for (auto click : clicks) {
            Click(start, click.first);
            EXPECT_EQ(click.second, ApplyEnabled(sheet)) << click.first;
        }
        Pick(GetDlgItem(frame, IDC_FRAME_LIST), 0);
        Click(frame, IDC_FRAME_DEFAULT);
        EXPECT_TRUE(ApplyEnabled(sheet));
        Click(frame, IDC_FRAME_OTHER);
        Type(GetDlgItem(frame, IDC_FRAME_PATH), "C:\\CLOSE.BMP");
        EXPECT_FALSE(ApplyEnabled(sheet)) << "the same file";
    });
    // After Apply no page counts as changed, so a change undone on another page is none either.
    RunSheet([](HWND sheet) {
        HWND start = Page(sheet, 0);
        Click(start, IDC_START_DEFAULT);
        Click(sheet, ApplyButtonId);
        HWND frame = ActivateFramePage(sheet);
        EXPECT_FALSE(ApplyEnabled(sheet)) << "on first showing the Frame controls page";
        ActivateThemesPage(sheet);
        EXPECT_FALSE(ApplyEnabled(sheet)) << "on first showing the Themes page";
        HWND path = GetDlgItem(frame, IDC_FRAME_PATH);
        for (const char *typed : {"C:\\x.bmp", "C:\\close.bmp", "C:\\x.bmp"}) {
            Type(path, typed);
            EXPECT_NE(Text(path) == "C:\\close.bmp", ApplyEnabled(sheet)) << typed;
        }
        Click(sheet, ApplyButtonId);
        Click(start, IDC_START_TOVAN);
        Click(start, IDC_START_DEFAULT);
        EXPECT_FALSE(ApplyEnabled(sheet)) << "after Apply of the Frame controls page";
    });
}

// Apply greys itself once applied, and the focus goes to the page's control the keyboard goes
// to: the first that takes it, a radio button only where it is the one checked, else the first
// radio button. So it does after Enter on Apply or Alt+A, and after a press by a tool while the
// focus sits on a control greyed under it.
TEST_F(Sheet, AfterApplyTheFocusIsOnTheControlOfThePageTheKeyboardGoesTo)
{
    enum Press { Enter, AltA, Tool };
    const struct {
        const char *what;
        int page;
        DWORD stored; // StartButton; 0: nothing stored
        std::function<void(HWND sheet, HWND page)> change;
        Press press;
        int focus;
    } cases[] = {
        {"Enter", 0, 0, [](HWND, HWND page) { Click(page, IDC_START_TOVAN); }, Enter,
         IDC_START_TOVAN},
        {"Alt+A", 0, 0, [](HWND, HWND page) { Click(page, IDC_START_TOVAN); }, AltA,
         IDC_START_TOVAN},
        {"the focus on a control just greyed", 0, 0,
         [](HWND sheet, HWND page) {
             // Greyed by another thread, the control keeps the focus of the sheet's.
             Click(page, IDC_START_TOVAN);
             SendMessageA(sheet, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(page, IDC_START_STRETCH), TRUE);
             EnableWindow(GetDlgItem(page, IDC_START_STRETCH), FALSE);
         },
         Tool, IDC_START_TOVAN},
        {"a greyed control before the checked radio", 1, 0,
         [](HWND, HWND page) {
             Click(page, IDC_FRAME_OTHER);
             Type(GetDlgItem(page, IDC_FRAME_PATH), "C:\\close.bmp");
             EnableWindow(GetDlgItem(page, IDC_FRAME_LIST), FALSE);
         },
         Enter, IDC_FRAME_OTHER},
        {"no radio checked, the rest greyed", 0, 3,
         [](HWND, HWND page) {
             Click(page, IDC_START_STRETCH);
             EnableWindow(GetDlgItem(page, IDC_START_STRETCH), FALSE);
         },
         Enter, IDC_START_DEFAULT},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ClearSettings();
        if (c.stored)
            StoreStartButton(c.stored);
        RunSheet([&](HWND sheet) {
            HWND page = c.page ? ActivateFramePage(sheet) : Page(sheet, 0);
            HWND apply = GetDlgItem(sheet, ApplyButtonId);
            c.change(sheet, page);
            ASSERT_TRUE(ApplyEnabled(sheet));
            if (c.press == Tool)
                ASSERT_FALSE(IsWindowEnabled(Focus(sheet)));
            if (c.press == Enter)
                SendMessageA(sheet, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(apply), TRUE);
            if (c.press == Tool)
                PostPress(sheet, ApplyButtonId, true);
            else
                PostMessageA(Focus(sheet), c.press == Enter ? WM_KEYDOWN : WM_SYSCHAR,
                             c.press == Enter ? VK_RETURN : 'a', 1 << 29);
            EXPECT_TRUE(WaitFor([&] { return !ApplyEnabled(sheet); }));
            Settle(sheet);
            EXPECT_EQ(GetDlgItem(page, c.focus), Focus(sheet));
        });
    }
}

// From a module on a CD (X:) or a floppy disk (Y:), OK or Apply with all four pages open and
// changed, clicked or pressed by a page or a tool, stores and registers nothing and says once
// to install first; the sheet stays open. With nothing changed, OK just closes it.
TEST_F(Sheet, OkOrApplyFromAFloppyOrCdStoresNothingAndSaysOnceToInstallFirst)
{
    const std::pair<const char *, int> cases[] = {{"X:\\qvshell.cpl", IDOK},
                                                  {"Y:\\qvshell.cpl", ApplyButtonId}};
    for (int press = 0; press < 4; press++) { // the last two as a page or a tool presses
        auto c = cases[press % 2];
        SCOPED_TRACE(c.first);
        ASSERT_TRUE(CopyFileA(getenv("QV_MODULE"), c.first, FALSE));
        HMODULE module = LoadLibraryA(c.first);
        RunSheet([&](HWND sheet) {
            ModuleInstance = module; // as if the sheet had been opened from the disk
            // A theme picked would go into the other pages: it comes first.
            PickItem(GetDlgItem(ActivateThemesPage(sheet), IDC_THEME_LIST), "(Windows default)");
            Click(Page(sheet, 0), IDC_START_TOVAN);
            Type(GetDlgItem(ActivateFramePage(sheet), IDC_FRAME_PATH), "C:\\close.bmp");
            PostSelectTab(sheet, 3);
            PostPress(sheet, c.second, press >= 2);
            EXPECT_NE(std::string::npos,
                      CloseMessageBox(sheet).text.find("right-click QUORVIA.INF on the disk"));
            EXPECT_FALSE(CloseMessageBox(sheet, 1500).shown) << "once";
            EXPECT_TRUE(Page(sheet, 3) && ApplyEnabled(sheet)) << "nothing was applied";
        });
        RunSheet([&](HWND sheet) {
            ModuleInstance = module;
            PostPress(sheet, IDOK, press >= 2);
            EXPECT_TRUE(WaitFor([&] { return !IsWindow(sheet); }));
        });
        EXPECT_FALSE(HasSetting("StartButton") || HasSetting("FrameControls") || HasRunValue());
        ModuleInstance = GetModuleHandleA(nullptr);
        FreeLibrary(module);
        DeleteFileA(c.first);
    }
}

} // namespace

namespace
{

// ---- Version block ----

std::string VersionBlockText()
{
    HINSTANCE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));
    if (!found)
        return "";
    const BYTE *p = static_cast<const BYTE *>(LockResource(LoadResource(module, found)));
    DWORD size = SizeofResource(module, found);
    // The block's keys and values are UTF-16; keep their ASCII characters, one NUL between
    // strings, so that keys and values can be looked for in order.
    std::string text;
    for (DWORD i = 0; i + 1 < size; i += 2) {
        WORD c = static_cast<WORD>(p[i] | (p[i + 1] << 8));
        text += c >= 32 && c < 127 ? static_cast<char>(c) : '\0';
    }
    return text;
}

bool HasEntry(const std::string &block, const std::string &key, const std::string &value)
{
    size_t at = block.find(std::string(key) + '\0');
    if (at == std::string::npos)
        return false;
    size_t v = block.find_first_not_of('\0', at + key.size());
    return v != std::string::npos && block.compare(v, value.size() + 1, value + '\0') == 0;
}

TEST(VersionBlock, NamesTheFileVersionAndHasNoTranslationBlock)
{
    std::string block = VersionBlockText();
    ASSERT_FALSE(block.empty());
    EXPECT_NE(std::string::npos, block.find("040904E4"));
    EXPECT_TRUE(HasEntry(block, "FileDescription", "Qvshell 32-bit"));
    EXPECT_TRUE(HasEntry(block, "FileVersion", "2.0a"));
    EXPECT_TRUE(HasEntry(block, "InternalName", "QVSHELL"));
    EXPECT_TRUE(HasEntry(block, "ProductName", "Quorvia"));
    EXPECT_TRUE(HasEntry(block, "ProductVersion", "2.0a"));
    EXPECT_EQ(std::string::npos, block.find("VarFileInfo"));

    HINSTANCE module = GetModuleHandleA(nullptr);
    const BYTE *p = static_cast<const BYTE *>(LockResource(
        LoadResource(module, FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16)))));
    VS_FIXEDFILEINFO fixed;
    memcpy(&fixed, p + 40, sizeof fixed); // after the header and "VS_VERSION_INFO", aligned
    EXPECT_EQ(0xFEEF04BDu, fixed.dwSignature);
    EXPECT_EQ(0x00020000u, fixed.dwFileVersionMS);
    EXPECT_EQ(0u, fixed.dwFileVersionLS);
    EXPECT_EQ(0u, fixed.dwProductVersionMS);
    EXPECT_EQ(0x2u, fixed.dwFileFlagsMask);
    EXPECT_EQ(0u, fixed.dwFileFlags);
    EXPECT_EQ(4u, fixed.dwFileOS);
    EXPECT_EQ(2u, fixed.dwFileType);
    EXPECT_EQ(0u, fixed.dwFileDateMS | fixed.dwFileDateLS);
}

} // namespace
