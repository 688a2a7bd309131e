// A taskbar for tests: a topmost "Shell_TrayWnd" whose first child is a BS_BITMAP "Button"
// showing a picture of the test's own (the "shell's picture"). The button is subclassed so
// that every BM_SETIMAGE sent to it is recorded. Optionally the taskbar takes load requests
// as the stand-in desktop does: it creates the requested object in its own process.
#pragma once

#include <windows.h>

#include "common/testfiles.h"
#include <functional>
#include <vector>

struct TestTaskbar {
    HWND tray = nullptr;
    HWND button = nullptr;
    HBITMAP shellPicture = nullptr;
    // Every picture handed to the button with BM_SETIMAGE, in order, and when.
    std::vector<HBITMAP> received;
    std::vector<DWORD> receivedAt;
    int loadRequests = 0;
    // Called before the button handles a BM_SETIMAGE (tests use it to act mid-operation).
    std::function<void(HBITMAP)> onSetImage;
    WNDPROC buttonProc = nullptr;

    // Button of 80 x 28 pixels; the shell's picture is 30 x 12.
    bool Create(DWORD buttonStyle = BS_BITMAP, bool takesLoadRequests = false);
    void Destroy();

    HBITMAP Current() const;  // the button's picture now
    SIZE CurrentSize() const; // its size ({0,0} when none)
    int SetImageCount() const { return static_cast<int>(received.size()); }
    void ForgetReceived()
    {
        received.clear();
        receivedAt.clear();
    }
    // Custom pictures (all but the shell's) that were handed to the button and still exist.
    int LiveCustomPictures() const;
    // What a shell does on a colour-scheme change: a new picture of its own on the button,
    // and the old one deleted. The new one is the shell's picture from then on.
    void ReplaceShellPicture();
};

inline constexpr int TestButtonWidth = 80;
inline constexpr int TestButtonHeight = 28;
inline constexpr int ShellPictureWidth = 30;
inline constexpr int ShellPictureHeight = 12;

// Questions another process may ask a taskbar host (answers as LRESULT).
enum TaskbarQuery : UINT {
    QueryShowsShellPicture = WM_APP + 1, // 1 when the button shows the shell's picture
    QueryPictureWidth = WM_APP + 2,      // width of the button's picture, 0 when none
    QuerySetImageCount = WM_APP + 3,     // BM_SETIMAGE messages the button has had
    QueryLiveCustomPictures = WM_APP + 4,
    QueryLoadRequests = WM_APP + 5,
};

// Handles messages for the given time, so timers fire and other processes' sends arrive.
void PumpMessages(DWORD ms);
// Pumps until done() holds or the time is up; answers done().
bool PumpUntil(const std::function<bool()> &done, DWORD ms);
// All top-level windows of the given class, in any process.
std::vector<HWND> TopLevelWindows(const char *className);
