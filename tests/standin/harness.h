// Shared helpers of the stand-in desktop tests: start and stop the stand-in as a child process,
// open its shared system bitmaps as another process does, read pixels off the screen.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framectl/sysbitmaps_shared.h"

// Windows form of a path that may be a Unix one ("/x/y" -> "Z:\x\y").
std::string WindowsPath(const std::string &path);
// The folder of this test program, with a trailing backslash.
std::string ProgramFolder();
// Polls until done() or the time is up; returns done()'s last answer.
bool WaitUntil(const std::function<bool()> &done, DWORD timeoutMs);

struct StandIn {
    PROCESS_INFORMATION process = {};
    HWND taskbar = NULL;
};
// Starts the stand-in with the given options and waits (bounded) for its taskbar.
bool StartStandIn(StandIn *standin, const char *options);
// Asks it to close and waits; kills it when it does not end in time.
void StopStandIn(StandIn *standin);
HWND FindSampleWindow();

// The system bitmaps as any other process reaches them: the header in the mapping and a DC
// over the same pixels.
struct SharedBitmaps {
    HANDLE mapping = NULL;
    BYTE *view = NULL;
    HBITMAP dib = NULL;
    HDC dc = NULL;
    HGDIOBJ dcDefault = NULL;
    const SysBitmapsHeader *header() const { return (const SysBitmapsHeader *)view; }
    RECT slot(int record) const;
};
bool OpenSharedBitmaps(SharedBitmaps *bitmaps);
void CloseSharedBitmaps(SharedBitmaps *bitmaps);
// Pixels of a rectangle of the shared bitmap, 0x00RRGGBB, row by row.
std::vector<DWORD> ReadSharedPixels(const SharedBitmaps &bitmaps, const RECT &rect);

// What DrawFrameControl draws at w x h, as 0x00RRGGBB pixels.
std::vector<DWORD> DrawFrameImage(int w, int h, UINT type, UINT state);
void FillShared(const SharedBitmaps &bitmaps, const RECT &rect, COLORREF colour);

// Pixels of a screen rectangle, 0x00RRGGBB, row by row.
std::vector<DWORD> CaptureScreen(const RECT &rect);
// Top-left corners of the w x h blocks of one colour in a captured picture (blocks are counted
// once: a match's area is skipped when looking for more).
std::vector<POINT> FindBlocks(const std::vector<DWORD> &pixels, int width, int height, DWORD colour,
                              int w, int h);
inline DWORD Rgb(COLORREF c)
{
    return ((DWORD)GetRValue(c) << 16) | ((DWORD)GetGValue(c) << 8) | GetBValue(c);
}

// What the test server and the marker program recorded (testserver.h's key).
void ClearRecords();
DWORD RecordedDword(const char *name); // 0 when absent
std::string RecordedText(const char *name);
