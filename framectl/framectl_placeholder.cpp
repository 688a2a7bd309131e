// Placeholder for the frame-control subsystem, written elsewhere in parallel: just enough
// for the agent to link. It locates nothing, paints nothing and restores nothing.
#include "framectl/framectl.h"

HDC UserBitmapDC = nullptr;
int SlotIndexMap[SlotCount];
SlotRect SlotRectTable[SlotCount];
int CaptionButtonWidth = 0;
int CaptionButtonHeight = 0;

int InitFrameControls(int flag)
{
    return 0;
}

void ApplyFrameControls() {}

void RestoreFrameControls() {}
