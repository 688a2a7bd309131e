// Every file the module opens or probes is touched with the system's critical-error box turned
// off. With it on, a name on a floppy or CD that is not in its drive stops the calling thread
// (the shell's, at logon) in a box asking for the disk; with it off the call simply fails.
#include "module/module.h"

inline constexpr UINT QuietErrorMode = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
// Every bit of the error mode that means something on an x86. Not the alignment-fault bit:
// on some systems it stays set for good once set, and would reach every program the shell
// starts.
inline constexpr UINT AllErrorModeBits = QuietErrorMode | SEM_NOGPFAULTERRORBOX;

// Drives found without a disk or cut off from their server during the present run of probes
// (bit 0: A:), drives whose root has been probed in it, the servers of UNC paths found out of
// reach in it (a few, by name; one past those is tried again each time), and how deeply runs
// are nested; outside a run nothing is remembered.
static DWORD DrivesNotReady;
static DWORD DrivesProbed;
// Hard disks, found in any run: one stays a hard disk, and asking a drive's kind in every run
// cost each refresh more than the rest of its probes.
static DWORD DrivesFixed;
static const int GoneServerCount = 4;
static const int ServerNameSize = 64;
static char GoneServers[GoneServerCount][ServerNameSize];
static int GoneServersKept;
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
        DrivesNotReady = DrivesProbed = GoneServersKept = 0;
}

void EndDriveProbes()
{
    if (ProbeRuns > 0 && !--ProbeRuns)
        DrivesNotReady = DrivesProbed = GoneServersKept = 0;
}

// The bit of the drive a path names by its letter ("A:..."); 0 for any other path.
static DWORD DriveBit(const char *path)
{
    if (!path || !path[0] || path[1] != ':')
        return 0;
    char letter = (char)(path[0] | 0x20);
    return letter >= 'a' && letter <= 'z' ? 1u << (letter - 'a') : 0;
}

// The server a UNC path names ("\\SERVER\share\..."), into server (ServerNameSize bytes); 0 for
// any other path, or a name too long to keep. Walked by character: in a double-byte code page
// the second byte of a character may be a backslash.
static int ReadServerName(const char *path, char *server)
{
    if (!path || path[0] != '\\' || path[1] != '\\')
        return 0;
    const char *end = path + 2;
    while (*end && *end != '\\')
        end = NextChar(end);
    int length = static_cast<int>(end - path) - 2;
    if (length < 1 || length >= ServerNameSize)
        return 0;
    CopyText(server, length + 1, path + 2);
    return 1;
}

static int IsServerGone(const char *server)
{
    for (int i = 0; i < GoneServersKept; i++)
        if (lstrcmpiA(GoneServers[i], server) == 0)
            return 1;
    return 0;
}

// Whether the path is on a drive or server already found out of reach in this run: then it
// is not touched again, and the call fails as not ready (a drive) or not found (a server).
static int SkipsDrive(const char *path)
{
    char server[ServerNameSize];
    if (DrivesNotReady & DriveBit(path)) {
        SetLastError(ERROR_NOT_READY);
        return 1;
    }
    if (GoneServersKept && ReadServerName(path, server) && IsServerGone(server)) {
        SetLastError(ERROR_BAD_NETPATH);
        return 1;
    }
    return 0;
}

// Errors that say the drive or the server cannot be reached at all: each further try would
// wait out the redirector's time-out again, seconds at a time.
static int SaysUnreachable(DWORD error)
{
    switch (error) {
    case ERROR_NOT_READY:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_NETNAME_DELETED:
    case ERROR_REM_NOT_LIST:
    case ERROR_NETWORK_UNREACHABLE:
        return 1;
    }
    return 0;
}

// The root of the drive a path names by its letter ("A:\").
struct DriveRoot {
    char text[4];
    explicit DriveRoot(const char *path) : text{path[0], ':', '\\', '\0'} {}
};

// After a failed call in a run: "not ready" says the disk is out, and the network errors that
// the server or share is out of reach; a UNC path's server counts as its drive. Any other answer
// from a floppy or CD drive may say the same (the platform promises no particular code for an
// empty drive), so the drive is asked once for its free space, which every system answers for a
// root with a disk in it and refuses without one; when that fails too, the drive is skipped for
// the rest of the run. The drive's kind is known without asking for the disk. The caller still
// sees the error of its own call.
static void NoteFailure(const char *path)
{
    if (!ProbeRuns)
        return;
    DWORD error = GetLastError();
    DWORD bit = DriveBit(path);
    if (!SaysUnreachable(error)) {
        if (!bit || ((DrivesProbed | DrivesFixed) & bit))
            return;
        DrivesProbed |= bit;
        DriveRoot root(path);
        UINT type = GetDriveTypeA(root.text);
        if (type == DRIVE_FIXED)
            DrivesFixed |= bit;
        DWORD sectors, bytes, free, total;
        if ((type == DRIVE_REMOVABLE || type == DRIVE_CDROM) &&
            !GetDiskFreeSpaceA(root.text, &sectors, &bytes, &free, &total))
            DrivesNotReady |= bit;
    } else if (bit) {
        DrivesNotReady |= bit;
    } else if (GoneServersKept < GoneServerCount &&
               ReadServerName(path, GoneServers[GoneServersKept])) {
        GoneServersKept++;
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
