// The picture on the taskbar's Start button: put the configured one on, put the shell's back.
#include "agent/agent.h"
#include "res/resource.h"

HWND StartButtonWindow = nullptr;
HBITMAP PreviousStartImage = nullptr;
HBITMAP AppliedStartImage = nullptr;

static constexpr int SettingBufferSize = 1024;

// The configured picture, loaded at its own size or sized to the button; NULL when the
// settings ask for the shell's own picture or the picture cannot be had.
static HBITMAP LoadConfiguredPicture(HWND button)
{
    char path[SettingBufferSize];
    DWORD mode;
    int stretch;
    ReadStartSettings(&mode, &stretch, path, sizeof path);

    RECT client;
    GetClientRect(button, &client);
    int cx = 0, cy = 0;
    if (stretch) {
        cx = client.right - client.left - StartStretchMargin;
        cy = client.bottom - client.top - StartStretchMargin;
    }

    switch (mode) {
    case StartModeBuiltIn:
        return LoadBitmapResource(IDB_STARTBUTTON, cx, cy);
    case StartModeFile:
        // No file named means no picture: the built-in one is never taken instead.
        return path[0] ? LoadBitmapFile(path, cx, cy) : nullptr;
    default:
        return nullptr;
    }
}

static int IsShowingOurPicture(HBITMAP picture)
{
    return SendMessageA(StartButtonWindow, BM_GETIMAGE, IMAGE_BITMAP, 0) == (LRESULT)picture;
}

void ApplyStartButton()
{
    AppliedStartImage = nullptr;
    StartButtonWindow = FindWindowByPath(StartButtonPath);
    if (!StartButtonWindow)
        return;
    HBITMAP picture = LoadConfiguredPicture(StartButtonWindow);
    if (!picture) {
        StartButtonWindow = nullptr;
        return;
    }
    PreviousStartImage = reinterpret_cast<HBITMAP>(
        SendMessageA(StartButtonWindow, BM_SETIMAGE, IMAGE_BITMAP, (LPARAM)picture));
    // A button without BS_BITMAP answers BM_SETIMAGE without taking the picture. Then
    // nothing of ours is on it: keep no record, and do not leave the picture behind.
    if (!IsShowingOurPicture(picture)) {
        DeleteObject(picture);
        StartButtonWindow = nullptr;
        return;
    }
    AppliedStartImage = picture;
}

void RestoreStartButton()
{
    if (!StartButtonWindow || !AppliedStartImage)
        return;
    // Only a picture the button still holds is ours to delete, and the button hands it back.
    // The shell may have put a new picture of its own on the button since ours went on (as on
    // a colour-scheme change), and it may have deleted ours then, taking it for its own. A
    // freed handle is given to the next object made anywhere in the system, so deleting ours
    // late could destroy another program's object: it is forgotten instead, a leak in that
    // rare case. The button is the shell's again, and the picture from before ours, which
    // the shell may have deleted as well, is never put back.
    if (IsShowingOurPicture(AppliedStartImage)) {
        HGDIOBJ back = reinterpret_cast<HGDIOBJ>(
            SendMessageA(StartButtonWindow, BM_SETIMAGE, IMAGE_BITMAP, (LPARAM)PreviousStartImage));
        if (back == AppliedStartImage)
            DeleteObject(back);
    } else {
        PreviousStartImage = nullptr;
    }
    AppliedStartImage = nullptr;
}
