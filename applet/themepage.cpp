// The "Themes" page: a whole theme in one pick. A theme is a folder under QVTHEMES beside the
// module holding any of the 13 caption-button images under the release's 8.3 names and,
// optionally, a Start picture; Apply stores them in the same values the other two pages write.
#include "applet/applet.h"

// The theme's files for the frame images, in the order of the frame image index.
static const char *const ThemeImageNames[FrameImageCount] = {
    "CLOSEUP.BMP", "CLOSEDN.BMP", "CLOSEDIS.BMP", "MINUP.BMP",  "MINDN.BMP",
    "MINDIS.BMP",  "RESTUP.BMP",  "RESTDN.BMP",   "HELPUP.BMP", "HELPDN.BMP",
    "MAXUP.BMP",   "MAXDN.BMP",   "MAXDIS.BMP",
};
static const char ThemeStartName[] = "START.BMP";
static const char WindowsDefaultName[] = "(Windows default)";
static const int StatusSize = 2 * MAX_PATH;
static const int StoredTextSize = 1024;

// What a theme gives each part: the full path of every usable file, "" where the theme has
// no file or the module refuses it (the system's own image then stays).
struct ThemeFiles {
    FrameImagePath images[FrameImageCount];
    FrameImagePath start;
    int hasImages; // the theme holds at least one caption-button file
    int hasStart;  // the theme holds a Start picture file
};

// The stored settings, read as the agent reads them.
struct StoredSettings {
    DWORD mode;
    DWORD stretch;
    char startFile[StoredTextSize];
    FrameImagePath images[FrameImageCount];
};

// Kept from the page's creation until the sheet closes.
static char ThemesFolder[MAX_PATH];
// The choice (theme or parts) changed since the page last applied one.
static int ThemeChanged;
static HBITMAP ThemeCaptionPictures[FrameImageCount];
static HBITMAP ThemeStartPicture;

// "<module's folder>\QVTHEMES": the themes come with the module, wherever it was installed.
static void FindThemesFolder()
{
    char path[MAX_PATH];
    ThemesFolder[0] = '\0';
    if (!GetModulePath(path, sizeof path))
        return;
    char *slash = nullptr;
    for (char *p = path; *p; p++)
        if (*p == '\\' || *p == '/')
            slash = p;
    if (!slash)
        return;
    *slash = '\0';
    FormatText(ThemesFolder, sizeof ThemesFolder, "%s\\%s", path, ThemesFolderName);
}

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
    for (int i = 0; i <= FrameImageCount; i++) {
        int isStart = i == FrameImageCount;
        char *path = isStart ? files->start : files->images[i];
        const char *name = isStart ? ThemeStartName : ThemeImageNames[i];
        if (!ThemeFilePath(path, FrameImagePathSize, theme, name) || !IsFile(path)) {
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
    return found;
}

// "(Windows default)": no Start picture and the system's own caption buttons.
static void ReadWindowsDefault(ThemeFiles *files)
{
    memset(files, 0, sizeof *files);
    files->hasImages = files->hasStart = 1;
}

// The selected entry's files: 0 when nothing is selected.
static int ReadSelectedTheme(HWND page, ThemeFiles *files, char *status, int statusSize)
{
    HWND list = GetDlgItem(page, IDC_THEME_LIST);
    LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (index < 0)
        return 0;
    if (status)
        status[0] = '\0';
    if (index == 0) {
        ReadWindowsDefault(files);
        return 1;
    }
    char name[MAX_PATH];
    if (SendMessageA(list, LB_GETTEXTLEN, index, 0) >= (LRESULT)sizeof name)
        return 0;
    SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(name));
    ReadTheme(name, files, status, statusSize);
    return 1;
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

// Whether the stored settings are what applying the theme's parts would store. Only the
// parts the theme has are compared.
static int StoredSettingsUse(const StoredSettings *stored, const ThemeFiles *files)
{
    if (files->hasStart) {
        int storedFile = stored->mode == StartModeFile;
        if (files->start[0] ? !storedFile || lstrcmpiA(stored->startFile, files->start) != 0
                            : stored->mode == StartModeBuiltIn || storedFile)
            return 0;
    }
    if (files->hasImages) {
        for (int i = 0; i < FrameImageCount; i++) {
            const char *have = stored->images[i];
            if (IsDefaultImage(have) ? files->images[i][0] != '\0'
                                     : lstrcmpiA(have, files->images[i]) != 0)
                return 0;
        }
    }
    return 1;
}

// Selects the installed theme whose files the stored settings use, else nothing.
static void SelectStoredTheme(HWND page)
{
    StoredSettings stored;
    ThemeFiles files;
    ReadStoredSettings(&stored);
    HWND list = GetDlgItem(page, IDC_THEME_LIST);
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    int match = -1;
    for (int i = 1; i < count && match < 0; i++) {
        char name[MAX_PATH];
        if (SendMessageA(list, LB_GETTEXTLEN, i, 0) >= (LRESULT)sizeof name)
            continue;
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(name));
        if (ReadTheme(name, &files, nullptr, 0) && StoredSettingsUse(&stored, &files))
            match = i;
    }
    SendMessageA(list, LB_SETCURSEL, match, 0);
}

// Adds theme to the list in alphabetical order, after "(Windows default)".
static void AddTheme(HWND list, const char *theme)
{
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    int at = 1;
    for (; at < count; at++) {
        char name[MAX_PATH];
        if (SendMessageA(list, LB_GETTEXTLEN, at, 0) >= (LRESULT)sizeof name)
            continue;
        SendMessageA(list, LB_GETTEXT, at, reinterpret_cast<LPARAM>(name));
        if (lstrcmpiA(theme, name) < 0)
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
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || lstrcmpA(name, ".") == 0 ||
            lstrcmpA(name, "..") == 0)
            continue;
        // A folder with none of the theme files is something else.
        ThemeFiles files;
        if (ReadTheme(name, &files, nullptr, 0))
            AddTheme(list, name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// The preview shows what Apply would give: the selected theme's parts where they are ticked,
// the stored settings where they are not, and nothing while no theme is selected.
static void UpdateThemePreview(HWND page)
{
    char status[StatusSize];
    ThemeFiles files;
    StoredSettings stored;
    FreePictures(ThemeCaptionPictures, FrameImageCount);
    FreePictures(&ThemeStartPicture, 1);
    status[0] = '\0';
    if (ReadSelectedTheme(page, &files, status, sizeof status)) {
        ReadStoredSettings(&stored);
        int stretch = stored.stretch != 0;
        // After the theme's refused file, the status line says what the pictures shown would
        // do: a disk that can be taken out, a Start picture larger than the button.
        if (IsChecked(page, IDC_THEME_START))
            ThemeStartPicture = LoadStartPicture(files.start[0] ? StartModeFile : StartModeShell,
                                                 files.start, stretch, status, sizeof status);
        else
            ThemeStartPicture =
                LoadStartPicture(stored.mode, stored.startFile, stretch, status, sizeof status);
        int fromTheme = IsChecked(page, IDC_THEME_CAPTIONS);
        for (int i = 0; i < FrameImageCount; i++) {
            ThemeCaptionPictures[i] = LoadCaptionPicture(
                fromTheme ? files.images[i] : stored.images[i], status, sizeof status);
        }
    }
    SetDlgItemTextA(page, IDC_THEME_STATUS, status);
    InvalidateRect(GetDlgItem(page, IDC_THEME_PREVIEW), nullptr, FALSE);
}

static void DrawThemePreview(HWND page, const DRAWITEMSTRUCT *item)
{
    PreviewCanvas canvas;
    if (!OpenPreviewCanvas(item, &canvas))
        return;
    if (SendDlgItemMessageA(page, IDC_THEME_LIST, LB_GETCURSEL, 0, 0) >= 0) {
        RECT box = canvas.area;
        InflateRect(&box, -4, -4);
        for (int state = CaptionUp; state <= CaptionDisabled; state++) {
            box.top += DrawCaptionSample(canvas.dc, &box, static_cast<CaptionState>(state),
                                         ThemeCaptionPictures) +
                       4;
        }
        box.top += 4;
        box.left -= 4;
        box.right += 4;
        DrawStartSample(canvas.dc, &box, ThemeStartPicture);
    }
    ClosePreviewCanvas(item, &canvas);
}

static void OnThemeChoiceChanged(HWND page)
{
    UpdateThemePreview(page);
    if (SendDlgItemMessageA(page, IDC_THEME_LIST, LB_GETCURSEL, 0, 0) < 0)
        return;
    ThemeChanged = 1;
    TellSheet(page, PSM_CHANGED);
}

static void OnThemeInitDialog(HWND page)
{
    FindThemesFolder();
    ThemeChanged = 0;
    ListThemes(GetDlgItem(page, IDC_THEME_LIST));
    CheckDlgButton(page, IDC_THEME_START, BST_CHECKED);
    CheckDlgButton(page, IDC_THEME_CAPTIONS, BST_CHECKED);
    SelectStoredTheme(page);
    UpdateThemePreview(page);
    TellSheet(page, PSM_UNCHANGED);
}

// Stores the ticked parts of the selected theme in the values and formats the Start button
// and Frame controls pages write, then has the agent take them up.
static void OnThemeApply(HWND page)
{
    // Every Apply of the sheet reaches this page; a theme applied once is not applied again
    // over what the other pages have stored since.
    if (!ThemeChanged)
        return;
    ThemeFiles files;
    int takeStart = IsChecked(page, IDC_THEME_START);
    int takeImages = IsChecked(page, IDC_THEME_CAPTIONS);
    if (!ReadSelectedTheme(page, &files, nullptr, 0) || !(takeStart || takeImages))
        return;
    ThemeChanged = 0;

    if (takeImages) {
        // The list is the one the Frame controls page edits, so that page shows it at once.
        for (int i = 0; i < FrameImageCount; i++)
            CopyText(FrameImageList[i], FrameImagePathSize, files.images[i]);
        SaveFrameImages();
    }
    if (takeStart) {
        StoredSettings stored;
        ReadStoredSettings(&stored);
        DWORD value = (files.start[0] ? StartModeFile : StartModeShell) |
                      (stored.stretch ? StartStretchBit : 0);
        if (files.start[0])
            RegWriteValue(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, files.start,
                          StartButtonFileNameValue, lstrlenA(files.start) + 1, REG_SZ);
        RegWriteValue(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, &value, StartButtonValue,
                      sizeof value, REG_DWORD);
    }
    RequestActivation(1, 1);
    ReloadSiblingPages(page);
}

static INT_PTR OnThemeNotify(HWND page, WPARAM wparam, LPARAM lparam)
{
    switch (reinterpret_cast<NMHDR *>(lparam)->code) {
    case PSN_SETACTIVE:
        // The other pages may have stored settings since: show the theme they now match.
        if (!ThemeChanged) {
            SelectStoredTheme(page);
            UpdateThemePreview(page);
        }
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
                OnThemeChoiceChanged(page);
            return 0;
        case IDC_THEME_START:
        case IDC_THEME_CAPTIONS:
            OnThemeChoiceChanged(page);
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
    }
    return FALSE;
}
