// The module's core, which every subsystem includes and which includes none of them: process
// attach and the state shared by every process (entry.cpp), the module's own paths
// (modulepath.cpp), the registry helpers (registry.cpp) and the settings store (settings.cpp),
// file calls that never ask for a disk (quietfiles.cpp), the one loader of picture files and of
// the module's own bitmaps (bitmapfile.cpp), and the few C runtime functions the module
// provides itself (crt.cpp). What turns bytes into meaning (text, paths, bitmap formats, the
// caption fit, the stored values' forms) is in formats.h, which builds natively too.
#pragma once

#include <windows.h>

#include "module/formats.h"

// ---- Constants: spelled here once, used everywhere else by name. ----

inline constexpr char ProductName[] = "Quorvia";
inline constexpr char AppletDescription[] = "Customize your desktop, yo.";
inline constexpr char AgentClassName[] = "QvDestkopHiddenWnd"; // sic: "Destkop"
inline constexpr char AgentWindowTitle[] = "Tovan's Window Is Not Here";
inline constexpr char AgentMessageName[] = "WM_QVMSG";

inline constexpr char SettingsKeyPath[] = "Software\\Tovan\\Quorvia";
inline constexpr char RunKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char UninstallKeyPath[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The themes folder, beside the module file.
inline constexpr char ThemesFolderName[] = "QVTHEMES";

inline constexpr char StartButtonFileNameValue[] = "StartButtonFileName";
inline constexpr char StartButtonValue[] = "StartButton";
inline constexpr char FrameControlsValue[] = "FrameControls";

// Command lines stored in the registry; %s is the module's full path, unquoted.
inline constexpr char RunCommandFormat[] = "RUNDLL32.EXE %s,RUNDLL_QvIn";
inline constexpr char RemoveCommandFormat[] = "RUNDLL32.EXE %s,RUNDLL_Remove";

// Resource ids shared by the code and res/qvshell.rc live in res/resource.h.

// The module's class identifier, registered as an in-process server.
extern const GUID ModuleClassId;

// ---- Module-level state (one copy per process). ----

extern HINSTANCE ModuleInstance;
extern UINT AgentMessage;
extern int UnloadAllowed;

// Set by a subsystem that makes something for this process that nothing but the module's
// unloading would release; called when the module is freed (not when the process ends).
extern void (*ModuleDetachHook)();

extern "C" BOOL WINAPI ModuleEntry(HINSTANCE instance, DWORD reason, LPVOID reserved);
extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow(void);

// ---- The module's own paths (module/modulepath.cpp). ----

// The module's full path as GetModuleFileNameA gives it; "" when it cannot be had.
// Returns 1 when the whole path fitted.
int GetModulePath(char *dst, int dstSize);

// "<module's folder>\QVTHEMES", where the themes come with the module; "" and 0 when it
// cannot be had whole.
int GetThemesFolder(char *dst, int dstSize);

// The module's path as the stored rundll32 command lines name it: the full path, or its
// short form where the full one has a space, a comma or a quote, which the rundll32 of
// Windows 95/98 cannot take. Returns 0 and leaves "" when no such name can be had.
int GetRundllModulePath(char *dst, int dstSize);

// ---- Files on disks that may be out (module/quietfiles.cpp). ----

// Every file the module opens or probes goes through these: the system's critical-error box
// ("insert a disk") is off while they run and the caller's error mode is put back after. The
// pair puts the box off around other calls that touch a disk.
UINT BeginQuietFileAccess();
void EndQuietFileAccess(UINT previous);
// CreateFileA for reading (shared for reading and writing), GetFileAttributesA, FindFirstFileA.
HANDLE OpenFileQuietly(const char *path);
DWORD GetFileAttributesQuietly(const char *path);
HANDLE FindFirstFileQuietly(const char *pattern, WIN32_FIND_DATAA *found);
// Around a run of probes (the agent's refresh): a drive found not ready, or a drive or UNC
// server found out of reach, is not asked again until the run ends; a floppy drive with no disk,
// or a network one whose server is gone, takes seconds to say so each time. Runs nest.
void BeginDriveProbes();
void EndDriveProbes();

// ---- Bitmap files (module/bitmapfile.cpp). ----

// 1 when the file's headers describe a bitmap the module can show safely on every system of
// ours: a known header, depth and compression, bit-field masks Windows 95 draws, at most 1024
// pixels a side, a colour table the depth allows, and pixels that lie inside the file. Only
// the headers are read. Otherwise 0, and why says in a few words a user understands ("not a
// bitmap file", "30000 x 30000 pixels is larger than 1024 x 1024"); why may be null. size (may
// be null) gets a usable picture's own width and height.
int CheckBitmapFile(const char *path, char *why, int whySize, SIZE *size = nullptr);
// A bitmap file as a bitmap compatible with the screen, scaled to cx x cy (0: its own size),
// its colours taken from the file at every depth, except that the three standard button greys
// (192, 192, 192), (128, 128, 128) and (223, 223, 223) are drawn in the user's colours for the
// button face, its shadow and its light; null when the file is unusable. The headers are read,
// then the pixels alone. Every picture file the module shows comes through here.
HBITMAP LoadBitmapFile(const char *path, int cx, int cy);
// One of the module's own bitmap resources, made the same way.
HBITMAP LoadBitmapResource(int id, int cx, int cy);
// One of the module's own bitmap resources as it is stored: a DIB without the file header (a
// 40-byte header, BI_RGB pixels, bottom-up, at most 1024 pixels a side), found to hold its
// colour table and pixels. Gives the bytes it takes and where its pixels start; null when the
// module has no such resource. Every use of the module's own pictures starts here.
const BITMAPINFO *FindBitmapResource(int id, DWORD *size, DWORD *pixelsAt);
// A caption-button picture for a slot of cx x cy, the one entry the painter and the pages'
// previews share. A folder may hold pictures drawn for other sizes in subfolders named after
// the size, "<cx>X<cy>", under the same file name: "<folder>\<cx>X<cy>\<name>" is used when
// it passes the check and is exactly cx x cy; otherwise the file itself, fitted to the slot by
// the rule of module/captionfit.cpp (stretched where the slot is the smaller). Null when the
// file is unusable. why (may be null) gets, for the user, why a file is not used: the file's
// own refusal ("CLOSEUP.BMP: not a bitmap file"), else a refused size variant's
// ("22X20\CLOSEUP.BMP: 16 x 14 pixels, not 22 x 20"); "" when nothing was refused.
HBITMAP LoadCaptionBitmap(const char *path, int cx, int cy, char *why, int whySize);
// Around a run of loads (the caption images of one paint): the DCs every load needs are
// made once for the run instead of once a load, and each folder is probed for a size
// subfolder once, not once a file. Loads outside a run make their own. Runs nest.
void BeginBitmapLoads();
void EndBitmapLoads();

// ---- Registry helpers (module/registry.cpp). ----

inline constexpr int JoinedPathSize = 1024;
inline constexpr int SubkeyNameSize = 512;

int RegReadValue(HKEY root, const char *path, const char *subkey, const char *name, void *data,
                 DWORD capacity, DWORD *type);
// The same read, also giving how many bytes the registry returned (for values whose
// layout must be checked against their real size).
int RegReadValueSized(HKEY root, const char *path, const char *subkey, const char *name, void *data,
                      DWORD capacity, DWORD *type, DWORD *size);
// 1 when the key could be opened or created and the value (if data is not null) was stored.
int RegWriteValue(HKEY root, const char *path, const char *subkey, const void *data,
                  const char *name, DWORD size, DWORD type);
int RegDeleteValueAt(HKEY root, const char *path, const char *subkey, const char *name);
LONG RegDeleteTree(HKEY root, const char *path);

// Joins path and subkey as "path\subkey" (subkey NULL: path alone) into dst. Refuses a
// result that does not fit: returns 0 and leaves dst empty.
int JoinRegistryPath(char *dst, int dstSize, const char *path, const char *subkey);

// ---- Settings store (module/settings.cpp). ----

extern FrameImagePath FrameImageList[FrameImageCount];

// One routine moves the list between memory and the registry: nonzero loads, 0 saves.
FrameImagePath *TransferFrameImages(int load);
inline FrameImagePath *LoadFrameImages()
{
    return TransferFrameImages(1);
}
inline FrameImagePath *SaveFrameImages()
{
    return TransferFrameImages(0);
}

// The stored Start button settings: its mode and stretch, and the picture file's path ("" when
// none is stored or it does not fit pathSize bytes).
void ReadStartSettings(DWORD *mode, int *stretch, char *path, int pathSize);
