// Making the window manager draw its own caption buttons again. A display-settings change
// that names only the display flags makes it rebuild its system bitmaps from scratch, which
// throws the painted pixels away; nothing is copied back.
#include "framectl/framectl.h"

#include <stddef.h>

// The record as Windows 95 knows it ends before the panning fields.
inline constexpr WORD DevModeSize = 148;
static_assert(offsetof(DEVMODEA, dmPanningWidth) == DevModeSize, "DEVMODEA of Windows 95");

void RestoreFrameControls()
{
    if (!UserBitmapDC)
        return;
    DEVMODEA mode;
    memset(&mode, 0, sizeof mode);
    mode.dmSize = DevModeSize;
    // Mode 0 is the first entry of the driver's list, not the current settings.
    EnumDisplaySettingsA(nullptr, 0, &mode);
    mode.dmSize = DevModeSize;
    mode.dmFields = DM_DISPLAYFLAGS;
    ChangeDisplaySettingsA(&mode, 0);
}
