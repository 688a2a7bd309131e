// A theme's folder on disk: saving the current look as a theme, deleting a theme, and the box
// that asks for a new theme's name. A theme is written whole or not at all: its files go into
// a working folder beside it first, which is renamed into place only when complete.
#include "applet/applet.h"

const char *const ThemeFileNames[ThemeFileCount] = {
    "CLOSEUP.BMP", "CLOSEDN.BMP", "CLOSEDIS.BMP", "MINUP.BMP",  "MINDN.BMP",
    "MINDIS.BMP",  "RESTUP.BMP",  "RESTDN.BMP",   "HELPUP.BMP", "HELPDN.BMP",
    "MAXUP.BMP",   "MAXDN.BMP",   "MAXDIS.BMP",   "START.BMP",
};

// The working folder is "~QV" and four hex digits of the process: a '~' is refused in a
// theme's name, so it is never a theme, and two sheets saving at once keep apart.
static const char WorkFolderPrefix[] = "~QV";
static const int MaxThemeNameLength = ThemeNameSize - 1;
static const DWORD CopyChunkSize = 4096;
static const char ThemeNameRule[] = "1 to 8 letters, digits, - or _.";

// Names Windows keeps for its devices: a folder cannot be called so.
static const char *const DeviceNames[] = {
    "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
    "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9",
};

// Around every touch of a theme's files: a disk that is not in its drive is a failed call,
// never the system's "insert a disk" box.
struct QuietDiskErrors {
    UINT previous = BeginQuietFileAccess();
    ~QuietDiskErrors() { EndQuietFileAccess(previous); }
};

int CheckThemeName(const char *name, char *why, int whySize)
{
    int length = lstrlenA(name);
    const char *reason = nullptr;
    if (length == 0)
        reason = "Type a name for the theme: 1 to 8 letters, digits, - or _.";
    else if (length > MaxThemeNameLength)
        reason = "A theme's name has at most 8 characters.";
    for (int i = 0; i < length && !reason; i++) {
        char c = name[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
              c == '-' || c == '_'))
            reason = "A theme's name may hold only letters, digits, - and _.";
    }
    for (const char *device : DeviceNames)
        if (!reason && lstrcmpiA(name, device) == 0)
            reason = "Windows keeps that name for a device; choose another.";
    if (reason)
        CopyText(why, whySize, reason);
    return reason == nullptr;
}

static int IsFolder(const char *path)
{
    DWORD attributes = GetFileAttributesQuietly(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int ThemeFolderExists(const char *folder)
{
    return IsFolder(folder);
}

// Why the last file call failed, in the user's words.
static void DescribeWriteFailure(char *why, int whySize)
{
    const char *reason;
    switch (GetLastError()) {
    case ERROR_WRITE_PROTECT:
        reason = "the disk is write-protected";
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        reason = "the disk is full";
        break;
    case ERROR_NOT_READY:
        reason = "the drive is not ready";
        break;
    default:
        reason = "the folder cannot be written (it may be read-only)";
        break;
    }
    CopyText(why, whySize, reason);
}

static int JoinPath(char *dst, const char *folder, const char *name)
{
    return FormatText(dst, MAX_PATH, "%s\\%s", folder, name);
}

// Removes a theme's own files from folder, then the folder if nothing else is left in it.
// Returns 0 (last error set) when a file that is there could not be removed.
static int ClearThemeFolder(const char *folder)
{
    char path[MAX_PATH];
    for (const char *name : ThemeFileNames) {
        if (!JoinPath(path, folder, name))
            continue;
        if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES && !DeleteFileA(path))
            return 0;
    }
    RemoveDirectoryA(folder);
    return 1;
}

static int WriteAll(HANDLE file, const void *data, DWORD size)
{
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

static HANDLE CreateNewFile(const char *path)
{
    return CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Copies source to the new file target byte for byte; the copy never takes over the source's
// attributes (a file from a CD is read-only, and a theme must stay deletable).
static int CopyThemeFile(const char *source, const char *target, char *why, int whySize)
{
    HANDLE in = OpenFileQuietly(source);
    if (in == INVALID_HANDLE_VALUE) {
        FormatText(why, whySize, "%s cannot be read", source);
        return 0;
    }
    HANDLE out = CreateNewFile(target);
    int ok = out != INVALID_HANDLE_VALUE;
    if (!ok)
        DescribeWriteFailure(why, whySize);
    BYTE chunk[CopyChunkSize];
    for (DWORD read = 0; ok;) {
        if (!ReadFile(in, chunk, sizeof chunk, &read, nullptr)) {
            FormatText(why, whySize, "%s cannot be read", source);
            ok = 0;
        } else if (read == 0) {
            break;
        } else if (!WriteAll(out, chunk, read)) {
            DescribeWriteFailure(why, whySize);
            ok = 0;
        }
    }
    if (out != INVALID_HANDLE_VALUE)
        CloseHandle(out);
    CloseHandle(in);
    return ok;
}

// The module's built-in Start picture as a bitmap file: the resource is the file without its
// 14-byte file header, which is put back in front.
static int WriteBuiltInPicture(const char *target, char *why, int whySize)
{
    HRSRC found = FindResourceA(ModuleInstance, MAKEINTRESOURCEA(IDB_STARTBUTTON), RT_BITMAP);
    HGLOBAL loaded = found ? LoadResource(ModuleInstance, found) : nullptr;
    const BYTE *dib = loaded ? static_cast<const BYTE *>(LockResource(loaded)) : nullptr;
    DWORD size = found ? SizeofResource(ModuleInstance, found) : 0;
    if (!dib || size < sizeof(BITMAPINFOHEADER)) {
        CopyText(why, whySize, "the built-in picture cannot be had");
        return 0;
    }
    BITMAPINFOHEADER info;
    memcpy(&info, dib, sizeof info);
    DWORD colours = info.biClrUsed         ? info.biClrUsed
                    : info.biBitCount <= 8 ? 1u << info.biBitCount
                                           : 0;
    DWORD masks = info.biCompression == BI_BITFIELDS ? 3 * sizeof(DWORD) : 0;
    BITMAPFILEHEADER header;
    memset(&header, 0, sizeof header);
    header.bfType = 0x4D42; // "BM"
    header.bfSize = sizeof header + size;
    header.bfOffBits = sizeof header + info.biSize + masks + colours * sizeof(RGBQUAD);
    HANDLE out = CreateNewFile(target);
    int ok = out != INVALID_HANDLE_VALUE && WriteAll(out, &header, sizeof header) &&
             WriteAll(out, dib, size);
    if (!ok)
        DescribeWriteFailure(why, whySize);
    if (out != INVALID_HANDLE_VALUE)
        CloseHandle(out);
    return ok;
}

// Writes every file sources gives into the empty folder work.
static int WriteThemeFiles(const char *work, const ThemeSources *sources, char *why, int whySize)
{
    char target[MAX_PATH];
    for (int i = 0; i < ThemeFileCount; i++) {
        const char *source = sources->files[i];
        int builtIn = i == ThemeStartFile && sources->builtInStart;
        if (!builtIn && !source[0])
            continue;
        if (!JoinPath(target, work, ThemeFileNames[i])) {
            CopyText(why, whySize, "the path of the themes folder is too long");
            return 0;
        }
        if (builtIn ? !WriteBuiltInPicture(target, why, whySize)
                    : !CopyThemeFile(source, target, why, whySize))
            return 0;
    }
    return 1;
}

// Moves whatever is left in from (the user's own files in an old theme folder) into to.
static void MoveLeftovers(const char *from, const char *to)
{
    char pattern[MAX_PATH];
    char source[MAX_PATH];
    char target[MAX_PATH];
    WIN32_FIND_DATAA found;
    if (!JoinPath(pattern, from, "*.*"))
        return;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (found.cFileName[0] != '.' && JoinPath(source, from, found.cFileName) &&
            JoinPath(target, to, found.cFileName))
            MoveFileA(source, target);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    RemoveDirectoryA(from);
}

// Puts the complete theme in work where the theme folder is. A theme being replaced is moved
// aside first and comes back should the new one not go into place; once it has, the old
// theme's own files go and anything else in its folder moves over to the new one.
static int MoveThemeIntoPlace(const char *work, const char *folder)
{
    if (!IsFolder(folder))
        return MoveFileA(work, folder);
    char old[MAX_PATH];
    if (!FormatText(old, sizeof old, "%s.OLD", work))
        return 0;
    ClearThemeFolder(old);
    if (!MoveFileA(folder, old))
        return 0;
    if (!MoveFileA(work, folder)) {
        DWORD error = GetLastError();
        MoveFileA(old, folder);
        SetLastError(error);
        return 0;
    }
    ClearThemeFolder(old);
    if (IsFolder(old))
        MoveLeftovers(old, folder);
    return 1;
}

static void WorkFolderName(char *name)
{
    CopyText(name, 4, WorkFolderPrefix);
    PutHex(name + 3, GetCurrentProcessId(), 4);
    name[7] = '\0';
}

int SaveTheme(const char *themesFolder, const char *folder, const ThemeSources *sources, char *why,
              int whySize)
{
    QuietDiskErrors quiet;
    char work[MAX_PATH];
    char workName[ThemeNameSize];
    WorkFolderName(workName);
    if (!JoinPath(work, themesFolder, workName)) {
        CopyText(why, whySize, "the path of the themes folder is too long");
        return 0;
    }
    int madeThemesFolder = !IsFolder(themesFolder) && CreateDirectoryA(themesFolder, nullptr);
    // What an interrupted save left behind goes first.
    ClearThemeFolder(work);
    int saved = 0;
    if (!CreateDirectoryA(work, nullptr)) {
        DescribeWriteFailure(why, whySize);
    } else if (WriteThemeFiles(work, sources, why, whySize)) {
        saved = MoveThemeIntoPlace(work, folder);
        if (!saved)
            DescribeWriteFailure(why, whySize);
    }
    if (!saved) {
        ClearThemeFolder(work);
        if (madeThemesFolder)
            RemoveDirectoryA(themesFolder);
    }
    return saved;
}

int DeleteTheme(const char *folder, char *why, int whySize)
{
    QuietDiskErrors quiet;
    if (ClearThemeFolder(folder))
        return 1;
    DescribeWriteFailure(why, whySize);
    return 0;
}

// ---- The name box ----

// The name typed, made capitals as the release's themes are named; kept open with the reason
// under the name while the name is refused.
static void OnThemeNameOk(HWND box)
{
    char *name = reinterpret_cast<char *>(GetWindowLongA(box, DWL_USER));
    char typed[MAX_PATH];
    char why[128];
    GetDlgItemTextA(box, IDC_THEMENAME_EDIT, typed, sizeof typed);
    if (!CheckThemeName(typed, why, sizeof why)) {
        SetDlgItemTextA(box, IDC_THEMENAME_REASON, why);
        HWND edit = GetDlgItem(box, IDC_THEMENAME_EDIT);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        SetFocus(edit);
        return;
    }
    for (char *c = typed; *c; c++)
        if (*c >= 'a' && *c <= 'z')
            *c = static_cast<char>(*c - 'a' + 'A');
    CopyText(name, MaxThemeNameLength + 1, typed);
    EndDialog(box, IDOK);
}

static INT_PTR CALLBACK ThemeNameProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongA(box, DWL_USER, static_cast<LONG>(lparam));
        SetDlgItemTextA(box, IDC_THEMENAME_REASON, ThemeNameRule);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK)
            OnThemeNameOk(box);
        else if (LOWORD(wparam) == IDCANCEL)
            EndDialog(box, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

int AskThemeName(HWND owner, char *name)
{
    name[0] = '\0';
    return DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_THEMENAME), owner, ThemeNameProc,
                           reinterpret_cast<LPARAM>(name)) == IDOK;
}
