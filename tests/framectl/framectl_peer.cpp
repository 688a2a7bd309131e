// Second process for the stand-in tests: locates the system bitmaps as the agent would and
// applies the configured images. Exit code 0 when painted, 2 when no DC was located, 3 when
// not running under the Windows 98 setting.
#include "framectl/framectl.h"

int main()
{
    ModuleInstance = GetModuleHandleA(nullptr);
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    if (version.dwPlatformId != VER_PLATFORM_WIN32_WINDOWS)
        return 3;
    if (!InitFrameControls(0))
        return 2;
    ApplyFrameControls();
    return 0;
}
