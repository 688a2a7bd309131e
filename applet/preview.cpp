// The pages' previews: the Start button and sample title bars as the agent will paint them.
// Every picture comes through the module's own loader at the size the agent asks for, so a
// preview never shows a file that the agent would refuse; where there is no picture the
// system's own is drawn, as the shell and the window manager would.
#include "applet/applet.h"

#include "agent/agent.h"
#include "framectl/framectl.h"

// Where no taskbar can be asked, the Start button of Windows 95 at its standard size.
static const int StandardStartWidth = 54;
static const int StandardStartHeight = 22;
static const int TaskbarPadding = 3;
static const int ButtonGap = 2;
static const int WhySize = 128;
static const int StatusTextSize = StartFileSize + WhySize;
static const int StateNameMargin = 4;
static const int ShellLogoSize = 16; // the small icon size of Windows 95/98
static const int ShellLogoGap = 2;

void GetStartButtonSize(SIZE *size)
{
    size->cx = StandardStartWidth;
    size->cy = StandardStartHeight;
    // The running shell's button, as the agent measures it, when it has a sensible size.
    HWND button = FindWindowByPath(StartButtonPath);
    RECT client;
    if (button && GetClientRect(button, &client) && client.right > 2 * StartStretchMargin &&
        client.right <= 4 * StandardStartWidth && client.bottom > StartStretchMargin &&
        client.bottom <= 4 * StandardStartHeight) {
        size->cx = client.right;
        size->cy = client.bottom;
    }
}

void GetCaptionPictureSize(SIZE *size)
{
    *size = CaptionButtonSizeOfMetrics();
}

int DescribeBitmapFile(const char *path, char *status, int statusSize, SIZE *size)
{
    char why[WhySize];
    if (CheckBitmapFile(path, why, sizeof why, size))
        return 1;
    // A name too long for the line is still better than no reason.
    if (!FormatText(status, statusSize, "%s: %s", FileNamePart(path), why))
        CopyText(status, statusSize, why);
    return 0;
}

// The loader's answer, with the reason when it has none: the check's words, or, for a file
// that passed the check and still did not load, a plain statement of that.
static HBITMAP LoadPicture(const char *path, int cx, int cy, char *status, int statusSize)
{
    HBITMAP picture = LoadBitmapFile(path, cx, cy);
    if (!picture && status[0] == '\0' && DescribeBitmapFile(path, status, statusSize))
        FormatText(status, statusSize, "%s: the system could not load it", FileNamePart(path));
    return picture;
}

int DescribePictureDisk(const char *path, char *status, int statusSize)
{
    if (status[0] != '\0')
        return 0;
    UINT type = GetPathDriveType(path);
    if (type != DRIVE_REMOVABLE && type != DRIVE_CDROM)
        return 0;
    const char *format = type == DRIVE_CDROM
                             ? "%s is on a CD-ROM: the picture is missing whenever the CD is out"
                             : "%s is on a removable disk: the picture is missing whenever the "
                               "disk is out";
    // A path too long for the buffer is named by its file name alone.
    if (!FormatText(status, statusSize, format, path))
        FormatText(status, statusSize, format, FileNamePart(path));
    return 1;
}

// An unstretched picture larger than the inside of the button is cut to it, and only its
// middle shows: says so, with the cure.
static void DescribeStartPictureSize(HBITMAP picture, const SIZE *button, char *status,
                                     int statusSize)
{
    BITMAP info;
    if (status[0] != '\0' || !picture || !GetObjectA(picture, sizeof info, &info))
        return;
    if (info.bmWidth <= button->cx - StartStretchMargin &&
        info.bmHeight <= button->cy - StartStretchMargin)
        return;
    char size[SizeTextSize];
    PutSize(size, (DWORD)info.bmWidth, (DWORD)info.bmHeight, " x ");
    FormatText(status, statusSize,
               "%s pixels: larger than the button; tick Stretch on the Start button page to fit it",
               size);
}

HBITMAP LoadStartPicture(DWORD mode, const char *path, int stretch, char *status, int statusSize)
{
    SIZE button;
    GetStartButtonSize(&button);
    int cx = stretch ? button.cx - StartStretchMargin : 0;
    int cy = stretch ? button.cy - StartStretchMargin : 0;
    HBITMAP picture = nullptr;
    switch (mode) {
    case StartModeBuiltIn:
        picture = LoadBitmapResource(IDB_STARTBUTTON, cx, cy);
        break;
    case StartModeFile:
        if (path[0] == '\0') {
            if (status[0] == '\0')
                CopyText(status, statusSize,
                         "No file named: the Start button keeps its own picture");
            return nullptr;
        }
        DescribePictureDisk(path, status, statusSize);
        picture = LoadPicture(path, cx, cy, status, statusSize);
        break;
    default:
        return nullptr;
    }
    if (!stretch)
        DescribeStartPictureSize(picture, &button, status, statusSize);
    return picture;
}

// Through the painter's own entry: the same choice of the picture drawn for the size, the
// same fitting, and the loader's reason for a refused file or size variant.
HBITMAP LoadCaptionPicture(const char *path, char *status, int statusSize)
{
    if (IsDefaultImage(path))
        return nullptr;
    SIZE size;
    GetCaptionPictureSize(&size);
    DescribePictureDisk(path, status, statusSize);
    char why[FrameImagePathSize + WhySize];
    HBITMAP picture = LoadCaptionBitmap(path, size.cx, size.cy, why, sizeof why);
    if (status[0] == '\0')
        CopyText(status, statusSize, why);
    return picture;
}

int PictureNameLength(const char *status, const char *path)
{
    const char *names[] = {path, FileNamePart(path)};
    for (const char *name : names) {
        int length = lstrlenA(name);
        int i = 0;
        while (i < length && status[i] == name[i])
            i++;
        if (length && i == length)
            return length;
    }
    return 0;
}

// Whether text shows whole in the status line's box, wrapped as the box wraps it (a line that
// does not wrap takes two lines where it is too long, which the box has no room for).
static int FitsStatusLine(HWND box, const char *text)
{
    RECT room;
    GetClientRect(box, &room);
    RECT need = {0, 0, room.right, 0};
    HDC dc = GetDC(box);
    if (!dc)
        return 1;
    HGDIOBJ font = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(box, WM_GETFONT, 0, 0)));
    DrawTextA(dc, text, -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, font);
    ReleaseDC(box, dc);
    return need.right <= room.right && need.bottom <= room.bottom;
}

void ShowStatusText(HWND box, const char *status, int nameLength)
{
    char shown[StatusTextSize];
    CopyText(shown, sizeof shown, status);
    // The least cut that fits, found by halving: a longer cut never fits worse. One character of
    // the name stays on each side.
    if (nameLength > 2 && !FitsStatusLine(box, shown)) {
        int low = 1;
        int high = nameLength - 2;
        while (low < high) {
            int cut = (low + high) / 2;
            ShortenName(status, nameLength, cut, shown, sizeof shown);
            if (FitsStatusLine(box, shown))
                high = cut;
            else
                low = cut + 1;
        }
        ShortenName(status, nameLength, low, shown, sizeof shown);
    }
    SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(shown));
}

void CentreRow(RECT *box, int height)
{
    int spare = box->bottom - box->top - height;
    if (spare > 0)
        box->top += spare / 2;
}

void FreePictures(HBITMAP *pictures, int count)
{
    for (int i = 0; i < count; i++) {
        if (pictures[i])
            DeleteObject(pictures[i]);
        pictures[i] = nullptr;
    }
}

CaptionState CaptionStateOf(int frameImage)
{
    switch (frameImage) {
    case 1:
    case 4:
    case 7:
    case 9:
    case 11:
        return CaptionPressed;
    case 2:
    case 5:
    case 12:
        return CaptionDisabled;
    default:
        return CaptionUp;
    }
}

int OpenPreviewCanvas(const DRAWITEMSTRUCT *item, PreviewCanvas *canvas)
{
    RECT whole = item->rcItem;
    canvas->dc = CreateCompatibleDC(item->hDC);
    canvas->bitmap =
        CreateCompatibleBitmap(item->hDC, whole.right - whole.left, whole.bottom - whole.top);
    if (!canvas->dc || !canvas->bitmap) {
        if (canvas->dc)
            DeleteDC(canvas->dc);
        if (canvas->bitmap)
            DeleteObject(canvas->bitmap);
        return 0;
    }
    canvas->oldBitmap = SelectObject(canvas->dc, canvas->bitmap);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(GetParent(item->hwndItem), WM_GETFONT, 0, 0));
    canvas->oldFont = font ? SelectObject(canvas->dc, font) : nullptr;
    OffsetRect(&whole, -whole.left, -whole.top);
    FillRect(canvas->dc, &whole, GetSysColorBrush(COLOR_3DFACE));
    DrawEdge(canvas->dc, &whole, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    canvas->area = whole;
    return 1;
}

void ClosePreviewCanvas(const DRAWITEMSTRUCT *item, PreviewCanvas *canvas)
{
    const RECT &r = item->rcItem;
    BitBlt(item->hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, canvas->dc, 0, 0, SRCCOPY);
    if (canvas->oldFont)
        SelectObject(canvas->dc, canvas->oldFont);
    SelectObject(canvas->dc, canvas->oldBitmap);
    DeleteObject(canvas->bitmap);
    DeleteDC(canvas->dc);
}

// Copies picture into dc centred on target and cut to it, as a bitmap button shows it.
static void DrawPictureCentred(HDC dc, const RECT *target, HBITMAP picture)
{
    BITMAP info;
    if (!GetObjectA(picture, sizeof info, &info))
        return;
    HDC source = CreateCompatibleDC(dc);
    if (!source)
        return;
    HGDIOBJ old = SelectObject(source, picture);
    int saved = SaveDC(dc);
    IntersectClipRect(dc, target->left, target->top, target->right, target->bottom);
    int x = (target->left + target->right - info.bmWidth) / 2;
    int y = (target->top + target->bottom - info.bmHeight) / 2;
    BitBlt(dc, x, y, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
    RestoreDC(dc, saved);
    SelectObject(source, old);
    DeleteDC(source);
}

// Draws a face as draw paints it into target, zoom times its size: draw paints the face at its
// own size, which is then enlarged pixel for pixel, so that every pixel of a picture becomes a
// square of zoom x zoom.
template <typename Draw> static void DrawZoomedFace(HDC dc, const RECT *target, int zoom, Draw draw)
{
    if (zoom <= 1) {
        draw(dc, target);
        return;
    }
    int cx = (target->right - target->left) / zoom;
    int cy = (target->bottom - target->top) / zoom;
    HDC scratch = CreateCompatibleDC(dc);
    HBITMAP bitmap = scratch ? CreateCompatibleBitmap(dc, cx, cy) : nullptr;
    if (bitmap) {
        HGDIOBJ old = SelectObject(scratch, bitmap);
        RECT own = {0, 0, cx, cy};
        draw(scratch, &own);
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, target->left, target->top, cx * zoom, cy * zoom, scratch, 0, 0, cx, cy,
                   SRCCOPY);
        SelectObject(scratch, old);
        DeleteObject(bitmap);
    }
    if (scratch)
        DeleteDC(scratch);
}

// The shell's own Start picture as the shell draws it, centred in inside and cut to it: the
// system's logo in small, then "Start" in bold. The shell keeps its picture to itself, so the
// preview draws it the same way.
static void DrawShellStartPicture(HDC dc, const RECT *inside, HFONT bold)
{
    int saved = SaveDC(dc);
    IntersectClipRect(dc, inside->left, inside->top, inside->right, inside->bottom);
    if (bold)
        SelectObject(dc, bold);
    RECT label = {0, 0, 0, 0};
    DrawTextA(dc, "Start", -1, &label, DT_CALCRECT | DT_SINGLELINE);
    int left = (inside->left + inside->right - ShellLogoSize - ShellLogoGap - label.right) / 2;
    HICON logo = static_cast<HICON>(
        LoadImageA(nullptr, IDI_WINLOGO, IMAGE_ICON, ShellLogoSize, ShellLogoSize, LR_SHARED));
    if (logo)
        DrawIconEx(dc, left, (inside->top + inside->bottom - ShellLogoSize) / 2, logo,
                   ShellLogoSize, ShellLogoSize, 0, nullptr, DI_NORMAL);
    label = {left + ShellLogoSize + ShellLogoGap, inside->top, inside->right, inside->bottom};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextA(dc, "Start", -1, &label, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    RestoreDC(dc, saved);
}

SIZE StartSampleSize(int zoom)
{
    SIZE button;
    GetStartButtonSize(&button);
    return {ButtonGap + zoom * button.cx, zoom * button.cy + 2 * TaskbarPadding};
}

int DrawStartSample(HDC dc, const RECT *box, HBITMAP picture, int zoom)
{
    SIZE button;
    GetStartButtonSize(&button);
    int height = StartSampleSize(zoom).cy;
    RECT bar = {box->left, box->top, box->right, box->top + height};
    FillRect(dc, &bar, GetSysColorBrush(COLOR_3DFACE));
    DrawEdge(dc, &bar, BDR_RAISEDINNER, BF_TOP);

    RECT face = {bar.left + ButtonGap, bar.top + TaskbarPadding,
                 bar.left + ButtonGap + zoom * button.cx,
                 bar.top + TaskbarPadding + zoom * button.cy};
    // The shell's own picture is the system's logo and "Start" in bold, in the page's font.
    LOGFONTA font;
    HFONT bold = nullptr;
    if (!picture && GetObjectA(GetCurrentObject(dc, OBJ_FONT), sizeof font, &font)) {
        font.lfWeight = FW_BOLD;
        bold = CreateFontIndirectA(&font);
    }
    DrawZoomedFace(dc, &face, zoom, [picture, bold](HDC target, const RECT *own) {
        RECT inside = *own;
        DrawFrameControl(target, &inside, DFC_BUTTON, DFCS_BUTTONPUSH);
        InflateRect(&inside, -2, -2);
        if (picture)
            DrawPictureCentred(target, &inside, picture);
        else
            DrawShellStartPicture(target, &inside, bold);
    });
    if (bold)
        DeleteObject(bold);
    return height;
}

// The buttons of each state's sample bar, left to right, with a gap before the button that
// starts a group (minimize, maximize and restore stand together, close and help apart).
struct SampleButton {
    int image; // frame image index
    UINT glyph;
    int gapBefore;
};
static const SampleButton UpButtons[] = {
    {8, DFCS_CAPTIONHELP, 0}, {3, DFCS_CAPTIONMIN, 1},   {6, DFCS_CAPTIONRESTORE, 0},
    {10, DFCS_CAPTIONMAX, 0}, {0, DFCS_CAPTIONCLOSE, 1},
};
static const SampleButton PressedButtons[] = {
    {9, DFCS_CAPTIONHELP, 0}, {4, DFCS_CAPTIONMIN, 1},   {7, DFCS_CAPTIONRESTORE, 0},
    {11, DFCS_CAPTIONMAX, 0}, {1, DFCS_CAPTIONCLOSE, 1},
};
static const SampleButton DisabledButtons[] = {
    {5, DFCS_CAPTIONMIN, 0},
    {12, DFCS_CAPTIONMAX, 0},
    {2, DFCS_CAPTIONCLOSE, 1},
};
static const char *const StateNames[] = {"Up", "Pressed", "Disabled"};

SIZE CaptionSampleSize(int zoom)
{
    SIZE size;
    GetCaptionPictureSize(&size);
    // The widest bar is the one of five buttons, two of which start a group.
    return {5 * zoom * size.cx + 3 * ButtonGap, zoom * size.cy + 4};
}

int FitSampleZoom(const RECT *room, SIZE (*sizeAt)(int zoom))
{
    int zoom = 1;
    for (; zoom < LargestSampleZoom; zoom++) {
        SIZE size = sizeAt(zoom + 1);
        if (size.cx > room->right - room->left || size.cy > room->bottom - room->top)
            break;
    }
    return zoom;
}

// Whether the room left of the widest bar's buttons takes every state's name whole, so that
// the bars have their names all or none.
static int StateNamesFit(HDC dc, const RECT *bar, int zoom)
{
    int room = bar->right - bar->left - CaptionSampleSize(zoom).cx - 2 * StateNameMargin;
    for (const char *name : StateNames) {
        RECT need = {0, 0, 0, 0};
        DrawTextA(dc, name, -1, &need, DT_CALCRECT | DT_SINGLELINE);
        if (need.right > room)
            return 0;
    }
    return 1;
}

int DrawCaptionSample(HDC dc, const RECT *box, CaptionState state, const HBITMAP *pictures,
                      int marked, int zoom)
{
    const SampleButton *buttons = UpButtons;
    int count = sizeof UpButtons / sizeof UpButtons[0];
    UINT look = 0;
    if (state == CaptionPressed) {
        buttons = PressedButtons;
        look = DFCS_PUSHED;
    } else if (state == CaptionDisabled) {
        buttons = DisabledButtons;
        count = sizeof DisabledButtons / sizeof DisabledButtons[0];
        look = DFCS_INACTIVE;
    }
    SIZE size;
    GetCaptionPictureSize(&size);
    size.cx *= zoom;
    size.cy *= zoom;
    int height = size.cy + 4;
    RECT bar = {box->left, box->top, box->right, box->top + height};
    FillRect(dc, &bar, GetSysColorBrush(COLOR_ACTIVECAPTION));

    int width = 0;
    for (int i = 0; i < count; i++)
        width += size.cx + (buttons[i].gapBefore ? ButtonGap : 0);
    int x = bar.right - ButtonGap - width;
    RECT markedFace = {0, 0, 0, 0};
    for (int i = 0; i < count; i++) {
        x += buttons[i].gapBefore ? ButtonGap : 0;
        RECT face = {x, bar.top + 2, x + size.cx, bar.top + 2 + size.cy};
        HBITMAP picture = pictures[buttons[i].image];
        UINT glyph = buttons[i].glyph | look;
        DrawZoomedFace(dc, &face, zoom, [picture, glyph](HDC target, const RECT *own) {
            RECT inside = *own;
            if (picture)
                DrawPictureCentred(target, &inside, picture);
            else
                DrawFrameControl(target, &inside, DFC_CAPTION, glyph);
        });
        if (buttons[i].image == marked)
            markedFace = face;
        x += size.cx;
    }
    // The marked button gets the dotted frame of keyboard focus, just outside its face, drawn
    // once every button is there so that no neighbour paints over it.
    if (!IsRectEmpty(&markedFace)) {
        InflateRect(&markedFace, 1, 1);
        DrawFocusRect(dc, &markedFace);
    }

    if (StateNamesFit(dc, &bar, zoom)) {
        RECT label = {bar.left + StateNameMargin, bar.top,
                      bar.right - ButtonGap - width - StateNameMargin, bar.bottom};
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_CAPTIONTEXT));
        DrawTextA(dc, StateNames[state], -1, &label, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    }
    return height;
}
