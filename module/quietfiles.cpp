// Every file the module opens or probes is touched with the system's critical-error box turned
// off. With it on, a name on a floppy or CD that is not in its drive stops the calling thread
// (the shell's, at logon) in a box asking for the disk; with it off the call simply fails.
#include "module/module.h"

inline constexpr UINT QuietErrorMode = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
// Every bit of the error mode that means something on an x86. Not the alignment-fault bit:
// on some systems it stays set for good once set, and would reach every program the shell
// starts.
inline constexpr UINT AllErrorModeBits = QuietErrorMode | SEM_NOGPFAULTERRORBOX;

// Drives found without a disk during the present run of probes (bit 0: A:), drives whose root
// has been probed in it, and how deeply runs are nested; outside a run nothing is remembered.
static DWORD DrivesNotReady;
static DWORD DrivesProbed;
static int ProbeRuns;

// The error mode is the whole process's, and other threads (the shell's own) rely on their
// bits. Windows 95 has no call that only reads it: the first call sets every bit while it
// reads, so that no bit is cleared even for a moment, then the quiet bits are added to the
// mode that was.
UINT BeginQuietFileAccess()
{
    UINT previous = SetErrorMode(AllErrorModeBits);
    SetErrorMode(previous | QuietErrorMode);
    return previous;
}

void EndQuietFileAccess(UINT previous)
{
    SetErrorMode(previous);
}

void BeginDriveProbes()
{
    if (!ProbeRuns++)
        DrivesNotReady = DrivesProbed = 0;
}

void EndDriveProbes()
{
    if (ProbeRuns > 0 && !--ProbeRuns)
        DrivesNotReady = DrivesProbed = 0;
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

// The root of the drive a path names by its letter ("A:\").
struct DriveRoot {
    char text[4];
    explicit DriveRoot(const char *path) : text{path[0], ':', '\\', '\0'} {}
};

// After a failed call in a run: "not ready" says the disk is out. Any other answer from a
// floppy or CD drive may say the same (the platform promises no particular code for an empty
// drive), so the drive is asked once for its free space, which every system answers for a root
// with a disk in it and refuses without one; when that fails too, the drive is skipped for the
// rest of the run. The drive's kind is known without asking for the disk. The caller still sees
// the error of its own call.
static void NoteFailure(const char *path)
{
    DWORD bit = DriveBit(path);
    if (!ProbeRuns || !bit)
        return;
    DWORD error = GetLastError();
    if (error == ERROR_NOT_READY) {
        DrivesNotReady |= bit;
    } else if (!(DrivesProbed & bit)) {
        DrivesProbed |= bit;
        DriveRoot root(path);
        UINT type = GetDriveTypeA(root.text);
        DWORD sectors, bytes, free, total;
        if ((type == DRIVE_REMOVABLE || type == DRIVE_CDROM) &&
            !GetDiskFreeSpaceA(root.text, &sectors, &bytes, &free, &total))
            DrivesNotReady |= bit;
    }
    SetLastError(error);
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
