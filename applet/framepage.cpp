// The "Frame controls" page: for each of the 13 caption-button images, the system's own
// image or a bitmap file. It edits the process's FrameImageList in place.
#include "applet/applet.h"

#include <commctrl.h>
#include <prsht.h>

#include "framectl/framectl.h"

const char *const FrameImageNames[FrameImageCount] = {
    "Close button up",          "Close button down",    "Close button disabled",
    "Minimize button up",       "Minimize button down", "Minimize button disabled",
    "Restore button up",        "Restore button down",  "Help button up",
    "Help button down",         "Maximize button up",   "Maximize button down",
    "Maximize button disabled",
};

static const char FrameChooserTitle[] = "Select Control image";
static const char UnsupportedMessage[] =
    "Sorry, you can't configure frame controls on this version of Windows. Please contact Tovan.";
static const int TypedPathLimit = FrameImagePathSize - 1;

// The sheet's caption images have been loaded from the store and are edited in place.
static int SheetImagesLoaded;

FrameImagePath *SheetFrameImages()
{
    if (!SheetImagesLoaded)
        LoadFrameImages();
    SheetImagesLoaded = 1;
    return FrameImageList;
}

void ForgetSheetFrameImages()
{
    SheetImagesLoaded = 0;
}

// Kept from the page's creation until the sheet closes.
static FrameImagePath *PageImages;
static HWND ImageListBox;
static int FrameControlsSupported;
// The pictures of the sample title bar in the selected image's state, as the agent would
// paint them; the entries of the other states stay null.
static HBITMAP FramePreviewPictures[FrameImageCount];
static CaptionState FramePreviewState;
static int FramePreviewMarked; // the selected image, framed in the sample

// The selected image, or -1 when the list has no valid selection.
static int SelectedImage()
{
    LRESULT index = SendMessageA(ImageListBox, CB_GETCURSEL, 0, 0);
    return index >= 0 && index < FrameImageCount ? static_cast<int>(index) : -1;
}

static const char PaintRefusedNote[] =
    "Not painted: no room to keep Windows' own buttons; close programs and log on again.";

// The preview waits for the page to be shown.
static int FramePreviewStale;
// The page is filling its controls, not the user changing them.
static int FramePageFilling;

// The sample title bar of the selected image's state, drawn from the list as it stands, with
// the selected image's button marked; the status line says why the selected image's file will
// not be used, if it will not, or else names any image on a disk that can be taken out.
static void LoadFramePreview(HWND page, FrameImagePath *list, int selected)
{
    FramePreviewStale = 0;
    char status[FrameImagePathSize + 128];
    char ignored[8];
    FreePictures(FramePreviewPictures, FrameImageCount);
    FramePreviewState = CaptionStateOf(selected);
    FramePreviewMarked = selected;
    status[0] = '\0';
    // One run of loads: a folder is probed for its size subfolder once, not once a picture.
    BeginBitmapLoads();
    for (int i = 0; i < FrameImageCount; i++) {
        if (CaptionStateOf(i) != FramePreviewState)
            continue;
        ignored[0] = '\0';
        if (i == selected)
            FramePreviewPictures[i] = LoadCaptionPicture(list[i], status, sizeof status);
        else
            FramePreviewPictures[i] = LoadCaptionPicture(list[i], ignored, sizeof ignored);
    }
    EndBitmapLoads();
    const char *named = list[selected];
    for (int i = 0; i < FrameImageCount && !status[0]; i++)
        if (DescribePictureDisk(list[i], status, sizeof status))
            named = list[i];
    // The agent paints nothing where it could not keep the system's own buttons to put back.
    if (!status[0] && GetPaintState() == PaintStateRefused)
        CopyText(status, sizeof status, PaintRefusedNote);
    ShowStatusText(GetDlgItem(page, IDC_FRAME_STATUS), status, PictureNameLength(status, named));
    InvalidateRect(GetDlgItem(page, IDC_FRAME_PREVIEW), nullptr, FALSE);
}

static void UpdateFramePreview(HWND page, FrameImagePath *list, int selected)
{
    if (IsPageShown(page))
        LoadFramePreview(page, list, selected);
    else
        FramePreviewStale = 1;
}

static void DrawFramePreview(const DRAWITEMSTRUCT *item)
{
    PreviewCanvas canvas;
    if (!OpenPreviewCanvas(item, &canvas))
        return;
    RECT box = canvas.area;
    InflateRect(&box, -2, 0);
    // Each pixel of a picture as a square of the largest whole size the box takes, so that a
    // picture can be judged at any caption size.
    int zoom = FitSampleZoom(&box, CaptionSampleSize);
    CentreRow(&box, CaptionSampleSize(zoom).cy);
    DrawCaptionSample(canvas.dc, &box, FramePreviewState, FramePreviewPictures, FramePreviewMarked,
                      zoom);
    ClosePreviewCanvas(item, &canvas);
}

void UpdateFramePage(HWND page, FrameImagePath *list)
{
    int index = SelectedImage();
    if (index < 0 || !list)
        return;
    int isDefault = IsDefaultImage(list[index]);
    EnableControl(page, IDC_FRAME_BROWSE, !isDefault);
    EnableControl(page, IDC_FRAME_PATH, !isDefault);
    CheckDlgButton(page, IDC_FRAME_DEFAULT, isDefault ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(page, IDC_FRAME_OTHER, isDefault ? BST_UNCHECKED : BST_CHECKED);
    // The edit reports the text set here as a change, which it is not.
    FramePageFilling = 1;
    SetDlgItemTextA(page, IDC_FRAME_PATH, list[index]);
    FramePageFilling = 0;
    UpdateFramePreview(page, list, index);
}

// After the user changed an image: Apply is offered while the list differs from what is stored.
static void TellFrameChanged(HWND page)
{
    Look stored;
    ReadStoredLook(&stored);
    TellSheet(page, SameImages(PageImages, stored.images) ? PSM_UNCHANGED : PSM_CHANGED);
}

static void OnFrameInitDialog(HWND page)
{
    // The Themes page may have put a theme's images in already: they are shown, not reloaded.
    PageImages = SheetFrameImages();
    FrameControlsSupported = InitFrameControls(0);

    ImageListBox = GetDlgItem(page, IDC_FRAME_LIST);
    for (int i = 0; i < FrameImageCount; i++)
        SendMessageA(ImageListBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FrameImageNames[i]));
    SendMessageA(ImageListBox, CB_SETCURSEL, 0, 0);
    SendDlgItemMessageA(page, IDC_FRAME_PATH, EM_LIMITTEXT, TypedPathLimit, 0);
    UpdateFramePage(page, PageImages);
    TellSheet(page, PSM_UNCHANGED);
}

static void OnFrameBrowse(HWND page)
{
    int index = SelectedImage();
    if (index < 0)
        return;
    char path[FrameImagePathSize];
    CopyText(path, sizeof path, PageImages[index]);
    if (!ChooseBitmapFile(page, path, sizeof path, FrameChooserTitle))
        return;
    CopyText(PageImages[index], FrameImagePathSize, path);
    UpdateFramePage(page, PageImages);
    TellFrameChanged(page);
}

static INT_PTR OnFrameCommand(HWND page, WPARAM wparam)
{
    int index;
    switch (LOWORD(wparam)) {
    case IDC_FRAME_LIST:
        if (HIWORD(wparam) == CBN_SELCHANGE)
            UpdateFramePage(page, PageImages);
        return 0;
    case IDC_FRAME_DEFAULT:
        index = SelectedImage();
        if (index >= 0)
            PageImages[index][0] = '\0';
        UpdateFramePage(page, PageImages);
        TellFrameChanged(page);
        return 0;
    case IDC_FRAME_OTHER:
        // Nothing is stored until a path is typed or chosen.
        EnableControl(page, IDC_FRAME_BROWSE, 1);
        EnableControl(page, IDC_FRAME_PATH, 1);
        return 0;
    case IDC_FRAME_PATH:
        index = SelectedImage();
        if (HIWORD(wparam) == EN_CHANGE && index >= 0 && !FramePageFilling) {
            GetDlgItemTextA(page, IDC_FRAME_PATH, PageImages[index], FrameImagePathSize);
            UpdateFramePreview(page, PageImages, index);
            TellFrameChanged(page);
        }
        return 0;
    case IDC_FRAME_BROWSE:
        OnFrameBrowse(page);
        return 0;
    default:
        return FALSE;
    }
}

static INT_PTR OnFrameNotify(HWND page, LPARAM lparam)
{
    switch (reinterpret_cast<NMHDR *>(lparam)->code) {
    case PSN_SETACTIVE:
        if (!FrameControlsSupported) {
            MessageBoxA(page, UnsupportedMessage, ProductName, MB_OK);
            SetWindowLongA(page, DWL_MSGRESULT, -1); // refuse to become active
        } else {
            SetWindowLongA(page, DWL_MSGRESULT, 0);
            if (FramePreviewStale)
                LoadFramePreview(page, PageImages, SelectedImage());
        }
        return TRUE;
    case PSN_APPLY:
        SaveFrameImages();
        RequestActivation(0, 1);
        TellSheet(page, PSM_UNCHANGED);
        SetWindowLongA(page, DWL_MSGRESULT, PSNRET_NOERROR);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK FramePageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnFrameInitDialog(page);
        break;
    case WM_COMMAND:
        return OnFrameCommand(page, wparam);
    case WM_NOTIFY:
        return OnFrameNotify(page, lparam);
    case WM_DRAWITEM:
        if (wparam == IDC_FRAME_PREVIEW) {
            DrawFramePreview(reinterpret_cast<const DRAWITEMSTRUCT *>(lparam));
            return TRUE;
        }
        break;
    case WM_DESTROY:
        FreePictures(FramePreviewPictures, FrameImageCount);
        ForgetSheetFrameImages();
        break;
    default:
        // Another page has saved the list: show it as stored; or the Themes page has put images
        // in: show them. Answered with 0 so that every sibling hears it.
        if (IsReloadQuery(message, wparam)) {
            PageImages = LoadFrameImages();
            UpdateFramePage(page, PageImages);
            TellSheet(page, PSM_UNCHANGED);
        } else if (IsSiblingQuery(message, wparam, ShowLookQuery)) {
            UpdateFramePage(page, PageImages);
            TellSheet(page, reinterpret_cast<const LookToShow *>(lparam)->imagesChanged
                                ? PSM_CHANGED
                                : PSM_UNCHANGED);
        }
        break;
    }
    // Whatever is not answered above is the dialog manager's to answer.
    return FALSE;
}
