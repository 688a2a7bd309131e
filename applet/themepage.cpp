// The "Themes" page: a whole theme in one pick. A theme is a folder under QVTHEMES beside the
// module holding any of the 13 caption-button images under the release's 8.3 names and,
// optionally, a Start picture.
//
// The page works on what the Start button and Frame controls pages show, not on what is
// stored: picking an entry puts its ticked parts into those pages, where the user sees them,
// and Apply stores what the pages show. "(Current settings)", always the first row, is the
// look the pages showed before anything was picked here; "(Windows default)" the shell's
// picture and the system's buttons. Each action reads the stored settings and the selected
// theme once, and hands what it read to the ticks, the preview and the Apply state.
#include "applet/applet.h"

static const char WindowsDefaultName[] = "(Windows default)";
static const char CurrentSettingsName[] = "(Current settings)";
static const int CurrentSettingsRow = 0;
static const int StatusSize = 2 * MAX_PATH;
static const int MessageSize = 1024;
static const int PreviewMargin = 4;
// A Save As or Delete that failed and could not put all of the theme's own pictures back.
static const char NotAllBackFormat[] =
    "The theme %s is not as it was: not all of its pictures are back in %s.\n\n%s";

// Picture sizes, each once, in order of width, then height.
struct SizeList {
    SIZE sizes[FrameImageCount];
    int count;
};

// What an entry of the list gives each part it has: for the caption buttons the full path of
// every usable file, "" where the system's own image stays (no file, or one the module
// refuses); for the Start button a mode and, for a file, its path.
struct ThemeFiles {
    FrameImagePath images[FrameImageCount];
    DWORD startMode;
    char start[StartFileSize];
    int hasImages;         // the entry sets the caption buttons
    int hasStart;          // the entry sets the Start button
    char folder[MAX_PATH]; // a theme's folder; "" for the other entries
    SizeList drawnSizes;   // a theme's usable caption pictures' own sizes
};

enum EntryKind { NoEntry, CurrentSettingsEntry, WindowsDefaultEntry, ThemeEntry };

// Kept from the page's creation until the sheet closes; SetAsideFolder is the name of a folder
// in the themes folder holding a theme's files that an unfinished Save As or Delete set aside.
static char ThemesFolder[MAX_PATH];
static char SetAsideFolder[MAX_PATH];
// The look the other pages showed before the user picked anything here ("(Current settings)"),
// and the look this page last found in them or put into them.
static Look PagesLook;
static Look ShownLook;
static HBITMAP ThemeCaptionPictures[FrameImageCount];
static HBITMAP ThemeStartPicture;

// Path of one file of a theme; 0 when it does not fit.
static int ThemeFilePath(char *dst, int dstSize, const char *theme, const char *file)
{
    return ThemesFolder[0] && FormatText(dst, dstSize, "%s\\%s\\%s", ThemesFolder, theme, file);
}

// Adds size to list in its place; 0 when it is there already or the list is full.
static int AddSize(SizeList *list, SIZE size)
{
    int at = 0;
    for (; at < list->count; at++) {
        const SIZE &s = list->sizes[at];
        if (s.cx == size.cx && s.cy == size.cy)
            return 0;
        if (s.cx > size.cx || (s.cx == size.cx && s.cy > size.cy))
            break;
    }
    if (list->count == FrameImageCount)
        return 0;
    for (int i = list->count++; i > at; i--)
        list->sizes[i] = list->sizes[i - 1];
    list->sizes[at] = size;
    return 1;
}

// Fills files for the theme folder name and names its first refused file in status. Returns
// how many of the theme's files exist.
static int ReadTheme(const char *theme, ThemeFiles *files, char *status, int statusSize)
{
    int found = 0;
    files->hasImages = files->hasStart = 0;
    files->drawnSizes.count = 0;
    if (!FormatText(files->folder, sizeof files->folder, "%s\\%s", ThemesFolder, theme))
        files->folder[0] = '\0';
    for (int i = 0; i < ThemeFileCount; i++) {
        int isStart = i == ThemeStartFile;
        char *path = isStart ? files->start : files->images[i];
        int pathSize = isStart ? StartFileSize : FrameImagePathSize;
        if (!ThemeFilePath(path, pathSize, theme, ThemeFileNames[i]) || !IsFile(path)) {
            path[0] = '\0';
            continue;
        }
        found++;
        if (isStart)
            files->hasStart = 1;
        else
            files->hasImages = 1;
        char why[StatusSize];
        SIZE size;
        why[0] = '\0';
        if (!DescribeBitmapFile(path, why, sizeof why, &size)) {
            if (!status[0])
                CopyText(status, statusSize, why);
            path[0] = '\0';
        } else if (!isStart) {
            AddSize(&files->drawnSizes, size);
        }
    }
    files->startMode = files->start[0] ? StartModeFile : StartModeShell;
    return found;
}

// What a theme's size subfolders hold: the sizes of those with a picture that will be used (one
// the painter takes for a usable picture of the theme's own: it passes the check and has the
// folder's size), and the first picture refused, with why.
struct SizeFolderPictures {
    const ThemeFiles *files;
    SizeList used;
    char refused[MAX_PATH + 64];
};

static void ReadSizeFolder(const char *path, SIZE size, void *context)
{
    auto *pictures = static_cast<SizeFolderPictures *>(context);
    for (int i = 0; i < FrameImageCount; i++) {
        char variant[MAX_PATH];
        char why[64];
        SIZE drawn;
        if (!pictures->files->images[i][0] ||
            !FormatText(variant, sizeof variant, "%s\\%s", path, ThemeFileNames[i]) ||
            !IsFile(variant))
            continue;
        int usable = CheckBitmapFile(variant, why, sizeof why, &drawn);
        if (usable && drawn.cx == size.cx && drawn.cy == size.cy) {
            AddSize(&pictures->used, size);
            continue;
        }
        if (pictures->refused[0])
            continue;
        if (usable) {
            char mine[SizeTextSize], folders[SizeTextSize];
            PutSize(mine, (DWORD)drawn.cx, (DWORD)drawn.cy, " x ");
            PutSize(folders, (DWORD)size.cx, (DWORD)size.cy, " x ");
            FormatText(why, sizeof why, "%s pixels, not %s", mine, folders);
        }
        // Named from the theme's folder on: "22X20\\CLOSEUP.BMP".
        FormatText(pictures->refused, sizeof pictures->refused, "%s: %s",
                   variant + lstrlenA(pictures->files->folder) + 1, why);
    }
}

// "drawn for 16 x 14, 22 x 20 and 28 x 26": the sizes of a theme's caption pictures that will be
// used, their own first, then those of its size subfolders; then a size subfolder's picture
// that is refused, with why. "" for an entry that is no theme or has no caption pictures.
static void DescribeDrawnSizes(const ThemeFiles *files, char *note, int noteSize)
{
    SizeFolderPictures folders = {files, {{}, 0}, ""};
    note[0] = '\0';
    if (!files->folder[0] || !files->hasImages)
        return;
    ForEachSizeFolder(files->folder, ReadSizeFolder, &folders);
    const SizeList &own = files->drawnSizes;
    SizeList named = own;
    SizeList more = {{}, 0}; // the subfolders' sizes that are no picture's own
    for (int i = 0; i < folders.used.count; i++)
        if (AddSize(&named, folders.used.sizes[i]))
            more.sizes[more.count++] = folders.used.sizes[i];
    int count = own.count + more.count;
    int length = CopyText(note, noteSize, count ? "drawn for" : "");
    for (int i = 0; i < count; i++) {
        const SIZE &shown = i < own.count ? own.sizes[i] : more.sizes[i - own.count];
        char size[SizeTextSize];
        PutSize(size, (DWORD)shown.cx, (DWORD)shown.cy, " x ");
        const char *between = i == 0 ? " " : i == count - 1 ? " and " : ", ";
        if (!FormatText(note + length, noteSize - length, "%s%s", between, size))
            break;
        length += lstrlenA(note + length);
    }
    if (folders.refused[0])
        FormatText(note + length, noteSize - length, "%s%s", length ? "; " : "", folders.refused);
}

void ReadStoredLook(Look *stored)
{
    DWORD type = 0;
    DWORD size = 0;
    BYTE data[FrameControlsMaxBytes];
    memset(stored, 0, sizeof *stored);
    ReadStartSettings(&stored->mode, &stored->stretch, stored->startFile, sizeof stored->startFile);
    if (RegReadValueSized(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, FrameControlsValue, data,
                          sizeof data, &type, &size) &&
        type == REG_BINARY)
        ParseFrameImages(data, size, stored->images);
}

// What the other pages show now: the sheet's caption images, and the Start button page's
// choice (stored's, should that page not answer).
static void ReadPagesLook(HWND page, const Look *stored, Look *look)
{
    memcpy(look, stored, sizeof *look);
    memcpy(look->images, SheetFrameImages(), sizeof look->images);
    SendMessageA(GetParent(page), PSM_QUERYSIBLINGS, ReadStartChoiceQuery,
                 reinterpret_cast<LPARAM>(look));
}

// Whether two looks give the same Start button (a file's name compared as Windows compares
// names), the same caption buttons, and the whole of both.
int SameStart(const Look *a, const Look *b)
{
    return a->mode == b->mode &&
           (a->mode != StartModeFile || lstrcmpiA(a->startFile, b->startFile) == 0);
}

int SameImages(const FrameImagePath *a, const FrameImagePath *b)
{
    for (int i = 0; i < FrameImageCount; i++) {
        int aDefault = IsDefaultImage(a[i]);
        if (aDefault != IsDefaultImage(b[i]) || (!aDefault && lstrcmpiA(a[i], b[i]) != 0))
            return 0;
    }
    return 1;
}

static int SameLook(const Look *a, const Look *b)
{
    return SameStart(a, b) && a->stretch == b->stretch && SameImages(a->images, b->images);
}

// The text of the list's entry at index and what kind of entry it is.
static EntryKind ReadEntry(HWND list, LRESULT index, char *name, int nameSize)
{
    name[0] = '\0';
    if (index < 0 || SendMessageA(list, LB_GETTEXTLEN, index, 0) >= nameSize)
        return NoEntry;
    if (SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(name)) == LB_ERR)
        return NoEntry;
    if (index == CurrentSettingsRow)
        return CurrentSettingsEntry;
    if (lstrcmpA(name, WindowsDefaultName) == 0)
        return WindowsDefaultEntry;
    return ThemeEntry;
}

// The files of the list's entry at index, and its first refused file in status: "(Current
// settings)" gives the pages' own look, "(Windows default)" the shell's picture and the
// system's buttons. Returns the kind of entry.
static EntryKind ReadEntryFiles(HWND list, LRESULT index, ThemeFiles *files, char *status,
                                int statusSize)
{
    char name[MAX_PATH];
    status[0] = '\0';
    memset(files, 0, sizeof *files);
    EntryKind kind = ReadEntry(list, index, name, sizeof name);
    switch (kind) {
    case NoEntry:
        break;
    case CurrentSettingsEntry:
        files->startMode = PagesLook.mode;
        CopyText(files->start, sizeof files->start, PagesLook.startFile);
        memcpy(files->images, PagesLook.images, sizeof files->images);
        files->hasImages = files->hasStart = 1;
        break;
    case WindowsDefaultEntry:
        files->startMode = StartModeShell;
        files->hasImages = files->hasStart = 1;
        break;
    case ThemeEntry:
        ReadTheme(name, files, status, statusSize);
        break;
    }
    return kind;
}

static HWND ThemeList(HWND page)
{
    return GetDlgItem(page, IDC_THEME_LIST);
}

static LRESULT SelectedRow(HWND page)
{
    return SendMessageA(ThemeList(page), LB_GETCURSEL, 0, 0);
}

// The look taking the entry's parts: those it has and the user takes; the rest as in base.
// The Start picture's stretch setting is always kept, and so is a file name the entry's
// Start button does not use.
static void TakeParts(const Look *base, const ThemeFiles *files, int takeStart, int takeImages,
                      Look *result)
{
    memcpy(result, base, sizeof *result);
    if (takeStart && files->hasStart) {
        result->mode = files->startMode;
        if (files->startMode == StartModeFile)
            CopyText(result->startFile, sizeof result->startFile, files->start);
    }
    if (takeImages && files->hasImages)
        memcpy(result->images, files->images, sizeof result->images);
}

// The first entry after "(Current settings)" that, taken whole, gives look: "(Windows
// default)" for the shell's picture and 13 system buttons, or the theme whose every file it
// uses; else "(Current settings)". Its files and first refused file come with it.
static int FindEntryOf(HWND list, const Look *look, ThemeFiles *files, char *status, int statusSize)
{
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    Look taken;
    for (int i = CurrentSettingsRow + 1; i < count; i++) {
        ReadEntryFiles(list, i, files, status, statusSize);
        TakeParts(look, files, 1, 1, &taken);
        if (SameStart(&taken, look) && SameImages(taken.images, look->images))
            return i;
    }
    ReadEntryFiles(list, CurrentSettingsRow, files, status, statusSize);
    return CurrentSettingsRow;
}

// Adds theme to the list in alphabetical order, after the bracketed entries.
static void AddTheme(HWND list, const char *theme)
{
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    int at = 0;
    for (; at < count; at++) {
        char name[MAX_PATH];
        if (ReadEntry(list, at, name, sizeof name) == ThemeEntry && lstrcmpiA(theme, name) < 0)
            break;
    }
    SendMessageA(list, LB_INSERTSTRING, at, reinterpret_cast<LPARAM>(theme));
}

// The bracketed entries always stand first, so that a theme keeps its row whatever the pages
// show.
static void ListThemes(HWND list)
{
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(CurrentSettingsName));
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WindowsDefaultName));
    FindSetAsideFiles(ThemesFolder, SetAsideFolder);
    char pattern[MAX_PATH];
    if (!ThemesFolder[0] || !FormatText(pattern, sizeof pattern, "%s\\*.*", ThemesFolder))
        return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileQuietly(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const char *name = found.cFileName;
        // "." and "..", a save's working folders and names the bracketed entries could take.
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name[0] == '.' ||
            name[0] == '~' || name[0] == '(')
            continue;
        // A folder with none of the theme files is something else.
        char folder[MAX_PATH];
        if (FormatText(folder, sizeof folder, "%s\\%s", ThemesFolder, name) &&
            HoldsThemeFile(folder, ThemeFileCount))
            AddTheme(list, name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// A tick whose part the entry does not have is cleared and cannot be set; one that comes back
// is set again. reset sets every tick the entry allows.
static void ShowPart(HWND page, int id, int has, int reset)
{
    int wasEnabled = IsWindowEnabled(GetDlgItem(page, id));
    EnableControl(page, id, has);
    if (!has)
        CheckDlgButton(page, id, BST_UNCHECKED);
    else if (reset || !wasEnabled)
        CheckDlgButton(page, id, BST_CHECKED);
}

static void ShowEntryParts(HWND page, EntryKind kind, const ThemeFiles *files, int reset)
{
    int any = kind != NoEntry;
    ShowPart(page, IDC_THEME_START, !any || files->hasStart, reset);
    ShowPart(page, IDC_THEME_CAPTIONS, !any || files->hasImages, reset);
    // Only a theme of the user's folder can be deleted; after a Delete from the keyboard the
    // list, whose selection has moved, takes the focus.
    EnableControl(page, IDC_THEME_DELETE, kind == ThemeEntry, IDC_THEME_LIST);
}

// A note too long for the status line's two lines has its picture's name shortened.
static void ShowStatusLine(HWND page, const Look *look, const char *status)
{
    int named = PictureNameLength(status, look->startFile);
    for (int i = 0; i < FrameImageCount && !named; i++)
        named = PictureNameLength(status, look->images[i]);
    ShowStatusText(GetDlgItem(page, IDC_THEME_STATUS), status, named);
}

// The preview shows look, what Apply would give. The status line names the first file that
// will not be used (the entry's own first: status, when it names one), or else a note on the
// Start picture or a caption picture, or else the entry's files' sizes (files, when the look
// takes its caption pictures).
static void UpdateThemePreview(HWND page, const Look *look, const char *entryStatus,
                               const ThemeFiles *files)
{
    char status[StatusSize];
    FreePictures(ThemeCaptionPictures, FrameImageCount);
    FreePictures(&ThemeStartPicture, 1);
    CopyText(status, sizeof status, entryStatus);
    if (!status[0] && SetAsideFolder[0])
        FormatText(status, sizeof status,
                   "%s\\%s holds a theme's pictures that were never put back: move them into the "
                   "theme's folder.",
                   ThemesFolderName, SetAsideFolder);
    // One run of loads: the theme's folder is probed for its size subfolder once, not once a
    // picture.
    BeginBitmapLoads();
    ThemeStartPicture =
        LoadStartPicture(look->mode, look->startFile, look->stretch, status, sizeof status);
    for (int i = 0; i < FrameImageCount; i++)
        ThemeCaptionPictures[i] = LoadCaptionPicture(look->images[i], status, sizeof status);
    EndBitmapLoads();
    if (!status[0] && files)
        DescribeDrawnSizes(files, status, sizeof status);
    ShowStatusLine(page, look, status);
    InvalidateRect(GetDlgItem(page, IDC_THEME_PREVIEW), nullptr, FALSE);
}

// The room the three title bars and the taskbar strip take at a zoom, with margins between
// them.
static SIZE ThemePreviewSize(int zoom)
{
    SIZE bar = CaptionSampleSize(zoom);
    SIZE strip = StartSampleSize(zoom);
    return {bar.cx > strip.cx ? bar.cx : strip.cx,
            3 * (bar.cy + PreviewMargin) + PreviewMargin + strip.cy};
}

static void DrawThemePreview(HWND page, const DRAWITEMSTRUCT *item)
{
    PreviewCanvas canvas;
    if (!OpenPreviewCanvas(item, &canvas))
        return;
    if (SelectedRow(page) >= 0) {
        RECT box = canvas.area;
        InflateRect(&box, -PreviewMargin, -PreviewMargin);
        int zoom = FitSampleZoom(&box, ThemePreviewSize);
        CentreRow(&box, ThemePreviewSize(zoom).cy);
        for (int state = CaptionUp; state <= CaptionDisabled; state++) {
            box.top += DrawCaptionSample(canvas.dc, &box, static_cast<CaptionState>(state),
                                         ThemeCaptionPictures, -1, zoom) +
                       PreviewMargin;
        }
        box.top += PreviewMargin;
        box.left -= PreviewMargin;
        box.right += PreviewMargin;
        DrawStartSample(canvas.dc, &box, ThemeStartPicture, zoom);
    }
    ClosePreviewCanvas(item, &canvas);
}

// Puts look into the other pages: the caption images into the sheet's list, the Start picture
// into the Start button page; each page shows it and tells the sheet whether Apply would
// change what is stored.
static void PutLookIntoPages(HWND page, const Look *look, const Look *stored)
{
    memcpy(SheetFrameImages(), look->images, sizeof look->images);
    LookToShow shown = {look, !SameStart(look, stored) || look->stretch != stored->stretch,
                        !SameImages(look->images, stored->images)};
    SendMessageA(GetParent(page), PSM_QUERYSIBLINGS, ShowLookQuery,
                 reinterpret_cast<LPARAM>(&shown));
    memcpy(&ShownLook, look, sizeof ShownLook);
}

// When the user has changed the other pages since this page last looked, what they show is
// the pages' own look from now on; returns 1 then.
static int FollowPages(HWND page, const Look *stored)
{
    Look pages;
    ReadPagesLook(page, stored, &pages);
    if (SameLook(&pages, &ShownLook))
        return 0;
    memcpy(&PagesLook, &pages, sizeof PagesLook);
    memcpy(&ShownLook, &pages, sizeof ShownLook);
    return 1;
}

// After the user picked an entry or a tick: the entry's ticked parts go into the other pages
// over their own look, and the preview and Apply follow.
static void OnThemeChoiceChanged(HWND page, int entryChanged)
{
    Look stored;
    Look taken;
    ThemeFiles files;
    char status[StatusSize];
    ReadStoredLook(&stored);
    FollowPages(page, &stored);
    EntryKind kind =
        ReadEntryFiles(ThemeList(page), SelectedRow(page), &files, status, sizeof status);
    if (entryChanged)
        ShowEntryParts(page, kind, &files, 0);
    int takeImages = IsChecked(page, IDC_THEME_CAPTIONS);
    TakeParts(&PagesLook, &files, IsChecked(page, IDC_THEME_START), takeImages, &taken);
    if (!SameLook(&taken, &ShownLook))
        PutLookIntoPages(page, &taken, &stored);
    UpdateThemePreview(page, &taken, status, takeImages ? &files : nullptr);
    TellSheet(page, SameLook(&taken, &stored) ? PSM_UNCHANGED : PSM_CHANGED);
}

// Selects the entry that gives the pages' own look, with every tick it allows; put is set when
// the pages must be given that look again (a picked theme was deleted).
static void ShowPagesLook(HWND page, const Look *stored, int put)
{
    ThemeFiles files;
    char status[StatusSize];
    HWND list = ThemeList(page);
    if (put)
        PutLookIntoPages(page, &PagesLook, stored);
    char name[MAX_PATH];
    int row = FindEntryOf(list, &PagesLook, &files, status, sizeof status);
    SendMessageA(list, LB_SETCURSEL, row, 0);
    ShowEntryParts(page, ReadEntry(list, row, name, sizeof name), &files, 1);
    UpdateThemePreview(page, &PagesLook, status, &files);
    TellSheet(page, SameLook(&PagesLook, stored) ? PSM_UNCHANGED : PSM_CHANGED);
}

// The pages' look as they show it now becomes "(Current settings)", and its entry is selected.
static void ShowWhatPagesShow(HWND page, const Look *stored)
{
    ReadPagesLook(page, stored, &PagesLook);
    memcpy(&ShownLook, &PagesLook, sizeof ShownLook);
    ShowPagesLook(page, stored, 0);
}

static void ShowWhatPagesShow(HWND page)
{
    Look stored;
    ReadStoredLook(&stored);
    ShowWhatPagesShow(page, &stored);
}

// The list was made for the page's creation, and is made again each time the page is shown.
static int ThemesJustListed;

static void OnThemeInitDialog(HWND page)
{
    GetThemesFolder(ThemesFolder, sizeof ThemesFolder);
    ListThemes(ThemeList(page));
    ThemesJustListed = 1;
    ShowWhatPagesShow(page);
}

// Every Apply of the sheet reaches this page after the other pages have stored what they show.
// The caption images are stored here only when the Frame controls page, never opened, could
// not; then the page shows what is now stored.
static void OnThemeApply(HWND page)
{
    Look stored;
    ReadStoredLook(&stored);
    FrameImagePath *images = SheetFrameImages();
    if (!SameImages(images, stored.images)) {
        SaveFrameImages();
        memcpy(stored.images, images, sizeof stored.images);
        RequestActivation(0, 1);
    }
    ShowWhatPagesShow(page, &stored);
}

// A look as a theme's files: each file the module takes, copied; the built-in picture written
// out; the parts left to the system absent.
static void CollectLook(const Look *look, ThemeSources *sources)
{
    for (int i = 0; i < FrameImageCount; i++) {
        const char *path = look->images[i];
        sources->files[i] = !IsDefaultImage(path) && CheckBitmapFile(path, nullptr, 0) ? path : "";
    }
    const char *start = look->startFile;
    sources->files[ThemeStartFile] =
        look->mode == StartModeFile && start[0] && CheckBitmapFile(start, nullptr, 0) ? start : "";
    sources->builtInStart = look->mode == StartModeBuiltIn;
}

static int AskYesNo(HWND page, const char *format, const char *name, const char *folder)
{
    char question[MessageSize];
    FormatText(question, sizeof question, format, name, folder);
    return MessageBoxA(GetParent(page), question, ProductName, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

static void Tell(HWND page, const char *format, const char *name, const char *folder,
                 const char *why)
{
    char notice[MessageSize];
    FormatText(notice, sizeof notice, format, name, folder, why);
    MessageBoxA(GetParent(page), notice, ProductName, MB_OK | MB_ICONEXCLAMATION);
}

static void OnThemeSaveAs(HWND page)
{
    char name[ThemeNameSize];
    char folder[MAX_PATH];
    char why[StatusSize];
    Look stored;
    Look shown;
    ThemeSources sources;
    ReadStoredLook(&stored);
    ReadPagesLook(page, &stored, &shown);
    CollectLook(&shown, &sources);
    // A theme of no files would be an empty folder that the list never shows.
    int files = sources.builtInStart;
    for (const char *file : sources.files)
        files += file[0] != '\0';
    if (!files) {
        Tell(page,
             "The look the pages show is the system's own, with no picture of its own to keep "
             "as a theme. \"%s\" puts it back on at any time.",
             WindowsDefaultName, "", "");
        return;
    }
    if (!AskThemeName(page, name))
        return;
    if (!ThemesFolder[0] || !FormatText(folder, sizeof folder, "%s\\%s", ThemesFolder, name)) {
        Tell(page, "The theme %s cannot be saved: the path of the module is too long.", name, "",
             "");
        return;
    }
    if (IsFile(folder)) {
        Tell(page,
             "The theme %s cannot be saved: %s is a file, not a theme's folder. Choose another "
             "name, or move the file away.",
             name, folder, "");
        return;
    }
    if (ThemeFolderExists(folder) &&
        !AskYesNo(page,
                  "There is a theme called %s already (in %s). Replace its pictures, read-only "
                  "ones too, with the look the pages show?",
                  name, folder))
        return;
    int saved = SaveTheme(ThemesFolder, folder, &sources, why, sizeof why);
    if (saved < 0)
        Tell(page, NotAllBackFormat, name, folder, why);
    else if (!saved)
        Tell(page, "The theme %s was not saved; nothing in %s was changed.\n\n%s", name,
             ThemesFolder, why);
    if (saved <= 0)
        return;
    // The new theme is picked: its files go into the pages in place of those they were made
    // from.
    HWND list = ThemeList(page);
    ListThemes(list);
    SendMessageA(
        list, LB_SETCURSEL,
        SendMessageA(list, LB_FINDSTRINGEXACT, CurrentSettingsRow, reinterpret_cast<LPARAM>(name)),
        0);
    OnThemeChoiceChanged(page, 1);
}

static void OnThemeDelete(HWND page)
{
    char name[MAX_PATH];
    char folder[MAX_PATH];
    char why[StatusSize];
    HWND list = ThemeList(page);
    if (ReadEntry(list, SelectedRow(page), name, sizeof name) != ThemeEntry ||
        !FormatText(folder, sizeof folder, "%s\\%s", ThemesFolder, name))
        return;
    if (!AskYesNo(page,
                  "Delete the theme %s? Its pictures, read-only ones too, are removed from %s; "
                  "the settings in use stay as they are.",
                  name, folder))
        return;
    int deleted = DeleteTheme(ThemesFolder, folder, why, sizeof why);
    if (deleted < 0)
        Tell(page, NotAllBackFormat, name, folder, why);
    else if (!deleted)
        Tell(page, "The theme %s was not deleted; it is as it was, in %s.\n\n%s", name, folder,
             why);
    if (deleted <= 0)
        return;
    // Whatever the deleted theme put into the other pages goes back to their own look.
    Look stored;
    ReadStoredLook(&stored);
    ListThemes(list);
    ShowPagesLook(page, &stored, 1);
}

// A theme may have been copied into the themes folder, or taken out, since the page was last
// shown: the folder is listed again, the entry selected kept (a picked theme that is gone takes
// its pictures out of the pages). The user may have changed the other pages meanwhile: then the
// entry for what they show is selected afresh; else a pick made here stands.
static void OnThemeSetActive(HWND page)
{
    Look stored;
    ReadStoredLook(&stored);
    int gone = 0;
    if (!ThemesJustListed) {
        HWND list = ThemeList(page);
        char name[MAX_PATH];
        EntryKind kind = ReadEntry(list, SelectedRow(page), name, sizeof name);
        ListThemes(list);
        LRESULT row = kind == CurrentSettingsEntry
                          ? CurrentSettingsRow
                          : SendMessageA(list, LB_FINDSTRINGEXACT, CurrentSettingsRow,
                                         reinterpret_cast<LPARAM>(name));
        SendMessageA(list, LB_SETCURSEL, row, 0);
        gone = row < 0;
    }
    ThemesJustListed = 0;
    if (FollowPages(page, &stored) || gone)
        ShowPagesLook(page, &stored, gone);
}

static INT_PTR OnThemeNotify(HWND page, LPARAM lparam)
{
    switch (reinterpret_cast<NMHDR *>(lparam)->code) {
    case PSN_SETACTIVE:
        OnThemeSetActive(page);
        return FALSE;
    case PSN_APPLY:
        OnThemeApply(page);
        SetWindowLongA(page, DWL_MSGRESULT, PSNRET_NOERROR);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK ThemePageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnThemeInitDialog(page);
        break;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_THEME_LIST:
            if (HIWORD(wparam) == LBN_SELCHANGE)
                OnThemeChoiceChanged(page, 1);
            return 0;
        case IDC_THEME_START:
        case IDC_THEME_CAPTIONS:
            OnThemeChoiceChanged(page, 0);
            return 0;
        case IDC_THEME_SAVEAS:
            OnThemeSaveAs(page);
            return 0;
        case IDC_THEME_DELETE:
            OnThemeDelete(page);
            return 0;
        }
        break;
    case WM_NOTIFY:
        return OnThemeNotify(page, lparam);
    case WM_DRAWITEM:
        if (wparam == IDC_THEME_PREVIEW) {
            DrawThemePreview(page, reinterpret_cast<const DRAWITEMSTRUCT *>(lparam));
            return TRUE;
        }
        break;
    case WM_DESTROY:
        FreePictures(ThemeCaptionPictures, FrameImageCount);
        FreePictures(&ThemeStartPicture, 1);
        ForgetSheetFrameImages();
        break;
    default:
        // Another page has stored settings: show the entry they match. Answered with 0 so
        // that every sibling hears it.
        if (IsReloadQuery(message, wparam))
            ShowWhatPagesShow(page);
        break;
    }
    return FALSE;
}
