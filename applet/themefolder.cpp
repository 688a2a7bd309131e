// A theme's folder on disk: saving the current look as a theme, deleting a theme, and the box
// that asks for a new theme's name. A theme changes whole or not at all: a new theme's files
// are written into a working folder first; the files of a theme being replaced or deleted are
// moved aside into a second one, with a note of the theme they came from, and come back should
// anything fail, or should the process end before the change is complete; only once it is
// complete are the set-aside files deleted (read-only ones too: the user has agreed).
#include "applet/applet.h"

const char *const ThemeFileNames[ThemeFileCount] = {
    "CLOSEUP.BMP", "CLOSEDN.BMP", "CLOSEDIS.BMP", "MINUP.BMP",  "MINDN.BMP",
    "MINDIS.BMP",  "RESTUP.BMP",  "RESTDN.BMP",   "HELPUP.BMP", "HELPDN.BMP",
    "MAXUP.BMP",   "MAXDN.BMP",   "MAXDIS.BMP",   "START.BMP",
};

// The working folders of a process are "~QV" and four hex digits of the process ("~QV1A2B",
// the new theme) and the same with ".OLD" (the set-aside files); "~QV1A2B.LCK" is held open
// while they are in use. A '~' is refused in a theme's name, so none of them is ever a theme,
// and two sheets saving at once keep apart. Working folders whose lock is not held are what a
// save or delete that never finished left behind: they are seen to before the next one starts.
// Only names of exactly that form are the module's: "~QVNOTES" or "~QV BACKUP" are the user's.
static const char WorkFolderPrefix[] = "~QV";
static const int WorkIdLength = 7; // "~QV" and four hex digits
static const char HeldSuffix[] = ".OLD";
static const char LockSuffix[] = ".LCK";
// In a set-aside folder: the name of the theme folder its files came from.
static const char OriginFileName[] = "THEME.TXT";
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

static int Exists(const char *path)
{
    return GetFileAttributesQuietly(path) != INVALID_FILE_ATTRIBUTES;
}

static int IsFolder(const char *path)
{
    DWORD attributes = GetFileAttributesQuietly(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int IsFile(const char *path)
{
    DWORD attributes = GetFileAttributesQuietly(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int ThemeFolderExists(const char *folder)
{
    return IsFolder(folder);
}

// Why the last file call on name failed and what the user can do, as a sentence or two that
// name the file: "CLOSEUP.BMP cannot be changed because the disk is write-protected. ...".
static void DescribeFileFailure(const char *name, const char *action, char *why, int whySize)
{
    const char *reason;
    const char *cure;
    switch (GetLastError()) {
    case ERROR_WRITE_PROTECT:
        reason = "the disk is write-protected";
        cure = "Remove the protection, then try again.";
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        reason = "the disk is full";
        cure = "Make room on it, then try again.";
        break;
    case ERROR_NOT_READY:
        reason = "the drive is not ready";
        cure = "Put the disk back, then try again.";
        break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        reason = "another program is using it";
        cure = "Close that program, then try again.";
        break;
    default:
        // A file another program holds open may be refused so too.
        reason = "Windows refused it";
        cure = "Close any program using it; a CD, or a folder shared read-only, cannot be "
               "changed.";
        break;
    }
    char sentence[MAX_PATH + 64];
    if (!FormatText(sentence, sizeof sentence, "%s cannot be %s because ", name, action))
        CopyText(sentence, sizeof sentence, "A file cannot be changed because ");
    FormatText(why, whySize, "%s%s. %s", sentence, reason, cure);
}

static int JoinPath(char *dst, const char *folder, const char *name)
{
    return FormatText(dst, MAX_PATH, "%s\\%s", folder, name);
}

// Empties a working folder and removes it: every file goes, read-only ones too, and any folder
// inside it in the same way. Nothing but the module's own work is ever in one.
static void ClearWorkFolder(const char *folder)
{
    char pattern[MAX_PATH];
    char path[MAX_PATH];
    WIN32_FIND_DATAA found;
    if (!folder[0] || !JoinPath(pattern, folder, "*.*"))
        return;
    HANDLE search = FindFirstFileQuietly(pattern, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const char *name = found.cFileName;
            if (name[0] == '.' || !JoinPath(path, folder, name))
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                ClearWorkFolder(path);
                continue;
            }
            if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder);
}

int ForEachSizeFolder(const char *folder, SizeFolderVisit visit, void *context)
{
    char pattern[MAX_PATH];
    char path[MAX_PATH];
    WIN32_FIND_DATAA found;
    if (!JoinPath(pattern, folder, "*.*"))
        return 0;
    HANDLE search = FindFirstFileQuietly(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do {
        SIZE size;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            ReadSizeFolderName(found.cFileName, &size) && JoinPath(path, folder, found.cFileName)) {
            count++;
            visit(path, size, context);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

int HoldsThemeFile(const char *folder, int count)
{
    char path[MAX_PATH];
    for (int i = 0; i < count; i++)
        if (JoinPath(path, folder, ThemeFileNames[i]) && IsFile(path))
            return 1;
    return 0;
}

// A move of the theme's own files from one folder into another: those at its top, and those in
// each of its size subfolders into a subfolder of the same name (made when missing). MoveFileA
// keeps a file's attributes: moving a read-only file is allowed where deleting it is not.
struct ThemeFilesMove {
    int stopAtFailure; // else every file is tried, as when putting files back
    int failed;
    char failedName[MAX_PATH]; // the first file that would not move: "22X20\CLOSEUP.BMP"
    DWORD error;               // and why
};

// The theme's files of from into to; sub names the size subfolder they are in ("" for none).
static void MoveFilesOf(ThemeFilesMove *m, const char *from, const char *to, const char *sub)
{
    char source[MAX_PATH];
    char target[MAX_PATH];
    for (int i = 0; i < ThemeFileCount && !(m->failed && m->stopAtFailure); i++) {
        int named = JoinPath(source, from, ThemeFileNames[i]);
        if (named && !Exists(source))
            continue;
        if (named && JoinPath(target, to, ThemeFileNames[i]) &&
            (IsFolder(to) || CreateDirectoryA(to, nullptr)) && MoveFileA(source, target))
            continue;
        if (!m->failed) {
            m->error = named ? GetLastError() : ERROR_FILENAME_EXCED_RANGE;
            if (!sub[0] ||
                !FormatText(m->failedName, sizeof m->failedName, "%s\\%s", sub, ThemeFileNames[i]))
                CopyText(m->failedName, sizeof m->failedName, ThemeFileNames[i]);
        }
        m->failed = 1;
    }
}

struct SubfolderMove {
    ThemeFilesMove *move;
    const char *to;
};

static int MoveThemeFiles(const char *from, const char *to, ThemeFilesMove *m)
{
    MoveFilesOf(m, from, to, "");
    SubfolderMove each = {m, to};
    ForEachSizeFolder(
        from,
        [](const char *path, SIZE, void *context) {
            auto *each = static_cast<SubfolderMove *>(context);
            const char *sub = FileNamePart(path);
            char target[MAX_PATH];
            if (JoinPath(target, each->to, sub))
                MoveFilesOf(each->move, path, target, sub);
        },
        &each);
    SetLastError(m->error);
    return !m->failed;
}

// A size subfolder of the theme that the work has emptied, or made and emptied again, goes; one
// that holds anything else stays with it.
static void RemoveEmptySizeFolders(const char *folder)
{
    ForEachSizeFolder(
        folder, [](const char *path, SIZE, void *) { RemoveDirectoryA(path); }, nullptr);
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

// Copies source to the new file target (the theme file name) byte for byte; the copy never
// takes over the source's attributes (a file from a CD is read-only).
static int CopyThemeFile(const char *source, const char *target, const char *name, char *why,
                         int whySize)
{
    HANDLE in = OpenFileQuietly(source);
    if (in == INVALID_HANDLE_VALUE) {
        DescribeFileFailure(source, "read", why, whySize);
        return 0;
    }
    HANDLE out = CreateNewFile(target);
    int ok = out != INVALID_HANDLE_VALUE;
    if (!ok)
        DescribeFileFailure(name, "written", why, whySize);
    BYTE chunk[CopyChunkSize];
    for (DWORD read = 0; ok;) {
        if (!ReadFile(in, chunk, sizeof chunk, &read, nullptr)) {
            DescribeFileFailure(source, "read", why, whySize);
            ok = 0;
        } else if (read == 0) {
            break;
        } else if (!WriteAll(out, chunk, read)) {
            DescribeFileFailure(name, "written", why, whySize);
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
static int WriteBuiltInPicture(const char *target, const char *name, char *why, int whySize)
{
    DWORD size = 0;
    DWORD pixelsAt = 0;
    const BITMAPINFO *dib = FindBitmapResource(IDB_STARTBUTTON, &size, &pixelsAt);
    if (!dib) {
        CopyText(why, whySize, "The built-in Start picture cannot be had.");
        return 0;
    }
    BITMAPFILEHEADER header;
    memset(&header, 0, sizeof header);
    header.bfType = 0x4D42; // "BM"
    header.bfSize = sizeof header + size;
    header.bfOffBits = sizeof header + pixelsAt;
    HANDLE out = CreateNewFile(target);
    int ok = out != INVALID_HANDLE_VALUE && WriteAll(out, &header, sizeof header) &&
             WriteAll(out, dib, size);
    if (!ok)
        DescribeFileFailure(name, "written", why, whySize);
    if (out != INVALID_HANDLE_VALUE)
        CloseHandle(out);
    return ok;
}

// The pictures drawn for other sizes beside a caption picture ("<its folder>\<W>X<H>\<its
// name>"), copied into work as "<W>X<H>\<name>", so that the theme looks the same at each of
// those sizes as the look it is made from.
struct VariantCopy {
    const char *sourceName; // the picture's own file name
    const char *work;
    const char *name; // its name in the theme
    char *why;
    int whySize;
    int ok;
};

static void CopySizeVariant(const char *path, SIZE size, void *context)
{
    auto *c = static_cast<VariantCopy *>(context);
    char variant[MAX_PATH];
    if (!c->ok || !JoinPath(variant, path, c->sourceName) || !IsFile(variant))
        return;
    char sub[SizeTextSize];
    char shown[MAX_PATH];
    char folder[MAX_PATH];
    char target[MAX_PATH];
    PutSize(sub, (DWORD)size.cx, (DWORD)size.cy, "X");
    if (!JoinPath(shown, sub, c->name) || !JoinPath(folder, c->work, sub) ||
        !JoinPath(target, folder, c->name)) {
        CopyText(c->why, c->whySize, "The path of the themes folder is too long.");
        c->ok = 0;
    } else if (!IsFolder(folder) && !CreateDirectoryA(folder, nullptr)) {
        DescribeFileFailure(shown, "written", c->why, c->whySize);
        c->ok = 0;
    } else {
        c->ok = CopyThemeFile(variant, target, shown, c->why, c->whySize);
    }
}

static int CopySizeVariants(const char *source, const char *work, const char *name, char *why,
                            int whySize)
{
    VariantCopy copy = {FileNamePart(source), work, name, why, whySize, 1};
    int folderLength = static_cast<int>(copy.sourceName - source); // its separator included
    char folder[MAX_PATH];
    // A name without a folder has nothing beside it to look in.
    if (folderLength < 2 || folderLength > MAX_PATH ||
        (source[folderLength - 1] != '\\' && source[folderLength - 1] != '/'))
        return 1;
    CopyText(folder, folderLength, source);
    ForEachSizeFolder(folder, CopySizeVariant, &copy);
    return copy.ok;
}

// Writes every file sources gives into the empty folder work, and beside each caption picture
// copied the pictures drawn for other sizes.
static int WriteThemeFiles(const char *work, const ThemeSources *sources, char *why, int whySize)
{
    char target[MAX_PATH];
    for (int i = 0; i < ThemeFileCount; i++) {
        const char *source = sources->files[i];
        const char *name = ThemeFileNames[i];
        int builtIn = i == ThemeStartFile && sources->builtInStart;
        if (!builtIn && !source[0])
            continue;
        if (!JoinPath(target, work, name)) {
            CopyText(why, whySize, "The path of the themes folder is too long.");
            return 0;
        }
        if (builtIn ? !WriteBuiltInPicture(target, name, why, whySize)
                    : !CopyThemeFile(source, target, name, why, whySize))
            return 0;
        if (i < FrameImageCount && !CopySizeVariants(source, work, name, why, whySize))
            return 0;
    }
    return 1;
}

// This process's working folders and the lock that tells other processes they are in use;
// keepHeld is set when set-aside files could not be put back and must outlive the work.
struct ThemeWork {
    char themes[MAX_PATH];
    char work[MAX_PATH];
    char held[MAX_PATH];
    char lock[MAX_PATH];
    HANDLE lockFile;
    int keepHeld;
};

enum WorkKind { NotWork, NewFiles, HeldFiles, WorkLock };

// What a long name is: "~QV" and four hex digits (its id, into id), then nothing, ".OLD" or
// ".LCK"; NotWork for any other name.
static WorkKind ReadWorkName(const char *name, char *id)
{
    CopyText(id, WorkIdLength + 1, name);
    for (int i = 0; i < WorkIdLength; i++) {
        char c = static_cast<char>(id[i] | 0x20); // either case; '~' and digits stay as they are
        if (i < 3 ? c != (WorkFolderPrefix[i] | 0x20)
                  : !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return NotWork;
    }
    const char *rest = name + WorkIdLength;
    if (!rest[0])
        return NewFiles;
    if (lstrcmpiA(rest, HeldSuffix) == 0)
        return HeldFiles;
    return lstrcmpiA(rest, LockSuffix) == 0 ? WorkLock : NotWork;
}

// Calls visit with each working entry of themes: the path, the kind and the id. FindFirstFileA
// matches the pattern against 8.3 aliases as well ("~qv backup" is "~QVBAC~1"), so the long name
// decides. The walk ends when visit answers 0.
typedef int (*WorkVisit)(const char *path, WorkKind kind, const char *id, void *context);
static void ForEachWorkEntry(const char *themes, WorkVisit visit, void *context)
{
    char pattern[MAX_PATH];
    char path[MAX_PATH];
    char id[WorkIdLength + 1];
    WIN32_FIND_DATAA found;
    if (!FormatText(pattern, sizeof pattern, "%s\\%s*.*", themes, WorkFolderPrefix))
        return;
    HANDLE search = FindFirstFileQuietly(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    int more = 1;
    do {
        WorkKind kind = ReadWorkName(found.cFileName, id);
        int isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (kind != NotWork && isFolder == (kind != WorkLock) &&
            JoinPath(path, themes, found.cFileName))
            more = visit(path, kind, id, context);
    } while (more && FindNextFileA(search, &found));
    FindClose(search);
}

// Opens the lock of the working folders of id for this process alone, made when missing, so
// that no other process sees to them meanwhile. Fails while another process holds it: Windows 95
// enforces share modes, though it deletes a file that is open, so only an open tells.
static HANDLE ClaimWork(const char *themes, const char *id, char *lock)
{
    if (!FormatText(lock, MAX_PATH, "%s\\%s%s", themes, id, LockSuffix))
        return INVALID_HANDLE_VALUE;
    return CreateFileA(lock, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// The theme folder name a set-aside folder's note gives, into name (MAX_PATH bytes); 0 when
// there is no note, or it names anything but a folder beside the set-aside one.
static int ReadOrigin(const char *held, char *name)
{
    char note[MAX_PATH];
    DWORD got = 0;
    HANDLE file =
        JoinPath(note, held, OriginFileName) ? OpenFileQuietly(note) : INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    if (!ReadFile(file, name, MAX_PATH - 1, &got, nullptr))
        got = 0;
    CloseHandle(file);
    name[got] = '\0';
    // No theme's name starts with a dot (the list shows none): ".." would lead out of the folder.
    return got && name[0] != '.' && FileNamePart(name) == name;
}

static int WriteOrigin(const char *held, const char *folder)
{
    char note[MAX_PATH];
    const char *name = FileNamePart(folder);
    HANDLE file = JoinPath(note, held, OriginFileName) ? CreateNewFile(note) : INVALID_HANDLE_VALUE;
    int ok = file != INVALID_HANDLE_VALUE && WriteAll(file, name, lstrlenA(name));
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return ok;
}

// Puts the files set aside in held back into the theme folder its note names, never over a
// file there; held goes once all went back, or when it is empty. 1 when it went.
static int PutBackHeldFiles(const char *themes, const char *held)
{
    char name[MAX_PATH];
    char folder[MAX_PATH];
    ThemeFilesMove back = {0, 0, "", ERROR_SUCCESS};
    if (!ReadOrigin(held, name) || !JoinPath(folder, themes, name))
        return RemoveDirectoryA(held);
    if (!MoveThemeFiles(held, folder, &back))
        return 0;
    ClearWorkFolder(held); // the note and emptied size subfolders
    return 1;
}

// Sees to the working folders of saves and deletes that never finished (this process's earlier
// ones too): a new theme's files go; set-aside files go back where they came from, or stay where
// they are when they cannot. Another sheet's, whose lock is held, are left alone.
static int TidyWorkEntry(const char *path, WorkKind kind, const char *id, void *context)
{
    auto *w = static_cast<const ThemeWork *>(context);
    char lock[MAX_PATH];
    int own = lstrcmpiA(id, FileNamePart(w->work)) == 0;
    HANDLE claim = own ? nullptr : ClaimWork(w->themes, id, lock);
    if (claim == INVALID_HANDLE_VALUE)
        return 1;
    if (kind == NewFiles)
        ClearWorkFolder(path);
    else if (kind == HeldFiles)
        PutBackHeldFiles(w->themes, path);
    if (!own) {
        CloseHandle(claim);
        DeleteFileA(lock);
    }
    return 1;
}

// Takes this process's working folders in themes, seeing first to what others left; 0 with why
// said when the themes folder cannot be written.
static int BeginThemeWork(const char *themes, ThemeWork *w, char *why, int whySize)
{
    char id[WorkIdLength + 1];
    CopyText(id, sizeof id, WorkFolderPrefix);
    PutHex(id + 3, GetCurrentProcessId(), WorkIdLength - 3);
    id[WorkIdLength] = '\0';
    w->lockFile = INVALID_HANDLE_VALUE;
    w->keepHeld = 0;
    CopyText(w->themes, sizeof w->themes, themes);
    if (!JoinPath(w->work, themes, id) ||
        !FormatText(w->held, sizeof w->held, "%s%s", w->work, HeldSuffix)) {
        CopyText(why, whySize, "The path of the themes folder is too long.");
        return 0;
    }
    w->lockFile = ClaimWork(themes, id, w->lock);
    if (w->lockFile == INVALID_HANDLE_VALUE) {
        DescribeFileFailure(themes, "written", why, whySize);
        return 0;
    }
    ForEachWorkEntry(themes, TidyWorkEntry, w);
    return 1;
}

// Whatever is left in the working folders goes, then the lock; nothing when none was taken.
// Set-aside files no longer wanted are renamed a new theme's first, so that should the deleting
// stop half-way, they are never taken for files to put back.
static void EndThemeWork(ThemeWork *w)
{
    if (w->lockFile == INVALID_HANDLE_VALUE)
        return;
    ClearWorkFolder(w->work);
    if (!w->keepHeld)
        ClearWorkFolder(MoveFileA(w->held, w->work) ? w->work : w->held);
    CloseHandle(w->lockFile);
    DeleteFileA(w->lock);
}

// A working folder made for this work; why names the themes folder when it cannot be.
static int MakeWorkFolder(const ThemeWork *w, const char *folder, char *why, int whySize)
{
    if (CreateDirectoryA(folder, nullptr))
        return 1;
    DescribeFileFailure(w->themes, "written", why, whySize);
    return 0;
}

// After a failure, the set-aside files go back into their theme folder. Those that will not
// (the disk taken out, the network gone) stay in the set-aside folder, which outlives the work,
// and why says where they are. Returns 1 when all went back.
static int PutBackSetAside(ThemeWork *w, char *why, int whySize)
{
    if (PutBackHeldFiles(w->themes, w->held))
        return 1;
    w->keepHeld = 1;
    int length = lstrlenA(why);
    FormatText(why + length, whySize - length,
               "\n\nThe rest are kept in %s until the next Save As or Delete puts them back.",
               w->held);
    return 0;
}

// Moves the theme's own files of folder (those in its size subfolders too) into the set-aside
// folder, with the note of where they came from; or, should one not move, puts back what did and
// says why, naming the file. Returns 1 when all moved, -1 when some could not be put back.
static int SetAsideThemeFiles(ThemeWork *w, const char *folder, char *why, int whySize)
{
    ThemeFilesMove m = {1, 0, "", ERROR_SUCCESS};
    if (!MakeWorkFolder(w, w->held, why, whySize))
        return 0;
    if (!WriteOrigin(w->held, folder)) {
        DescribeFileFailure(w->themes, "written", why, whySize);
        return 0;
    }
    if (MoveThemeFiles(folder, w->held, &m))
        return 1;
    DescribeFileFailure(m.failedName, "changed", why, whySize);
    return PutBackSetAside(w, why, whySize) ? 0 : -1;
}

// Puts the complete theme in work where the theme folder is: a new folder is work renamed; a
// theme being replaced has its own files set aside, the new ones moved in, and on any failure
// its own put back. Anything else in its folder stays where it is. Returns as SaveTheme does.
static int MoveThemeIntoPlace(ThemeWork *w, const char *folder, char *why, int whySize)
{
    if (!IsFolder(folder)) {
        if (MoveFileA(w->work, folder))
            return 1;
        DescribeFileFailure(folder, "made", why, whySize);
        return 0;
    }
    int moved = SetAsideThemeFiles(w, folder, why, whySize);
    ThemeFilesMove in = {1, 0, "", ERROR_SUCCESS};
    if (moved == 1 && !MoveThemeFiles(w->work, folder, &in)) {
        // Every file of the theme's name there now is a new one: the old are all set aside.
        ThemeFilesMove out = {0, 0, "", ERROR_SUCCESS};
        MoveThemeFiles(folder, w->work, &out);
        SetLastError(in.error);
        DescribeFileFailure(in.failedName, "changed", why, whySize);
        moved = PutBackSetAside(w, why, whySize) ? 0 : -1;
    }
    RemoveEmptySizeFolders(folder);
    return moved;
}

int SaveTheme(const char *themesFolder, const char *folder, const ThemeSources *sources, char *why,
              int whySize)
{
    QuietDiskErrors quiet;
    int madeThemesFolder = !IsFolder(themesFolder) && CreateDirectoryA(themesFolder, nullptr);
    ThemeWork w;
    int saved = 0;
    if (BeginThemeWork(themesFolder, &w, why, whySize) &&
        MakeWorkFolder(&w, w.work, why, whySize) && WriteThemeFiles(w.work, sources, why, whySize))
        saved = MoveThemeIntoPlace(&w, folder, why, whySize);
    EndThemeWork(&w);
    if (!saved && madeThemesFolder)
        RemoveDirectoryA(themesFolder);
    return saved;
}

int DeleteTheme(const char *themesFolder, const char *folder, char *why, int whySize)
{
    QuietDiskErrors quiet;
    ThemeWork w;
    int deleted = 0;
    if (BeginThemeWork(themesFolder, &w, why, whySize)) {
        deleted = SetAsideThemeFiles(&w, folder, why, whySize);
        // Each folder goes only when nothing of the user's is left in it.
        if (deleted == 1) {
            RemoveEmptySizeFolders(folder);
            RemoveDirectoryA(folder);
        }
    }
    EndThemeWork(&w);
    return deleted;
}

static int FindSetAsideEntry(const char *path, WorkKind kind, const char *, void *found)
{
    if (kind != HeldFiles)
        return 1;
    CopyText(static_cast<char *>(found), MAX_PATH, FileNamePart(path));
    return 0;
}

int FindSetAsideFiles(const char *themesFolder, char *folder)
{
    folder[0] = '\0';
    if (themesFolder[0])
        ForEachWorkEntry(themesFolder, FindSetAsideEntry, folder);
    return folder[0] != '\0';
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
