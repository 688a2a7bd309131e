// Frame-control patching: the window manager's system bitmaps, painting into them, undoing it.
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
HDC LocateUserBitmapDC(WORD dcOffset, WORD tableOffset);
int IsValidDC(HDC dc);

int FrameImageToSlot(unsigned index);
void BlitSlot(SlotRect rect, HDC destination, HDC source);
void PaintFrameControl(int code, HBITMAP image);
void ApplyFrameControls();
void RestoreFrameControls();
