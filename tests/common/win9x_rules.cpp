// The Windows 95/98 rules (see win9x_rules.h). Each rule replaces this program's import slot
// for one function with a wrapper that answers as the real systems do and otherwise passes
// the call on to Wine.
#include "common/win9x_rules.h"
#include "common/import_slot.h"
#include <commdlg.h>
#include "standin/rundll_parse.h"

#include <map>
#include <mutex>
#include <string.h>
#include <utility>

DWORD NoDiskError = ERROR_NOT_READY;
UINT NoDiskErrorMode;
std::string GoneNetworkPlace;
int GoneNetworkCalls;

namespace
{

bool Active = false;
bool Windows95 = false; // build 950, not Windows 98

// This program's import slots: the module's code linked into it calls through them.
extern "C" FARPROC ImportedGetProcAddress __asm__("__imp__GetProcAddress@8");
extern "C" FARPROC ImportedCreateFileA __asm__("__imp__CreateFileA@28");
extern "C" FARPROC ImportedLoadImageA __asm__("__imp__LoadImageA@24");
extern "C" FARPROC ImportedStretchDIBits __asm__("__imp__StretchDIBits@52");
extern "C" FARPROC ImportedCreateCompatibleBitmap __asm__("__imp__CreateCompatibleBitmap@12");
extern "C" FARPROC ImportedGetDC __asm__("__imp__GetDC@4");
extern "C" FARPROC ImportedReleaseDC __asm__("__imp__ReleaseDC@8");
extern "C" FARPROC ImportedGetFileAttributesA __asm__("__imp__GetFileAttributesA@4");
extern "C" FARPROC ImportedGetDiskFreeSpaceA __asm__("__imp__GetDiskFreeSpaceA@20");
extern "C" FARPROC ImportedFindFirstFileA __asm__("__imp__FindFirstFileA@8");
extern "C" FARPROC ImportedInvalidateRect __asm__("__imp__InvalidateRect@12");
extern "C" FARPROC ImportedRemoveDirectoryA __asm__("__imp__RemoveDirectoryA@4");
extern "C" FARPROC ImportedFindClose __asm__("__imp__FindClose@4");
extern "C" FARPROC ImportedGetOpenFileNameA __asm__("__imp__GetOpenFileNameA@4");
extern "C" FARPROC ImportedIsDBCSLeadByte __asm__("__imp__IsDBCSLeadByte@4");
extern "C" FARPROC ImportedDeleteFileA __asm__("__imp__DeleteFileA@4");

typedef FARPROC(WINAPI *GetProcAddressProc)(HMODULE, LPCSTR);
typedef HANDLE(WINAPI *CreateFileAProc)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD,
                                        HANDLE);
typedef HANDLE(WINAPI *LoadImageAProc)(HINSTANCE, LPCSTR, UINT, int, int, UINT);
GetProcAddressProc RealGetProcAddress;
CreateFileAProc RealCreateFileA;
LoadImageAProc RealLoadImageA;
typedef int(WINAPI *StretchDIBitsProc)(HDC, int, int, int, int, int, int, int, int, const void *,
                                       const BITMAPINFO *, UINT, DWORD);
StretchDIBitsProc RealStretchDIBits;
typedef HBITMAP(WINAPI *CreateCompatibleBitmapProc)(HDC, int, int);
typedef HDC(WINAPI *GetDCProc)(HWND);
typedef int(WINAPI *ReleaseDCProc)(HWND, HDC);
CreateCompatibleBitmapProc RealCreateCompatibleBitmap;
GetDCProc RealGetDC;
ReleaseDCProc RealReleaseDC;

decltype(&GetFileAttributesA) RealGetFileAttributesA;
decltype(&GetDiskFreeSpaceA) RealGetDiskFreeSpaceA;
decltype(&FindFirstFileA) RealFindFirstFileA;
decltype(&InvalidateRect) RealInvalidateRect;
decltype(&RemoveDirectoryA) RealRemoveDirectoryA;
decltype(&FindClose) RealFindClose;
decltype(&GetOpenFileNameA) RealGetOpenFileNameA;
decltype(&DeleteFileA) RealDeleteFileA;

struct ProcOverride {
    char name[64];
    FARPROC replacement;
};
ProcOverride Overrides[16];
int OverrideCount;

FARPROC WINAPI RuledGetProcAddress(HMODULE module, LPCSTR name)
{
    // KERNEL32 of Windows 95/98 refuses every lookup of its own exports by ordinal ("kernel32
    // by id not supported"); only names are answered.
    if (!HIWORD(name) && module == GetModuleHandleA("KERNEL32.DLL")) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (HIWORD(name))
        for (int i = 0; i < OverrideCount; i++)
            if (strcmp(Overrides[i].name, name) == 0)
                return Overrides[i].replacement;
    return RealGetProcAddress(module, name);
}

bool RefusedAsUnreachable(LPCSTR name)
{
    const std::string &gone = GoneNetworkPlace;
    if (gone.empty() || !name || _strnicmp(name, gone.c_str(), gone.size()) != 0)
        return false;
    GoneNetworkCalls++;
    Sleep(NetworkTimeoutMs);
    SetLastError(ERROR_BAD_NETPATH);
    return true;
}

int NoDiskCalls[26]; // file calls made on each drive with no disk (0: A:)

// A file call on a removable or CD-ROM drive with no disk in it (the test prefix maps such
// drives to folders; one whose folder is missing has no disk): unless the caller has the
// critical-error box off, Windows 95/98 stop the thread in a box asking for the disk (at logon,
// in the shell, where nobody expects it). With the box off the call fails (see NoDiskError).
bool RefusedForNoDisk(LPCSTR name)
{
    if (RefusedAsUnreachable(name))
        return true;
    char root[] = {name ? (char)(name[0] | 0x20) : '\0', ':', '\\', '\0'};
    if (root[0] < 'a' || root[0] > 'z' || name[1] != ':')
        return false;
    UINT type = GetDriveTypeA(root);
    if ((type != DRIVE_REMOVABLE && type != DRIVE_CDROM) ||
        RealGetFileAttributesA(root) != INVALID_FILE_ATTRIBUTES)
        return false;
    NoDiskCalls[root[0] - 'a']++;
    UINT mode = NoDiskErrorMode = SetErrorMode(0);
    SetErrorMode(mode);
    if (!(mode & SEM_FAILCRITICALERRORS))
        ADD_FAILURE() << "a box asking for the disk in drive " << name[0] << ": (" << name
                      << "), with the critical-error box on";
    SetLastError(NoDiskError);
    return true;
}

HANDLE WINAPI RuledCreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                               DWORD disposition, DWORD flags, HANDLE templateFile)
{
    if (RefusedForNoDisk(name))
        return INVALID_HANDLE_VALUE;
    // Windows 95/98 know no FILE_SHARE_DELETE and refuse the whole call when it is asked for.
    if (share & FILE_SHARE_DELETE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    return RealCreateFileA(name, access, share, sa, disposition, flags, templateFile);
}

DWORD WINAPI RuledGetFileAttributesA(LPCSTR name)
{
    return RefusedForNoDisk(name) ? INVALID_FILE_ATTRIBUTES : RealGetFileAttributesA(name);
}

BOOL WINAPI RuledGetDiskFreeSpaceA(LPCSTR root, DWORD *sectors, DWORD *bytes, DWORD *free,
                                   DWORD *total)
{
    return !RefusedForNoDisk(root) && RealGetDiskFreeSpaceA(root, sectors, bytes, free, total);
}

// The folders that searches are open in, by search: such a folder cannot be removed until its
// search is closed.
std::mutex SearchesHeld;
std::map<HANDLE, std::string> OpenSearches;

std::string FullPathOf(LPCSTR path)
{
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path, sizeof full, full, nullptr);
    return n && n < sizeof full ? full : "";
}

HANDLE WINAPI RuledFindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA *found)
{
    if (RefusedForNoDisk(pattern))
        return INVALID_HANDLE_VALUE;
    HANDLE search = RealFindFirstFileA(pattern, found);
    std::string folder = FullPathOf(pattern);
    if (search != INVALID_HANDLE_VALUE && folder.find('\\') != std::string::npos) {
        std::lock_guard<std::mutex> hold(SearchesHeld);
        OpenSearches[search] = folder.substr(0, folder.rfind('\\'));
    }
    return search;
}

BOOL WINAPI RuledFindClose(HANDLE search)
{
    {
        std::lock_guard<std::mutex> hold(SearchesHeld);
        OpenSearches.erase(search);
    }
    return RealFindClose(search);
}

// The Open dialog makes the chosen file's folder the process's current directory unless told
// not to (Wine's leaves it as it was).
BOOL WINAPI RuledGetOpenFileNameA(OPENFILENAMEA *ofn)
{
    BOOL chosen = RealGetOpenFileNameA(ofn);
    if (chosen && !(ofn->Flags & OFN_NOCHANGEDIR) && ofn->nFileOffset > 0) {
        std::string folder(ofn->lpstrFile, ofn->nFileOffset);
        SetCurrentDirectoryA(folder.c_str());
    }
    return chosen;
}

// As under MS-DOS, the process's current directory cannot be removed (Wine, on Linux, removes
// it): a folder the Open dialog left current stays. Nor can a folder that a search is still
// open in: it is in use until FindClose.
BOOL WINAPI RuledRemoveDirectoryA(LPCSTR path)
{
    char current[MAX_PATH];
    std::string full = FullPathOf(path);
    if (GetCurrentDirectoryA(sizeof current, current) && lstrcmpiA(current, full.c_str()) == 0) {
        SetLastError(ERROR_CURRENT_DIRECTORY);
        return FALSE;
    }
    std::lock_guard<std::mutex> hold(SearchesHeld);
    for (const auto &open : OpenSearches)
        if (lstrcmpiA(open.second.c_str(), full.c_str()) == 0) {
            SetLastError(ERROR_SHARING_VIOLATION);
            return FALSE;
        }
    return RealRemoveDirectoryA(path);
}

// Windows 95/98 delete a file even while it is open for normal I/O; Wine keeps NT's rule. The
// name goes on the Linux side then, where, as on those systems, the open handles stay usable.
BOOL WINAPI RuledDeleteFileA(LPCSTR name)
{
    BOOL deleted = RealDeleteFileA(name);
    if (deleted || GetLastError() != ERROR_SHARING_VIOLATION)
        return deleted;
    auto unixName = reinterpret_cast<char *(CDECL *)(LPCWSTR)>(
        RealGetProcAddress(GetModuleHandleA("KERNEL32.DLL"), "wine_get_unix_file_name"));
    WCHAR wide[MAX_PATH];
    char *path = unixName && MultiByteToWideChar(CP_ACP, 0, name, -1, wide, MAX_PATH)
                     ? unixName(wide)
                     : nullptr;
    long failed; // unlink(NULL) fails too
    __asm__ volatile("int $0x80" : "=a"(failed) : "a"(10 /* unlink */), "b"(path) : "memory");
    HeapFree(GetProcessHeap(), 0, path);
    return failed == 0;
}

BOOL CALLBACK WaitForAnswer(HWND window, LPARAM)
{
    SendMessageA(window, WM_NULL, 0, 0);
    return TRUE;
}

// InvalidateRect with no window invalidates and redraws every top-level window, sending each
// its erase and frame messages before it returns: it waits for every window's thread.
BOOL WINAPI RuledInvalidateRect(HWND window, const RECT *rect, BOOL erase)
{
    if (!window)
        EnumWindows(WaitForAnswer, 0);
    return RealInvalidateRect(window, rect, erase);
}

// Whether these systems draw a DIB with this header. Windows 95 knows no 124-byte (version 5)
// header, which came with Windows 98; both take bit fields only with the 5-5-5 or 5-6-5 masks
// at 16 bits and 8-8-8 at 32 bits, and run-length pixels only bottom-up.
bool SystemDrawsDib(const BYTE *header)
{
    auto dword = [header](int at) { return *reinterpret_cast<const DWORD *>(header + at); };
    DWORD headerSize = dword(0);
    if (headerSize < 40)
        return true;
    if (Windows95 && headerSize == sizeof(BITMAPV5HEADER))
        return false;
    DWORD compression = dword(16);
    if ((compression == BI_RLE8 || compression == BI_RLE4) && (LONG)dword(8) < 0)
        return false;
    if (compression != BI_BITFIELDS)
        return true;
    DWORD red = dword(40), green = dword(44), blue = dword(48);
    WORD bpp = *reinterpret_cast<const WORD *>(header + 14);
    if (bpp == 16)
        return blue == 0x001F &&
               ((red == 0x7C00 && green == 0x03E0) || (red == 0xF800 && green == 0x07E0));
    return bpp == 32 && red == 0xFF0000 && green == 0xFF00 && blue == 0xFF;
}

bool LoaderReadsBitmapFile(LPCSTR name)
{
    BYTE head[14 + 52] = {};
    HANDLE file = RealCreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return true; // the loader's own answer stands
    DWORD got = 0;
    ReadFile(file, head, sizeof head, &got, nullptr);
    CloseHandle(file);
    return got < sizeof head || SystemDrawsDib(head + 14);
}

// The loader reads bitmap files by the same rules, and its documentation of the time promises
// the asked size only for icons and cursors: a bitmap comes at its own size.
HANDLE WINAPI RuledLoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy,
                              UINT flags)
{
    if (type == IMAGE_BITMAP && (flags & LR_LOADFROMFILE) && !LoaderReadsBitmapFile(name))
        return nullptr;
    if (type == IMAGE_BITMAP)
        cx = cy = 0;
    return RealLoadImageA(instance, name, type, cx, cy, flags);
}

int WINAPI RuledStretchDIBits(HDC dc, int x, int y, int cx, int cy, int srcX, int srcY, int srcCx,
                              int srcCy, const void *bits, const BITMAPINFO *info, UINT usage,
                              DWORD rop)
{
    if (!SystemDrawsDib(reinterpret_cast<const BYTE *>(&info->bmiHeader)))
        return 0;
    return RealStretchDIBits(dc, x, y, cx, cy, srcX, srcY, srcCx, srcCy, bits, info, usage, rop);
}

// A device-dependent bitmap of Windows 95/98 is at most 16 MB.
HBITMAP WINAPI RuledCreateCompatibleBitmap(HDC dc, int cx, int cy)
{
    double bytes = (double)cx * cy * GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES) / 8;
    if (bytes > 16.0 * 1024 * 1024)
        return nullptr;
    return RealCreateCompatibleBitmap(dc, cx, cy);
}

// Windows 95/98 keep five common DCs for a thread: a sixth GetDC before one is released
// fails, so a DC that is never released soon stops every drawing.
thread_local int CommonDCsHeld;

HDC WINAPI RuledGetDC(HWND window)
{
    if (CommonDCsHeld >= 5)
        return nullptr;
    HDC dc = RealGetDC(window);
    CommonDCsHeld += dc != nullptr;
    return dc;
}

int WINAPI RuledReleaseDC(HWND window, HDC dc)
{
    int released = RealReleaseDC(window, dc);
    CommonDCsHeld -= released && CommonDCsHeld > 0;
    return released;
}

// Puts the rule in the slot and answers the function that was there, as the rule's type.
template <typename Proc> Proc SwapIn(FARPROC *slot, Proc rule)
{
    return reinterpret_cast<Proc>(SwapImportSlot(slot, reinterpret_cast<FARPROC>(rule)));
}

struct RulesAtStartUp {
    RulesAtStartUp()
    {
        OSVERSIONINFOA version = {};
        version.dwOSVersionInfoSize = sizeof version;
        if (!GetVersionExA(&version) || version.dwPlatformId != VER_PLATFORM_WIN32_WINDOWS)
            return;
        RealGetProcAddress = reinterpret_cast<GetProcAddressProc>(SwapImportSlot(
            &ImportedGetProcAddress, reinterpret_cast<FARPROC>(RuledGetProcAddress)));
        RealCreateFileA = reinterpret_cast<CreateFileAProc>(
            SwapImportSlot(&ImportedCreateFileA, reinterpret_cast<FARPROC>(RuledCreateFileA)));
        RealLoadImageA = reinterpret_cast<LoadImageAProc>(
            SwapImportSlot(&ImportedLoadImageA, reinterpret_cast<FARPROC>(RuledLoadImageA)));
        RealStretchDIBits = reinterpret_cast<StretchDIBitsProc>(
            SwapImportSlot(&ImportedStretchDIBits, reinterpret_cast<FARPROC>(RuledStretchDIBits)));
        RealCreateCompatibleBitmap = reinterpret_cast<CreateCompatibleBitmapProc>(
            SwapImportSlot(&ImportedCreateCompatibleBitmap,
                           reinterpret_cast<FARPROC>(RuledCreateCompatibleBitmap)));
        RealGetDC = reinterpret_cast<GetDCProc>(
            SwapImportSlot(&ImportedGetDC, reinterpret_cast<FARPROC>(RuledGetDC)));
        RealReleaseDC = reinterpret_cast<ReleaseDCProc>(
            SwapImportSlot(&ImportedReleaseDC, reinterpret_cast<FARPROC>(RuledReleaseDC)));
        RealGetFileAttributesA = SwapIn(&ImportedGetFileAttributesA, RuledGetFileAttributesA);
        RealGetDiskFreeSpaceA = SwapIn(&ImportedGetDiskFreeSpaceA, RuledGetDiskFreeSpaceA);
        RealFindFirstFileA = SwapIn(&ImportedFindFirstFileA, RuledFindFirstFileA);
        RealInvalidateRect = SwapIn(&ImportedInvalidateRect, RuledInvalidateRect);
        RealRemoveDirectoryA = SwapIn(&ImportedRemoveDirectoryA, RuledRemoveDirectoryA);
        RealFindClose = SwapIn(&ImportedFindClose, RuledFindClose);
        RealGetOpenFileNameA = SwapIn(&ImportedGetOpenFileNameA, RuledGetOpenFileNameA);
        RealDeleteFileA = SwapIn(&ImportedDeleteFileA, RuledDeleteFileA);
        Windows95 = LOWORD(version.dwBuildNumber) < 1998;
        Active = true;
    }
} InstallRules;

// The long form of a file's full path, or "" when no such file exists.
std::string LongPathOf(const std::string &path)
{
    char full[MAX_PATH * 2], longer[MAX_PATH * 2];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (!n || n >= sizeof full)
        return "";
    n = GetLongPathNameA(full, longer, sizeof longer);
    return n && n < sizeof longer ? longer : "";
}

} // namespace

bool Win9xRulesActive()
{
    return Active;
}

bool Win95RulesActive()
{
    return Active && Windows95;
}

void OverrideProc(const char *name, FARPROC replacement)
{
    for (int i = 0; i < OverrideCount; i++)
        if (strcmp(Overrides[i].name, name) == 0) {
            Overrides[i].replacement = replacement;
            return;
        }
    if (OverrideCount < (int)(sizeof Overrides / sizeof Overrides[0])) {
        lstrcpynA(Overrides[OverrideCount].name, name, sizeof Overrides[0].name);
        Overrides[OverrideCount++].replacement = replacement;
    }
}

void ClearProcOverrides()
{
    OverrideCount = 0;
}

int TakeNoDiskCalls(char drive)
{
    unsigned index = (unsigned)((drive | 0x20) - 'a');
    return index < 26 ? std::exchange(NoDiskCalls[index], 0) : 0;
}

static BOOL WINAPI IsLeadByteOf932(BYTE test)
{
    return (test >= 0x81 && test <= 0x9F) || (test >= 0xE0 && test <= 0xFC);
}

static FARPROC SingleByteLeadByte;

FarEastCodePage::FarEastCodePage()
{
    SingleByteLeadByte =
        SwapImportSlot(&ImportedIsDBCSLeadByte, reinterpret_cast<FARPROC>(IsLeadByteOf932));
}

FarEastCodePage::~FarEastCodePage()
{
    SwapImportSlot(&ImportedIsDBCSLeadByte, SingleByteLeadByte);
}

::testing::AssertionResult RunsOnWin9x(const std::string &commandLine, const char *entry,
                                       const std::string &modulePath)
{
    RundllParts parts;
    if (parse_win9x_rundll(commandLine.c_str(), &parts) <= 0)
        return ::testing::AssertionFailure()
               << "the rundll32 of Windows 95/98 cannot run: " << commandLine;
    std::string library(parts.library, parts.library_length);
    if (std::string(parts.entry, parts.entry_length) != entry)
        return ::testing::AssertionFailure() << "entry is not " << entry << ": " << commandLine;
    std::string named = LongPathOf(library), module = LongPathOf(modulePath);
    if (named.empty() || lstrcmpiA(named.c_str(), module.c_str()) != 0)
        return ::testing::AssertionFailure()
               << "\"" << library << "\" is not the module file " << modulePath;
    return ::testing::AssertionSuccess();
}
