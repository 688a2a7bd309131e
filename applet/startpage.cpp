// The "Start button" page: the shell's own picture, the built-in bitmap or a bitmap file,
// optionally stretched. Its only state is in its controls.
#include "applet/applet.h"

#include <commctrl.h>
#include <prsht.h>

static const char StartChooserTitle[] = "Select Start image";

// Registry reads and the edit's text share one buffer of this size; the edit takes 259
// typed characters, but a longer path from the registry or the Open dialog is kept whole.
static const int StartTextSize = StartFileSize;
static const int TypedPathLimit = 259;

static void SetChecked(HWND page, int id, int checked)
{
    CheckDlgButton(page, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

// The picture the preview shows, as the agent would load it for the page's current choice.
static HBITMAP StartPreviewPicture;

static DWORD ChosenMode(HWND page)
{
    if (IsChecked(page, IDC_START_TOVAN))
        return StartModeBuiltIn;
    if (IsChecked(page, IDC_START_OTHER))
        return StartModeFile;
    return StartModeShell;
}

// The preview waits for the page to be shown.
static int StartPreviewStale;
// The page is filling its controls, not the user changing them.
static int StartPageFilling;

// Follows every change of the choice: the preview shows what the agent would put on the
// button, and the status line says why a named file will not be used or may not show well.
static void LoadStartPreview(HWND page)
{
    StartPreviewStale = 0;
    char path[StartTextSize];
    char status[StartTextSize];
    GetDlgItemTextA(page, IDC_START_PATH, path, sizeof path);
    status[0] = '\0';
    FreePictures(&StartPreviewPicture, 1);
    StartPreviewPicture = LoadStartPicture(
        ChosenMode(page), path, IsChecked(page, IDC_START_STRETCH), status, sizeof status);
    ShowStatusText(GetDlgItem(page, IDC_START_STATUS), status, PictureNameLength(status, path));
    InvalidateRect(GetDlgItem(page, IDC_START_PREVIEW), nullptr, FALSE);
}

static void UpdateStartPreview(HWND page)
{
    if (IsPageShown(page))
        LoadStartPreview(page);
    else
        StartPreviewStale = 1;
}

static void DrawStartPreview(const DRAWITEMSTRUCT *item)
{
    PreviewCanvas canvas;
    if (!OpenPreviewCanvas(item, &canvas))
        return;
    RECT box = canvas.area;
    // The taskbar strip stands in the middle of the preview.
    SIZE button;
    GetStartButtonSize(&button);
    CentreRow(&box, button.cy + 6);
    DrawStartSample(canvas.dc, &box, StartPreviewPicture);
    ClosePreviewCanvas(item, &canvas);
}

// Shows a choice in the controls: as stored when the page is made or another page has stored
// settings, or as the Themes page puts a theme's picture in.
static void ShowStartChoice(HWND page, DWORD mode, int stretch, const char *path)
{
    // The edit reports the text set here as a change, which it is not.
    StartPageFilling = 1;
    SetDlgItemTextA(page, IDC_START_PATH, path);
    StartPageFilling = 0;

    EnableControl(page, IDC_START_BROWSE, mode == StartModeFile);
    EnableControl(page, IDC_START_STRETCH, mode != StartModeShell);
    EnableControl(page, IDC_START_PATH, mode == StartModeFile);

    // Modes 3 to 15 are never written; they check no radio at all.
    SetChecked(page, IDC_START_STRETCH, stretch);
    SetChecked(page, IDC_START_DEFAULT, mode == StartModeShell);
    SetChecked(page, IDC_START_TOVAN, mode == StartModeBuiltIn);
    SetChecked(page, IDC_START_OTHER, mode == StartModeFile);
    UpdateStartPreview(page);
}

// Fills the controls from the stored settings: when the page is made, and again when another
// page has stored Start button settings, so that the page shows them and writes them back
// unchanged on a later Apply.
static void LoadStartPage(HWND page)
{
    char path[StartTextSize];
    DWORD mode;
    int stretch;
    ReadStartSettings(&mode, &stretch, path, sizeof path);
    ShowStartChoice(page, mode, stretch, path);

    // Setting the edit's text above made it report a change; the page starts unchanged.
    TellSheet(page, PSM_UNCHANGED);
}

// The choice as Apply would store it, for the Themes page.
static void ReadStartChoice(HWND page, Look *look)
{
    look->mode = ChosenMode(page);
    look->stretch = IsChecked(page, IDC_START_STRETCH);
    GetDlgItemTextA(page, IDC_START_PATH, look->startFile, sizeof look->startFile);
}

// After the user changed the choice: Apply is offered while it differs from what is stored.
static void TellStartChanged(HWND page)
{
    Look stored;
    Look chosen;
    ReadStoredLook(&stored);
    ReadStartChoice(page, &chosen);
    TellSheet(page, SameStart(&chosen, &stored) && chosen.stretch == stored.stretch ? PSM_UNCHANGED
                                                                                    : PSM_CHANGED);
}

static void ShowLookStart(HWND page, const LookToShow *shown)
{
    const Look *look = shown->look;
    ShowStartChoice(page, look->mode, look->stretch, look->startFile);
    TellSheet(page, shown->startChanged ? PSM_CHANGED : PSM_UNCHANGED);
}

static void OnStartInitDialog(HWND page)
{
    // The sheet has no help to offer, so its caption loses the "?" button.
    HWND sheet = GetParent(page);
    SetWindowLongA(sheet, GWL_EXSTYLE, GetWindowLongA(sheet, GWL_EXSTYLE) & ~WS_EX_CONTEXTHELP);
    SendDlgItemMessageA(page, IDC_START_PATH, EM_LIMITTEXT, TypedPathLimit, 0);
    LoadStartPage(page);
}

static void OnStartBrowse(HWND page)
{
    char path[StartTextSize];
    GetDlgItemTextA(page, IDC_START_PATH, path, sizeof path);
    if (!ChooseBitmapFile(page, path, sizeof path, StartChooserTitle))
        return;
    SetDlgItemTextA(page, IDC_START_PATH, path);
}

// The auto radio buttons have already moved the check, so the states are read back rather
// than taken from the sender.
static void OnStartModeChanged(HWND page)
{
    int other = IsChecked(page, IDC_START_OTHER);
    EnableControl(page, IDC_START_BROWSE, other);
    EnableControl(page, IDC_START_PATH, other);
    EnableControl(page, IDC_START_STRETCH,
                  IsChecked(page, IDC_START_TOVAN) || IsChecked(page, IDC_START_OTHER));
    UpdateStartPreview(page);
    TellStartChanged(page);
}

static void OnStartApply(HWND page)
{
    char text[StartTextSize];
    GetDlgItemTextA(page, IDC_START_PATH, text, sizeof text);
    RegWriteValue(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, text, StartButtonFileNameValue,
                  lstrlenA(text) + 1, REG_SZ);

    DWORD value = ChosenMode(page) | (IsChecked(page, IDC_START_STRETCH) ? StartStretchBit : 0);
    RegWriteValue(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, &value, StartButtonValue,
                  sizeof value, REG_DWORD);

    // The agent must start at every logon, whatever is chosen.
    RequestActivation(1, 0);
    TellSheet(page, PSM_UNCHANGED);
}

static INT_PTR OnStartCommand(HWND page, WPARAM wparam)
{
    switch (LOWORD(wparam)) {
    case IDC_START_PATH:
        if (HIWORD(wparam) == EN_CHANGE && !StartPageFilling) {
            UpdateStartPreview(page);
            TellStartChanged(page);
        }
        return 0;
    case IDC_START_BROWSE:
        OnStartBrowse(page);
        return 0;
    case IDC_START_TOVAN:
    case IDC_START_OTHER:
    case IDC_START_DEFAULT:
        OnStartModeChanged(page);
        return 0;
    case IDC_START_STRETCH:
        UpdateStartPreview(page);
        TellStartChanged(page);
        return 0;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK StartPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnStartInitDialog(page);
        break;
    case WM_COMMAND:
        return OnStartCommand(page, wparam);
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR *>(lparam)->code == static_cast<UINT>(PSN_APPLY)) {
            OnStartApply(page);
            SetWindowLongA(page, DWL_MSGRESULT, PSNRET_NOERROR);
            return TRUE;
        }
        if (reinterpret_cast<NMHDR *>(lparam)->code == static_cast<UINT>(PSN_SETACTIVE) &&
            StartPreviewStale)
            LoadStartPreview(page);
        break;
    case WM_DRAWITEM:
        if (wparam == IDC_START_PREVIEW) {
            DrawStartPreview(reinterpret_cast<const DRAWITEMSTRUCT *>(lparam));
            return TRUE;
        }
        break;
    case WM_DESTROY:
        FreePictures(&StartPreviewPicture, 1);
        break;
    default:
        // Answered with 0 so that every sibling hears it.
        if (IsReloadQuery(message, wparam))
            LoadStartPage(page);
        else if (IsSiblingQuery(message, wparam, ReadStartChoiceQuery))
            ReadStartChoice(page, reinterpret_cast<Look *>(lparam));
        else if (IsSiblingQuery(message, wparam, ShowLookQuery))
            ShowLookStart(page, reinterpret_cast<const LookToShow *>(lparam));
        break;
    }
    // Whatever is not answered above is the dialog manager's to answer.
    return FALSE;
}
