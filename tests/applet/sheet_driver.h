// Drives the settings sheet from a second thread, as a user would: finds its windows, clicks,
// types and picks, and waits for what the sheet does in answer.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

namespace sheetdriver
{

// Not in the Windows 95-era headers the module is built with.
inline constexpr UINT SheetSetCurSel = WM_USER + 101;      // PSM_SETCURSEL
inline constexpr UINT SheetGetCurrentPage = WM_USER + 118; // PSM_GETCURRENTPAGEHWND
inline constexpr UINT SheetIndexToPage = WM_USER + 130;    // PSM_INDEXTOHWND
inline constexpr int ApplyButtonId = 0x3021;               // the sheet's Apply button

// Polls pred every 20 ms until it holds or timeoutMs passes; returns whether it held.
bool WaitFor(const std::function<bool()> &pred, int timeoutMs = 5000);

// The first visible top-level window of this process with the given caption whose class is
// the dialog class, or NULL. When owner is given, only windows owned by it.
HWND FindDialog(const char *caption, DWORD processId = GetCurrentProcessId());
HWND WaitForDialog(const char *caption, int timeoutMs = 5000,
                   DWORD processId = GetCurrentProcessId());

// The page at index 0-3 of the sheet, or NULL while it has not been created.
HWND Page(HWND sheet, int index);
HWND CurrentPage(HWND sheet);

// Clicks a button as the mouse would (BM_CLICK); Post* for buttons that open modal UI.
void Click(HWND control);
void PostClick(HWND control);
void Click(HWND dialog, int id);
void PostClick(HWND dialog, int id);
// Presses a button from the keyboard, posted: the focus moved to it, then the space bar.
void PostKeyPress(HWND sheet, HWND button);
// The window that has the keyboard focus in the sheet's thread, if any.
HWND Focus(HWND sheet);
// Replaces the edit's text by typing it character by character (each one a WM_CHAR).
void Type(HWND edit, const std::string &text);
// Selects item index of a drop-down list and notifies its parent as the list does.
void Pick(HWND combo, int index);
// Selects the list box item with exactly that text and notifies its parent as the list does;
// returns the item's index (-1: none has that text, and the selection is cleared).
int PickItem(HWND list, const std::string &text);
// Switches the sheet to the tab at index (posted: the page may show a message box).
void PostSelectTab(HWND sheet, int index);

// Presses OK or Apply, posted: a click, or PSM_PRESSBUTTON as pages and tools press it.
void PostPress(HWND sheet, int button, bool pressButton);

// Returns once the window's thread has finished what it was doing and is back in a message
// loop (its own or a modal one), or after timeoutMs.
void Settle(HWND window, int timeoutMs = 5000);

std::string Text(HWND window);
bool Enabled(HWND dialog, int id);
bool Checked(HWND dialog, int id);
bool ApplyEnabled(HWND sheet);

// Runs script on a second thread while this thread shows the sheet with show (for example
// ShowSettingsSheet). The script gets the sheet's window; it must close the sheet. If it
// returns while the sheet is still open, the sheet is cancelled. Returns show's result.
INT_PTR RunSheet(const std::function<INT_PTR()> &show, const std::function<void(HWND)> &script,
                 int timeoutMs = 10000);

// The stand-in window manager's shared system bitmaps, as the stand-in desktop keeps them:
// where the 16-bit route finds nothing (Wine with the Windows 98 setting), the Frame controls
// page of a module in this process opens over them.
struct SharedSystemBitmaps {
    HANDLE mapping = nullptr;
    SharedSystemBitmaps();
    ~SharedSystemBitmaps() { CloseHandle(mapping); }
};

// ---- Wine's Control Panel program ----

// A program started by a test; ended if it still runs when the test is done with it.
struct Process {
    PROCESS_INFORMATION info = {};
    bool Start(const std::string &command)
    {
        STARTUPINFOA startup = {sizeof startup};
        std::string line = command;
        return CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info);
    }
    bool WaitExit(int ms) { return WaitForSingleObject(info.hProcess, ms) == WAIT_OBJECT_0; }
    ~Process()
    {
        if (info.hProcess) {
            if (!WaitExit(0))
                TerminateProcess(info.hProcess, 1);
            CloseHandle(info.hProcess);
            CloseHandle(info.hThread);
        }
    }
};

// What Wine's Control Panel (control.exe without arguments) listed.
struct ControlPanelListing {
    bool listShown = false;         // a Control Panel window with a list came up
    std::vector<std::string> items; // the list's item texts as last read
    bool closed = false;            // closing the window ended the program
};
// Opens the Control Panel, waits until its list shows an item called name (or timeoutMs
// passes) and closes it again.
ControlPanelListing ReadControlPanelListing(const char *name, int timeoutMs = 20000);

} // namespace sheetdriver
