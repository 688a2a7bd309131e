// The "Themes" page: a whole theme in one pick. A theme is a folder under QVTHEMES beside the
// module holding any of the 13 caption-button images under the release's 8.3 names and,
// optionally, a Start picture; Apply stores them in the same values the other two pages write.
// The list always shows what is stored: the theme it matches, "(Windows default)", or a
// "(Current settings)" entry for a look no theme gives, which Save As can keep as a theme.
#include "applet/applet.h"

static const char WindowsDefaultName[] = "(Windows default)";
static const char CurrentSettingsName[] = "(Current settings)";
static const int StatusSize = 2 * MAX_PATH;
static const int StoredTextSize = 1024;
static const int MessageSize = 1024;
static const int PreviewMargin = 4;
static const int LargestZoom = 8;

// The settings as stored, or as an entry of the list would leave them.
struct StoredSettings {
    DWORD mode;
    DWORD stretch;
    char startFile[StoredTextSize];
    FrameImagePath images[FrameImageCount];
};

// What an entry of the list gives each part it has: for the caption buttons the full path of
// every usable file, "" where the system's own image stays (no file, or one the module
// refuses); for the Start button a mode and, for a file, its path.
struct ThemeFiles {
    FrameImagePath images[FrameImageCount];
    DWORD startMode;
    char start[StoredTextSize];
    int hasImages; // the entry sets the caption buttons
    int hasStart;  // the entry sets the Start button
};

enum EntryKind { NoEntry, CurrentSettingsEntry, WindowsDefaultEntry, ThemeEntry };

// Kept from the page's creation until the sheet closes.
static char ThemesFolder[MAX_PATH];
// The user has made a choice (entry or ticks) that Apply would store.
static int ThemeChanged;
static HBITMAP ThemeCaptionPictures[FrameImageCount];
static HBITMAP ThemeStartPicture;

static int IsFile(const char *path)
{
    DWORD attributes = GetFileAttributesQuietly(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Path of one file of a theme; 0 when it does not fit.
static int ThemeFilePath(char *dst, int dstSize, const char *theme, const char *file)
{
    return ThemesFolder[0] && FormatText(dst, dstSize, "%s\\%s\\%s", ThemesFolder, theme, file);
}

// Fills files for the theme folder name and names the first refused file in status (when
// status is given). Returns how many of the theme's files exist.
static int ReadTheme(const char *theme, ThemeFiles *files, char *status, int statusSize)
{
    int found = 0;
    if (status)
        status[0] = '\0';
    files->hasImages = files->hasStart = 0;
    for (int i = 0; i < ThemeFileCount; i++) {
        int isStart = i == ThemeStartFile;
        char *path = isStart ? files->start : files->images[i];
        int pathSize = isStart ? StoredTextSize : FrameImagePathSize;
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
        why[0] = '\0';
        if (!DescribeBitmapFile(path, why, sizeof why)) {
            if (status && !status[0])
                CopyText(status, statusSize, why);
            path[0] = '\0';
        }
    }
    files->startMode = files->start[0] ? StartModeFile : StartModeShell;
    return found;
}

static void ReadStoredSettings(StoredSettings *stored)
{
    DWORD type = 0;
    DWORD size = 0;
    BYTE data[FrameControlsMaxBytes];
    memset(stored, 0, sizeof *stored);
    if (RegReadValueSized(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, StartButtonValue, data,
                          sizeof data, &type, &size) &&
        type == REG_DWORD && size >= sizeof(DWORD)) {
        DWORD value;
        memcpy(&value, data, sizeof value);
        stored->mode = value & StartModeMask;
        stored->stretch = value & StartStretchMask;
    }
    if (RegReadValueSized(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, StartButtonFileNameValue,
                          stored->startFile, sizeof stored->startFile - 1, &type, &size) &&
        type == REG_SZ)
        stored->startFile[size < sizeof stored->startFile ? size : 0] = '\0';
    else
        stored->startFile[0] = '\0';
    if (RegReadValueSized(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, FrameControlsValue, data,
                          sizeof data, &type, &size) &&
        type == REG_BINARY)
        ParseFrameImages(data, size, stored->images);
}

// The text of the list's entry at index and what kind of entry it is.
static EntryKind ReadEntry(HWND list, LRESULT index, char *name, int nameSize)
{
    name[0] = '\0';
    if (index < 0 || SendMessageA(list, LB_GETTEXTLEN, index, 0) >= nameSize)
        return NoEntry;
    if (SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(name)) == LB_ERR)
        return NoEntry;
    if (lstrcmpA(name, CurrentSettingsName) == 0)
        return CurrentSettingsEntry;
    if (lstrcmpA(name, WindowsDefaultName) == 0)
        return WindowsDefaultEntry;
    return ThemeEntry;
}

// The files of the list's entry at index: "(Current settings)" gives what is stored,
// "(Windows default)" the shell's picture and the system's buttons. 0 when there is no entry.
static int ReadEntryFiles(HWND list, LRESULT index, const StoredSettings *stored, ThemeFiles *files,
                          char *status, int statusSize)
{
    char name[MAX_PATH];
    if (status)
        status[0] = '\0';
    memset(files, 0, sizeof *files);
    switch (ReadEntry(list, index, name, sizeof name)) {
    case NoEntry:
        return 0;
    case CurrentSettingsEntry:
        files->startMode = stored->mode;
        CopyText(files->start, sizeof files->start, stored->startFile);
        for (int i = 0; i < FrameImageCount; i++)
            CopyText(files->images[i], FrameImagePathSize, stored->images[i]);
        files->hasImages = files->hasStart = 1;
        return 1;
    case WindowsDefaultEntry:
        files->startMode = StartModeShell;
        files->hasImages = files->hasStart = 1;
        return 1;
    case ThemeEntry:
        ReadTheme(name, files, status, statusSize);
        return 1;
    }
    return 0;
}

static int ReadSelectedFiles(HWND page, const StoredSettings *stored, ThemeFiles *files,
                             char *status, int statusSize)
{
    HWND list = GetDlgItem(page, IDC_THEME_LIST);
    return ReadEntryFiles(list, SendMessageA(list, LB_GETCURSEL, 0, 0), stored, files, status,
                          statusSize);
}

// The settings taking the entry's parts: those it has and the user takes; the rest as stored.
// The Start picture's stretch setting is always kept.
static void TakeParts(const StoredSettings *stored, const ThemeFiles *files, int takeStart,
                      int takeImages, StoredSettings *result)
{
    memcpy(result, stored, sizeof *result);
    if (takeStart && files->hasStart) {
        result->mode = files->startMode;
        CopyText(result->startFile, sizeof result->startFile, files->start);
    }
    if (takeImages && files->hasImages) {
        for (int i = 0; i < FrameImageCount; i++)
            CopyText(result->images[i], FrameImagePathSize, files->images[i]);
    }
}

static void TakeTickedParts(HWND page, const StoredSettings *stored, const ThemeFiles *files,
                            StoredSettings *result)
{
    TakeParts(stored, files, IsChecked(page, IDC_THEME_START), IsChecked(page, IDC_THEME_CAPTIONS),
              result);
}

// Whether two settings give the same Start button (a file's name compared as Windows
// compares names), and the same caption buttons.
static int SameStart(const StoredSettings *a, const StoredSettings *b)
{
    return a->mode == b->mode &&
           (a->mode != StartModeFile || lstrcmpiA(a->startFile, b->startFile) == 0);
}

static int SameImages(const StoredSettings *a, const StoredSettings *b)
{
    for (int i = 0; i < FrameImageCount; i++) {
        int aDefault = IsDefaultImage(a->images[i]);
        if (aDefault != IsDefaultImage(b->images[i]) ||
            (!aDefault && lstrcmpiA(a->images[i], b->images[i]) != 0))
            return 0;
    }
    return 1;
}

// The first entry that applied whole would leave the stored settings as they are: the
// "(Windows default)" for the shell's picture and 13 system buttons, or the theme whose every
// file they use. -1 when none does.
static int FindStoredEntry(HWND list, const StoredSettings *stored)
{
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    ThemeFiles files;
    StoredSettings taken;
    for (int i = 0; i < count; i++) {
        if (!ReadEntryFiles(list, i, stored, &files, nullptr, 0))
            continue;
        TakeParts(stored, &files, 1, 1, &taken);
        if (SameStart(&taken, stored) && SameImages(&taken, stored))
            return i;
    }
    return -1;
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

static void ListThemes(HWND list)
{
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WindowsDefaultName));
    char pattern[MAX_PATH];
    if (!ThemesFolder[0] || !FormatText(pattern, sizeof pattern, "%s\\*.*", ThemesFolder))
        return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileQuietly(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const char *name = found.cFileName;
        // "." and "..", a save's working folder and names the bracketed entries could take.
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name[0] == '.' ||
            name[0] == '~' || name[0] == '(')
            continue;
        // A folder with none of the theme files is something else.
        ThemeFiles files;
        if (ReadTheme(name, &files, nullptr, 0))
            AddTheme(list, name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// A tick whose part the entry does not have is cleared and cannot be set; one that comes back
// is set again. reset sets every tick the entry allows.
static void ShowPart(HWND page, int id, int has, int reset)
{
    HWND box = GetDlgItem(page, id);
    int wasEnabled = IsWindowEnabled(box);
    EnableWindow(box, has);
    if (!has)
        CheckDlgButton(page, id, BST_UNCHECKED);
    else if (reset || !wasEnabled)
        CheckDlgButton(page, id, BST_CHECKED);
}

static void ShowSelectedParts(HWND page, int reset)
{
    StoredSettings stored;
    ThemeFiles files;
    ReadStoredSettings(&stored);
    char name[MAX_PATH];
    HWND list = GetDlgItem(page, IDC_THEME_LIST);
    EntryKind kind = ReadEntry(list, SendMessageA(list, LB_GETCURSEL, 0, 0), name, sizeof name);
    if (!ReadSelectedFiles(page, &stored, &files, nullptr, 0))
        files.hasStart = files.hasImages = 1;
    ShowPart(page, IDC_THEME_START, files.hasStart, reset);
    ShowPart(page, IDC_THEME_CAPTIONS, files.hasImages, reset);
    // Only a theme of the user's folder can be deleted.
    EnableWindow(GetDlgItem(page, IDC_THEME_DELETE), kind == ThemeEntry);
}

// The preview shows what Apply would give: the selected entry's parts where they are ticked,
// the stored settings where they are not. The status line names the first file that will not
// be used: the entry's own first, then any other.
static void UpdateThemePreview(HWND page)
{
    char status[StatusSize];
    char why[StatusSize];
    ThemeFiles files;
    StoredSettings stored;
    StoredSettings shown;
    FreePictures(ThemeCaptionPictures, FrameImageCount);
    FreePictures(&ThemeStartPicture, 1);
    status[0] = '\0';
    why[0] = '\0';
    ReadStoredSettings(&stored);
    if (ReadSelectedFiles(page, &stored, &files, status, sizeof status)) {
        TakeTickedParts(page, &stored, &files, &shown);
        ThemeStartPicture =
            LoadStartPicture(shown.mode, shown.startFile, shown.stretch != 0, why, sizeof why);
        if (!status[0])
            CopyText(status, sizeof status, why);
        for (int i = 0; i < FrameImageCount; i++)
            ThemeCaptionPictures[i] = LoadCaptionPicture(shown.images[i], status, sizeof status);
    }
    SetDlgItemTextA(page, IDC_THEME_STATUS, status);
    InvalidateRect(GetDlgItem(page, IDC_THEME_PREVIEW), nullptr, FALSE);
}

// The largest whole zoom at which the three title bars and the taskbar strip, with margins
// between them, fit the preview; at least 1.
static int ThemePreviewZoom(const RECT *area, int *height)
{
    int zoom = 1;
    for (int z = 1; z <= LargestZoom; z++) {
        SIZE bar = CaptionSampleSize(z);
        SIZE strip = StartSampleSize(z);
        int width = bar.cx > strip.cx ? bar.cx : strip.cx;
        int tall = 3 * (bar.cy + PreviewMargin) + PreviewMargin + strip.cy;
        if (z > 1 && (width > area->right - area->left || tall > area->bottom - area->top))
            break;
        zoom = z;
        *height = tall;
    }
    return zoom;
}

static void DrawThemePreview(HWND page, const DRAWITEMSTRUCT *item)
{
    PreviewCanvas canvas;
    if (!OpenPreviewCanvas(item, &canvas))
        return;
    if (SendDlgItemMessageA(page, IDC_THEME_LIST, LB_GETCURSEL, 0, 0) >= 0) {
        RECT box = canvas.area;
        InflateRect(&box, -PreviewMargin, -PreviewMargin);
        int height = 0;
        int zoom = ThemePreviewZoom(&box, &height);
        CentreRow(&box, height);
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

// Apply is offered only while it would change what is stored.
static void UpdateThemeChanged(HWND page)
{
    StoredSettings stored;
    StoredSettings taken;
    ThemeFiles files;
    ReadStoredSettings(&stored);
    ThemeChanged = 0;
    if (ReadSelectedFiles(page, &stored, &files, nullptr, 0)) {
        TakeTickedParts(page, &stored, &files, &taken);
        ThemeChanged = !SameStart(&taken, &stored) || !SameImages(&taken, &stored);
    }
    TellSheet(page, ThemeChanged ? PSM_CHANGED : PSM_UNCHANGED);
}

static void OnThemeChoiceChanged(HWND page, int entryChanged)
{
    if (entryChanged)
        ShowSelectedParts(page, 0);
    UpdateThemePreview(page);
    UpdateThemeChanged(page);
}

void ShowStoredTheme(HWND page)
{
    HWND list = GetDlgItem(page, IDC_THEME_LIST);
    StoredSettings stored;
    char name[MAX_PATH];
    ReadStoredSettings(&stored);
    // "(Current settings)" stands first, and only for a look that no other entry gives.
    if (ReadEntry(list, 0, name, sizeof name) == CurrentSettingsEntry)
        SendMessageA(list, LB_DELETESTRING, 0, 0);
    int match = FindStoredEntry(list, &stored);
    if (match < 0) {
        SendMessageA(list, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(CurrentSettingsName));
        match = 0;
    }
    SendMessageA(list, LB_SETCURSEL, match, 0);
    ShowSelectedParts(page, 1);
    ThemeChanged = 0;
    UpdateThemePreview(page);
    TellSheet(page, PSM_UNCHANGED);
}

static void OnThemeInitDialog(HWND page)
{
    GetThemesFolder(ThemesFolder, sizeof ThemesFolder);
    ListThemes(GetDlgItem(page, IDC_THEME_LIST));
    ShowStoredTheme(page);
}

// Stores the selected entry's ticked parts in the values and formats the Start button and
// Frame controls pages write; a part that would not change is not written at all. Returns 1
// when something was stored.
static int StoreTheme(HWND page)
{
    StoredSettings stored;
    StoredSettings taken;
    ThemeFiles files;
    ReadStoredSettings(&stored);
    if (!ReadSelectedFiles(page, &stored, &files, nullptr, 0))
        return 0;
    TakeTickedParts(page, &stored, &files, &taken);
    int wrote = 0;
    if (!SameImages(&taken, &stored)) {
        // The list is the one the Frame controls page edits, so that page shows it at once.
        for (int i = 0; i < FrameImageCount; i++)
            CopyText(FrameImageList[i], FrameImagePathSize, taken.images[i]);
        SaveFrameImages();
        wrote = 1;
    }
    if (!SameStart(&taken, &stored)) {
        DWORD value = taken.mode | (stored.stretch ? StartStretchBit : 0);
        if (taken.mode == StartModeFile)
            RegWriteValue(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, taken.startFile,
                          StartButtonFileNameValue, lstrlenA(taken.startFile) + 1, REG_SZ);
        RegWriteValue(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, &value, StartButtonValue,
                      sizeof value, REG_DWORD);
        wrote = 1;
    }
    return wrote;
}

// Every Apply of the sheet reaches this page after the other pages have stored theirs. The
// choice here is stored only when the user made one, so that an older selection never goes
// over what another page has just stored; either way the page then shows what is stored (after
// a store through the reload query, which reaches this page too).
static void OnThemeApply(HWND page)
{
    if (ThemeChanged && StoreTheme(page)) {
        RequestActivation(1, 1);
        ReloadSiblingPages(page);
    } else {
        ShowStoredTheme(page);
    }
}

// The current look (the stored settings) as a theme's files: each stored file the module
// takes, copied; the built-in picture written out; the parts left to the system absent.
static void CollectLook(const StoredSettings *stored, ThemeSources *sources)
{
    for (int i = 0; i < FrameImageCount; i++) {
        const char *path = stored->images[i];
        sources->files[i] = !IsDefaultImage(path) && CheckBitmapFile(path, nullptr, 0) ? path : "";
    }
    const char *start = stored->startFile;
    sources->files[ThemeStartFile] =
        stored->mode == StartModeFile && start[0] && CheckBitmapFile(start, nullptr, 0) ? start
                                                                                        : "";
    sources->builtInStart = stored->mode == StartModeBuiltIn;
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

// Lists the themes again and shows the stored settings, then selects theme (when given).
static void ShowThemes(HWND page, const char *theme)
{
    HWND list = GetDlgItem(page, IDC_THEME_LIST);
    ListThemes(list);
    ShowStoredTheme(page);
    if (!theme)
        return;
    LRESULT at = SendMessageA(list, LB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>(theme));
    if (at >= 0 && at != SendMessageA(list, LB_GETCURSEL, 0, 0)) {
        SendMessageA(list, LB_SETCURSEL, at, 0);
        OnThemeChoiceChanged(page, 1);
    }
}

static void OnThemeSaveAs(HWND page)
{
    char name[ThemeNameSize];
    char folder[MAX_PATH];
    char why[StatusSize];
    StoredSettings stored;
    ThemeSources sources;
    ReadStoredSettings(&stored);
    CollectLook(&stored, &sources);
    // A theme of no files would be an empty folder that the list never shows.
    int files = sources.builtInStart;
    for (const char *file : sources.files)
        files += file[0] != '\0';
    if (!files) {
        Tell(page,
             "The look now in use is the system's own, with no picture of its own to keep as a "
             "theme. \"%s\" puts it back on at any time.",
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
    if (ThemeFolderExists(folder) &&
        !AskYesNo(page,
                  "There is a theme called %s already (in %s). Replace it with the current look?",
                  name, folder))
        return;
    if (!SaveTheme(ThemesFolder, folder, &sources, why, sizeof why)) {
        Tell(page, "The theme %s could not be saved in %s: %s. Nothing was written.", name,
             ThemesFolder, why);
        return;
    }
    ShowThemes(page, name);
}

static void OnThemeDelete(HWND page)
{
    char name[MAX_PATH];
    char folder[MAX_PATH];
    char why[StatusSize];
    HWND list = GetDlgItem(page, IDC_THEME_LIST);
    if (ReadEntry(list, SendMessageA(list, LB_GETCURSEL, 0, 0), name, sizeof name) != ThemeEntry ||
        !FormatText(folder, sizeof folder, "%s\\%s", ThemesFolder, name))
        return;
    if (!AskYesNo(page,
                  "Delete the theme %s? Its pictures are removed from %s; the settings in use "
                  "stay as they are.",
                  name, folder))
        return;
    if (!DeleteTheme(folder, why, sizeof why))
        Tell(page, "The theme %s could not be deleted from %s: %s.", name, folder, why);
    ShowThemes(page, nullptr);
}

static INT_PTR OnThemeNotify(HWND page, WPARAM wparam, LPARAM lparam)
{
    switch (reinterpret_cast<NMHDR *>(lparam)->code) {
    case PSN_SETACTIVE:
        // The other pages may have stored settings since: show the entry they now match.
        if (!ThemeChanged)
            ShowStoredTheme(page);
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
        return OnThemeNotify(page, wparam, lparam);
    case WM_DRAWITEM:
        if (wparam == IDC_THEME_PREVIEW) {
            DrawThemePreview(page, reinterpret_cast<const DRAWITEMSTRUCT *>(lparam));
            return TRUE;
        }
        break;
    case WM_DESTROY:
        FreePictures(ThemeCaptionPictures, FrameImageCount);
        FreePictures(&ThemeStartPicture, 1);
        break;
    default:
        // Another page has stored settings: show the entry they match. Answered with 0 so
        // that every sibling hears it.
        if (IsReloadQuery(message, wparam))
            ShowStoredTheme(page);
        break;
    }
    return FALSE;
}
