// The stand-in desktop: a small shell and window manager for running the module under Wine.
// One program, one thread: the taskbar, the system bitmaps, the sample window, the Run values
// at logon and the in-process load requests all live on the thread that runs the message loop.
#pragma once

#include <windows.h>
#include <objbase.h>

#include "framectl/sysbitmaps_shared.h"

// ---- Names the tests and scripts rely on. ----

inline constexpr char TaskbarClassName[] = "Shell_TrayWnd";
inline constexpr char SampleClassName[] = "QvStandInSampleWindow";
inline constexpr char SampleWindowTitle[] = "Sample window";

// Layout of the system-bitmap records in the Windows 98 numbering: up, down, inactive
// (never painted by the module) and disabled images of each caption button, then the strips.
enum SysBitmapRecord {
    RecCloseUp = 0,
    RecCloseDown = 1,
    RecCloseInactive = 2,
    RecCloseDisabled = 3,
    RecMinimizeUp = 4,
    RecMinimizeDown = 5,
    RecMinimizeInactive = 6,
    RecMinimizeDisabled = 7,
    RecRestoreUp = 8,
    RecRestoreDown = 9,
    RecRestoreInactive = 10,
    RecHelpUp = 11,
    RecHelpDown = 12,
    RecHelpInactive = 13,
    RecMaximizeUp = 14,
    RecMaximizeDown = 15,
    RecMaximizeInactive = 16,
    RecMaximizeDisabled = 17,
    RecActiveStrip = 39,
    RecInactiveStrip = 40,
};

// ---- main.cpp ----

struct StandInOptions {
    int runAtLogon;  // run the current user's Run values at start-up
    int showSample;  // show the sample window
    int watchPixels; // repaint the sample window when the shared pixels change
};
extern StandInOptions Options;
extern HINSTANCE AppInstance;

// Writes one line to the standard error handle (the terminal that started the program).
void LogLine(const char *format, ...);
// Whether a stand-in's taskbar is up (this program's or another's).
int IsStandInRunning();

// ---- taskbar.cpp ----

HWND CreateTaskbar();
HWND GetTaskbar();

// ---- startpicture.cpp ----

// The shell's own Start picture, drawn for the given button face height.
HBITMAP CreateStartPicture(int height);

// ---- sysbitmaps.cpp ----

int CreateSystemBitmaps();
// The keeper's whole run (--keep-bitmaps): holds the mapping until its window is closed.
int KeepSystemBitmaps();
void RebuildSystemBitmaps();
void DestroySystemBitmaps();
// Memory DC over the shared pixels, and the header with the slot table.
HDC GetSystemBitmapsDC();
const SysBitmapsHeader *GetSystemBitmapsHeader();
// Copies a record's rectangle; 0 when the record is out of range.
int GetSlotRect(int record, RECT *rect);
// Returns 1 when the pixels differ from those seen at the previous call.
int SystemBitmapsChanged();

// ---- sample.cpp ----

HWND CreateSampleWindow();
void RefreshSampleWindow();

// ---- logon.cpp ----

// Runs every command of the current user's Run key; returns how many were started.
int RunLogonCommands();
// Splits "RUNDLL32.EXE <path>,<entry> [args]" into a command line for Wine's rundll32.
// Returns 1 and fills out when command has that form, 0 when it is no rundll32 command, and
// -1 when it is one that the rundll32 of Windows 95/98 cannot run (a blank or quote in the
// path, no comma, blanks around it) or that does not fit out.
int MakeRundllCommand(const char *command, const char *rundll, char *out, int outSize);

// ---- loadrequest.cpp ----

LRESULT HandleLoadRequest(const COPYDATASTRUCT *request);
