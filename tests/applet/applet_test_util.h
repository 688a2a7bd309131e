// Registry, file and template helpers shared by the applet tests.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "applet/applet.h"
#include "common/testfiles.h"
#include "framectl/framectl.h"
#include "sheet_driver.h"

namespace applettest
{

// Removes everything the sheet writes: the settings key and the Run value.
void ClearSettings();
void StoreStartButton(DWORD value);
void StoreFileName(const std::string &name);
void StoreRaw(const char *name, DWORD type, const void *data, DWORD size);
void StoreFrameImages(const std::vector<std::string> &entries);

bool ReadValue(const char *path, const char *name, DWORD *type, std::string *data);
bool ReadSetting(const char *name, DWORD *type, std::string *data);
bool HasSetting(const char *name);
bool HasRunValue();
DWORD ReadStartButton();
std::string ReadFileName();
std::vector<std::string> ReadFrameImages(); // the stored list, split at its NULs

// A fresh folder under the system's temporary folder; a small real bitmap file in a folder.
std::string TempFolder();
std::string MakeBitmapFile(const std::string &folder, const std::string &name);

// A file that claims to be a bitmap and is not one the module takes.
std::string MakeHostileFile(const std::string &folder, const std::string &name);

// A theme as the release lays one out: QVTHEMES\<name> beside the module file named,
// holding the 13 caption-button files and START.BMP as small bitmaps, except the missing
// ones (not made) and the hostile ones (not bitmaps). RemoveTheme removes it and all it holds.
extern const char *const ThemeFileNames[14]; // the 13 in the list's order, then START.BMP
std::string MakeTheme(const std::string &modulePath, const std::string &name,
                      const std::vector<std::string> &missing = {},
                      const std::vector<std::string> &hostile = {});
void RemoveTheme(const std::string &themeFolder);
// A theme name of this process alone: test programs that share a folder run side by side.
std::string OwnThemeName(const char *tag);
// The Themes page, made active.
HWND ActivateThemesPage(HWND sheet);

// The 13 names of the Frame controls page, spelled here independently of the module.
extern const char *const ExpectedImageNames[13];

// Opens the sheet in this process (ModuleInstance = the test program) and runs script.
INT_PTR RunSheet(const std::function<void(HWND)> &script);

// Frame controls page availability: hold (or drop) a usable system-bitmap context, as an
// earlier opening of the page in this process leaves one held.
void HoldBitmapContext();
void DropBitmapContext();

// Sheet tests start and end with nothing stored and a context held (the page opens).
class SheetTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ClearSettings();
        HoldBitmapContext();
    }
    void TearDown() override
    {
        DropBitmapContext();
        ClearSettings();
    }
};

// The Frame controls page, made active; NULL if the sheet refused it.
HWND ActivateFramePage(HWND sheet);

// The message box owned by owner (a box over a page is owned by the sheet), if one comes
// up within timeoutMs: its caption and text. Closes it with button (OK; IDYES or IDNO for a
// question).
struct MessageBoxSeen {
    bool shown = false;
    std::string caption;
    std::string text;
};
MessageBoxSeen CloseMessageBox(HWND owner, int timeoutMs = 3000, int button = IDOK);

// The Themes page's Save As, driven as the user does it: presses the button, types typed into
// the name box and presses OK. When the box stays open (a refused name), its reason is
// returned and the box cancelled; "" when it closed.
std::string SaveThemeAs(HWND page, const std::string &typed);
// The themes folder beside this program.
std::string ThemesFolderOfProgram();
// Whether a static control's text shows whole in it, wrapped as the control wraps it, in its
// own font.
bool TextFitsBox(HWND box);
// An owner-drawn preview drawn as its page draws it into a bitmap of the screen's kind, and the
// top-left corners where a picture of size, pixel(x, y) giving each of its pixels, stands whole
// in it, each of its pixels a zoom x zoom square; the largest zoom (up to 8) at which it does.
typedef std::function<COLORREF(int x, int y)> Pattern;
struct DrawnPreview {
    RECT area;
    HDC dc;
    HGDIOBJ old;
    DrawnPreview(HWND page, int id);
    ~DrawnPreview();
    std::vector<POINT> Find(SIZE size, const Pattern &pixel, int zoom) const;
    int ZoomOf(SIZE size, const Pattern &pixel) const;
};
// The bytes of a file; "<missing>" when it cannot be opened.
std::string FileBytes(const std::string &path);
// The names of the files and folders in folder (without "." and "..").
std::vector<std::string> FolderEntries(const std::string &folder);

} // namespace applettest

namespace applettest
{

// The Open dialog as the user meets it after pressing Browse.
struct OpenDialogSeen {
    bool shown = false;
    std::string initialName; // the file name field as the dialog opened
    std::string folder;      // the folder it opened in
    std::string filter;      // the selected file type
    bool readOnlyBoxVisible = true;
    bool stillOpenAfterOpen = false; // pressing Open did not close it (a message box came)
};

// Waits for the Open dialog titled title; types name into its file name field and presses
// Open (or Cancel when name is null). When Open is refused with the platform's message,
// that message is closed and the dialog cancelled.
OpenDialogSeen DriveOpenDialog(const char *title, const char *name);

} // namespace applettest
