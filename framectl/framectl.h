// Caption-button patching: finding the window manager's system-bitmap DC and slot table
// (locator.cpp, with the 16-bit call in thunk16.S and the export reader in exports.cpp; the
// stand-in desktop's shared bitmaps in standin_bitmaps.cpp and sysbitmaps_shared.h), painting
// the user's pictures into it (painter.cpp), and giving the system's own pixels back
// (restore.cpp).
#pragma once

#include "module/module.h"

// One record of the window manager's slot table.
struct SlotRect {
    WORD x;
    WORD y;
    WORD cx;
    WORD cy;
};
static_assert(sizeof(SlotRect) == 8, "SlotRect is four 16-bit words");

inline constexpr int SlotCount = 41;
inline constexpr int StripSlotA = 31;
inline constexpr int StripSlotB = 32;

extern HDC UserBitmapDC;
extern int SlotIndexMap[SlotCount];
extern SlotRect SlotRectTable[SlotCount];
extern int CaptionButtonWidth;
extern int CaptionButtonHeight;

int InitFrameControls(int flag);
// The caption-button size the window manager draws its bitmaps at, from the system metrics.
inline SIZE CaptionButtonSizeOfMetrics()
{
    return {GetSystemMetrics(SM_CXSIZE) - 2, GetSystemMetrics(SM_CYSIZE) - 4};
}
HDC LocateUserBitmapDC(WORD dcOffset, WORD tableOffset);
int IsValidDC(HDC dc);

int FrameImageToSlot(unsigned index);
void BlitSlot(SlotRect rect, HDC destination, HDC source);
void PaintFrameControl(int code, HBITMAP image);
void ApplyFrameControls();
// Whether dc is a memory DC whose selected bitmap holds every slot and strip copy the
// painter would make with the slot table and caption size now held.
int IsProvenBitmapDC(HDC dc);
// Marks every top-level window, frame and children included, for painting; waits on none.
void RedrawEveryWindow();
// Puts the window manager's own pixels back where the painter painted, except where it has
// drawn its own since, and lets the kept copies go. Sends nothing to other windows.
void RestoreFrameControls();
// Before a paint: whether it may go on. The copies are made ready (afresh when the window
// manager has rebuilt its bitmaps); 0, and nothing may be painted, when they cannot be made
// or the bitmaps are still to be drawn anew after a shell that ended.
int KeepSystemPixels();
// Before each rectangle is painted: keeps the window manager's own pixels there (once); 0
// when they cannot be kept, and the rectangle is not painted.
int KeepPixelsUnder(SlotRect rect);
// After the paint: what it left is read, to be told from a rebuild later.
void NotePaintedPixels();

// What the caption buttons show, stored under the settings key for the next agent and the
// pages: the system's own (no value), pictures painted and not put back (a shell that ended
// without closing its agent leaves this), or no paint because no way back could be made.
inline constexpr char PaintStateValue[] = "CaptionPaintState";
enum PaintState { PaintStateOwn = 0, PaintStatePainted = 1, PaintStateRefused = 2 };
DWORD GetPaintState();
// At the agent's start: when pictures were left painted, has the window manager draw its
// bitmaps anew (from a short thread of its own, as that waits on every window) and holds every
// paint back until the agent window gets SystemBitmapsRedrawnMessage and tells
// NoteSystemBitmapsRedrawn.
inline constexpr UINT SystemBitmapsRedrawnMessage = WM_APP + 1;
void RedrawIfLeftPainted(HWND agent);
void NoteSystemBitmapsRedrawn();
// The size of the bitmap selected into dc; 0 x 0 when there is none.
SIZE SelectedBitmapSize(HDC dc);

// ---- Pieces of the locator that tests and the stand-in layer reach directly. ----

// One row of the table of supported builds: where USER keeps the DC handle word and the slot
// table in its data segment, and how the module's slots map onto the system's records.
struct BuildRow {
    WORD build;
    WORD dcOffset;
    WORD tableOffset;
    const int *slotMap;
};
extern const int IdentitySlotMap[SlotCount];
extern const int Win98SlotMap[SlotCount];

// The row for this system, or null when frame controls are not supported on it: only the
// Windows 95/98 platform, recognised by the low 16 bits of the build number.
const BuildRow *FindBuildRow(DWORD platformId, DWORD buildNumber);

// The two ways to the system-bitmap DC that LocateUserBitmapDC tries in turn: USER's data
// segment through the 16-bit heap, then the stand-in window manager's shared bitmaps.
HDC LocateThroughSystemHeap(WORD dcOffset, WORD tableOffset);
HDC LocateStandInBitmapDC();
// Lets this process's DC over the stand-in's bitmaps go, with the bitmap (and the view of the
// shared pixels it holds). Nothing happens when none is held.
void ReleaseStandInBitmapDC();

// The export of module with the given ordinal, read from the module's export directory (a
// forwarded export is followed by name); null when there is none or the directory is damaged.
// KERNEL32 of Windows 95/98 answers no GetProcAddress by ordinal for its own exports.
FARPROC FindExportByOrdinal(HMODULE module, WORD ordinal);

// Where the last walk through the 16-bit heap ended.
enum LocateExit {
    LocateFound,
    LocateNoWow32,
    LocateNoKernel,
    LocateNoThunk,
    LocateNoToolhelp,
    LocateNoHeapInfo,
    LocateNoBlock,
    LocateBlockNotFixed,
    LocateHeapInfoFailed,
    LocateNoDCWord,
    LocateNoSlotTable,
    LocateNoHandle,
};
extern int LastLocateExit;

// Calls the 16-bit function at 16:16 address target with one 4-byte argument through
// KERNEL32's QT_Thunk (thunk); returns the 16-bit result from AX. (framectl/thunk16.S)
extern "C" DWORD __cdecl CallThunk16(FARPROC thunk, DWORD target, DWORD argument);
