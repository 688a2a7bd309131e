// placeholder: stands in for the system bitmap locator until it is merged. It finds no
// system-bitmap context, as on a system without the 16-bit route.
#include "framectl/framectl.h"

HDC UserBitmapDC;
int SlotIndexMap[SlotCount];
SlotRect SlotRectTable[SlotCount];
int CaptionButtonWidth;
int CaptionButtonHeight;

int InitFrameControls(int flag)
{
    return 0;
}

int IsValidDC(HDC dc)
{
    return GetMapMode(dc) != 0;
}
