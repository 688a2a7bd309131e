// Every file the module opens or probes is touched with the system's critical-error box turned
// off. With it on, a name on a floppy or CD that is not in its drive stops the calling thread
// (the shell's, at logon) in a box asking for the disk; with it off the call simply fails.
#include "module/module.h"

inline constexpr UINT QuietErrorMode = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;

// Drives found not ready during the present run of probes (bit 0: A:), and how deeply runs
// are nested; outside a run nothing is remembered.
static DWORD DrivesNotReady;
static int ProbeRuns;

UINT BeginQuietFileAccess()
{
    return SetErrorMode(QuietErrorMode);
}

void EndQuietFileAccess(UINT previous)
{
    SetErrorMode(previous);
}

void BeginDriveProbes()
{
    if (!ProbeRuns++)
        DrivesNotReady = 0;
}

void EndDriveProbes()
{
    if (ProbeRuns > 0 && !--ProbeRuns)
        DrivesNotReady = 0;
}

// The bit of the drive a path names by its letter ("A:..."); 0 for any other path.
static DWORD DriveBit(const char *path)
{
    if (!path || !path[0] || path[1] != ':')
        return 0;
    char letter = (char)(path[0] | 0x20);
    return letter >= 'a' && letter <= 'z' ? 1u << (letter - 'a') : 0;
}

// Whether the path is on a drive already found not ready in this run: then it is not touched
// again, and the call fails as the drive did.
static int SkipsDrive(const char *path)
{
    if (!(DrivesNotReady & DriveBit(path)))
        return 0;
    SetLastError(ERROR_NOT_READY);
    return 1;
}

static void NoteFailure(const char *path)
{
    if (ProbeRuns && GetLastError() == ERROR_NOT_READY)
        DrivesNotReady |= DriveBit(path);
}

HANDLE OpenFileQuietly(const char *path)
{
    if (SkipsDrive(path))
        return INVALID_HANDLE_VALUE;
    UINT previous = BeginQuietFileAccess();
    // No FILE_SHARE_DELETE: Windows 95 refuses the open with it.
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        NoteFailure(path);
    EndQuietFileAccess(previous);
    return file;
}

DWORD GetFileAttributesQuietly(const char *path)
{
    if (SkipsDrive(path))
        return INVALID_FILE_ATTRIBUTES;
    UINT previous = BeginQuietFileAccess();
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        NoteFailure(path);
    EndQuietFileAccess(previous);
    return attributes;
}

HANDLE FindFirstFileQuietly(const char *pattern, WIN32_FIND_DATAA *found)
{
    if (SkipsDrive(pattern))
        return INVALID_HANDLE_VALUE;
    UINT previous = BeginQuietFileAccess();
    HANDLE search = FindFirstFileA(pattern, found);
    if (search == INVALID_HANDLE_VALUE)
        NoteFailure(pattern);
    EndQuietFileAccess(previous);
    return search;
}
