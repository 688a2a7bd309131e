// The sample window: a window whose caption and caption buttons the stand-in draws itself,
// taking every button image from the system bitmaps, as the window manager does for every
// title bar. Its own caption uses the strip of the active or inactive caption, shows a
// button's down image while the mouse holds it, and below it one row per kind of title bar
// shows all thirteen caption-button images (up, down, disabled) side by side.
#include "standin/standin.h"

enum CaptionButton { ButtonNone = -1, ButtonMinimize, ButtonMaximize, ButtonClose, ButtonCount };
enum { TimerWatchPixels = 1 };

static const int SampleMargin = 48; // from the top right corner of the screen
static const int SampleWidth = 360; // at the least: more where the buttons need it
static const int SampleHeight = 172;
static const int GalleryTop = 10;    // below the caption
static const int GalleryMargin = 12; // left, right and below the gallery
static const int FrameWidth = 3;     // a raised edge and one pixel of face, as a dialog frame
static const UINT WatchPeriod = 200; // ms
static const int RowHeightExtra = 6; // space around each gallery row
static const int LabelWidth = 84;

// One gallery row: a label and the button records drawn right-aligned, each with the gap
// that follows it (minimize and maximize touch; 2 pixels before close and around help).
struct GalleryButton {
    int record;
    int gap_after;
};
struct GalleryRow {
    const char *label;
    int count;
    GalleryButton buttons[5];
};
static const GalleryRow Gallery[] = {
    {"Window", 3, {{RecMinimizeUp, 0}, {RecMaximizeUp, 2}, {RecCloseUp, 0}}},
    {"Maximized", 3, {{RecMinimizeUp, 0}, {RecRestoreUp, 2}, {RecCloseUp, 0}}},
    {"Dialog", 2, {{RecHelpUp, 2}, {RecCloseUp, 0}}},
    {"Pressed",
     5,
     {{RecMinimizeDown, 0},
      {RecMaximizeDown, 2},
      {RecRestoreDown, 2},
      {RecHelpDown, 2},
      {RecCloseDown, 0}}},
    {"Disabled", 3, {{RecMinimizeDisabled, 0}, {RecMaximizeDisabled, 2}, {RecCloseDisabled, 0}}},
};

static HWND sample_window;
static int sample_active;
static int sample_maximized; // the maximize button toggles the restore image, nothing more
static int pressed_button = ButtonNone;
static int pressed_inside;

static void get_button_size(int *w, int *h)
{
    RECT rect;
    GetSlotRect(RecCloseUp, &rect);
    *w = rect.right - rect.left;
    *h = rect.bottom - rect.top;
}

static void get_caption_rect(HWND hwnd, RECT *rect)
{
    GetClientRect(hwnd, rect);
    InflateRect(rect, -FrameWidth, -FrameWidth);
    rect->bottom = rect->top + GetSystemMetrics(SM_CYCAPTION) - 1;
}

// Where the caption's buttons stand: the right end of the caption is a strip minus its help
// part, so the buttons sit where the strip puts them.
static void get_caption_button_rect(HWND hwnd, int button, RECT *rect)
{
    int w, h;
    get_button_size(&w, &h);
    RECT caption;
    get_caption_rect(hwnd, &caption);
    int strip_left = caption.right - (3 * w + 6);
    int top = caption.top + (caption.bottom - caption.top - (h + 4)) / 2 + 2;
    static const int offsets[ButtonCount] = {0, 1, 2}; // in button widths
    int x = strip_left + 2 + offsets[button] * w + (button == ButtonClose ? 2 : 0);
    SetRect(rect, x, top, x + w, top + h);
}

static int hit_caption_button(HWND hwnd, POINT pt)
{
    for (int b = 0; b < ButtonCount; b++) {
        RECT rect;
        get_caption_button_rect(hwnd, b, &rect);
        if (PtInRect(&rect, pt))
            return b;
    }
    return ButtonNone;
}

static void copy_record(HDC dc, int record, int x, int y)
{
    RECT rect;
    if (GetSlotRect(record, &rect))
        BitBlt(dc, x, y, rect.right - rect.left, rect.bottom - rect.top, GetSystemBitmapsDC(),
               rect.left, rect.top, SRCCOPY);
}

static COLORREF blend(COLORREF a, COLORREF b, int num, int den)
{
    int r = GetRValue(a) + (GetRValue(b) - GetRValue(a)) * num / den;
    int g = GetGValue(a) + (GetGValue(b) - GetGValue(a)) * num / den;
    int bl = GetBValue(a) + (GetBValue(b) - GetBValue(a)) * num / den;
    return RGB(r, g, bl);
}

static void fill_gradient(HDC dc, const RECT *rect, COLORREF from, COLORREF to)
{
    int width = rect->right - rect->left;
    for (int x = 0; x < width; x++) {
        RECT column = {rect->left + x, rect->top, rect->left + x + 1, rect->bottom};
        SetBkColor(dc, blend(from, to, x, width > 1 ? width - 1 : 1));
        ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &column, NULL, 0, NULL);
    }
}

static HFONT create_caption_font()
{
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        return NULL;
    return CreateFontIndirectA(&metrics.lfCaptionFont);
}

static void draw_caption_bar(HDC dc, const RECT *rect, int active, const char *title)
{
    COLORREF from = GetSysColor(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
    COLORREF to = GetSysColor(active ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION);
    fill_gradient(dc, rect, from, to);
    HFONT font = create_caption_font();
    HGDIOBJ old = font ? SelectObject(dc, font) : NULL;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    RECT text = *rect;
    text.left += 4;
    DrawTextA(dc, title, -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    if (font) {
        SelectObject(dc, old);
        DeleteObject(font);
    }
}

static void draw_own_caption(HWND hwnd, HDC dc)
{
    RECT caption;
    get_caption_rect(hwnd, &caption);
    draw_caption_bar(dc, &caption, sample_active, SampleWindowTitle);
    int w, h;
    get_button_size(&w, &h);
    // Minimize, maximize and close as the strip has them, 2 pixels below the strip's top.
    RECT strip;
    GetSlotRect(sample_active ? RecActiveStrip : RecInactiveStrip, &strip);
    int x = caption.right - (3 * w + 6);
    int y = caption.top + (caption.bottom - caption.top - (h + 4)) / 2;
    BitBlt(dc, x, y, 3 * w + 6, h + 4, GetSystemBitmapsDC(), strip.left, strip.top, SRCCOPY);
    RECT rect;
    if (sample_maximized) {
        get_caption_button_rect(hwnd, ButtonMaximize, &rect);
        copy_record(dc, RecRestoreUp, rect.left, rect.top);
    }
    if (pressed_button != ButtonNone && pressed_inside) {
        static const int down[ButtonCount] = {RecMinimizeDown, RecMaximizeDown, RecCloseDown};
        int record = down[pressed_button];
        if (pressed_button == ButtonMaximize && sample_maximized)
            record = RecRestoreDown;
        get_caption_button_rect(hwnd, pressed_button, &rect);
        copy_record(dc, record, rect.left, rect.top);
    }
}

static void draw_gallery_row(HDC dc, const GalleryRow *row, const RECT *area)
{
    int w, h;
    get_button_size(&w, &h);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    RECT label = {area->left, area->top, area->left + LabelWidth, area->bottom};
    DrawTextA(dc, row->label, -1, &label, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old);

    RECT bar = {area->left + LabelWidth, area->top + (area->bottom - area->top - (h + 4)) / 2,
                area->right, 0};
    bar.bottom = bar.top + h + 4;
    draw_caption_bar(dc, &bar, 0, "");
    int x = bar.right - 2;
    for (int i = row->count - 1; i >= 0; i--) {
        x -= w;
        copy_record(dc, row->buttons[i].record, x, bar.top + 2);
        if (i > 0)
            x -= row->buttons[i - 1].gap_after;
    }
}

static int get_row_height()
{
    int w, h;
    get_button_size(&w, &h);
    return h + 4 + RowHeightExtra;
}

// The window's size for the caption buttons of the moment: every gallery row shows whole, the
// widest with its label, at any caption size.
static void get_sample_size(int *width, int *height)
{
    int w, h;
    get_button_size(&w, &h);
    int rows = sizeof Gallery / sizeof Gallery[0];
    int needed_height = 2 * FrameWidth + GetSystemMetrics(SM_CYCAPTION) - 1 + GalleryTop +
                        rows * get_row_height() + GalleryMargin;
    int needed_width = 2 * GalleryMargin + LabelWidth + 5 * w + 8 + 4;
    *width = needed_width > SampleWidth ? needed_width : SampleWidth;
    *height = needed_height > SampleHeight ? needed_height : SampleHeight;
}

static void draw_sample(HWND hwnd, HDC dc)
{
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_3DFACE));
    DrawEdge(dc, &client, EDGE_RAISED, BF_RECT);
    if (!GetSystemBitmapsDC())
        return;
    draw_own_caption(hwnd, dc);
    RECT caption;
    get_caption_rect(hwnd, &caption);
    int row_height = get_row_height();
    RECT area = {client.left + GalleryMargin, caption.bottom + GalleryTop,
                 client.right - GalleryMargin, 0};
    for (const GalleryRow &row : Gallery) {
        area.bottom = area.top + row_height;
        draw_gallery_row(dc, &row, &area);
        area.top = area.bottom;
    }
}

static void on_paint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    // Drawn off screen first, so a repaint every time the pixels change does not flicker.
    HDC buffer = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
    if (buffer && bitmap) {
        HGDIOBJ old = SelectObject(buffer, bitmap);
        draw_sample(hwnd, buffer);
        BitBlt(dc, 0, 0, client.right, client.bottom, buffer, 0, 0, SRCCOPY);
        SelectObject(buffer, old);
    } else {
        draw_sample(hwnd, dc);
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (buffer)
        DeleteDC(buffer);
    EndPaint(hwnd, &ps);
}

static void invalidate_caption(HWND hwnd)
{
    RECT caption;
    get_caption_rect(hwnd, &caption);
    InvalidateRect(hwnd, &caption, FALSE);
}

static void on_button_down(HWND hwnd, POINT pt)
{
    pressed_button = hit_caption_button(hwnd, pt);
    if (pressed_button == ButtonNone)
        return;
    pressed_inside = 1;
    SetCapture(hwnd);
    invalidate_caption(hwnd);
}

static void on_mouse_move(HWND hwnd, POINT pt)
{
    if (pressed_button == ButtonNone)
        return;
    int inside = hit_caption_button(hwnd, pt) == pressed_button;
    if (inside != pressed_inside) {
        pressed_inside = inside;
        invalidate_caption(hwnd);
    }
}

static void on_button_up(HWND hwnd, POINT pt)
{
    if (pressed_button == ButtonNone)
        return;
    if (hit_caption_button(hwnd, pt) == pressed_button && pressed_button == ButtonMaximize)
        sample_maximized = !sample_maximized;
    pressed_button = ButtonNone;
    ReleaseCapture();
    invalidate_caption(hwnd);
}

// The caption moves the window, except where its buttons are.
static LRESULT on_hit_test(HWND hwnd, LPARAM lparam)
{
    POINT pt = {(short)LOWORD(lparam), (short)HIWORD(lparam)};
    ScreenToClient(hwnd, &pt);
    RECT caption;
    get_caption_rect(hwnd, &caption);
    if (PtInRect(&caption, pt) && hit_caption_button(hwnd, pt) == ButtonNone)
        return HTCAPTION;
    return HTCLIENT;
}

static void on_timer(HWND hwnd)
{
    if (SystemBitmapsChanged())
        InvalidateRect(hwnd, NULL, FALSE);
}

static LRESULT CALLBACK sample_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    POINT pt = {(short)LOWORD(lparam), (short)HIWORD(lparam)};
    switch (msg) {
    case WM_CREATE:
        sample_window = hwnd;
        if (Options.watchPixels)
            SetTimer(hwnd, TimerWatchPixels, WatchPeriod, NULL);
        return 0;
    case WM_ERASEBKGND:
        return 1; // WM_PAINT covers everything
    case WM_PAINT:
        on_paint(hwnd);
        return 0;
    case WM_NCHITTEST:
        return on_hit_test(hwnd, lparam);
    case WM_LBUTTONDOWN:
        on_button_down(hwnd, pt);
        return 0;
    case WM_MOUSEMOVE:
        on_mouse_move(hwnd, pt);
        return 0;
    case WM_LBUTTONUP:
        on_button_up(hwnd, pt);
        return 0;
    case WM_CAPTURECHANGED:
        if ((HWND)lparam != hwnd && pressed_button != ButtonNone) {
            pressed_button = ButtonNone;
            invalidate_caption(hwnd);
        }
        return 0;
    case WM_ACTIVATE:
        sample_active = LOWORD(wparam) != WA_INACTIVE;
        invalidate_caption(hwnd);
        return 0;
    case WM_TIMER:
        on_timer(hwnd);
        return 0;
    case WM_CLOSE:
        return 0; // the sample stays as long as the desktop
    case WM_DESTROY:
        KillTimer(hwnd, TimerWatchPixels);
        sample_window = NULL;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}

// Top right, clear of where new windows open (the Control Panel's sheet among them), so the
// sample stays in sight while settings are made.
static void get_sample_place(RECT *place)
{
    int width, height;
    get_sample_size(&width, &height);
    int left = GetSystemMetrics(SM_CXSCREEN) - width - SampleMargin;
    if (left < 0)
        left = 0;
    SetRect(place, left, SampleMargin, left + width, SampleMargin + height);
}

HWND CreateSampleWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = sample_proc;
    wc.hInstance = AppInstance;
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.lpszClassName = SampleClassName;
    if (!RegisterClassA(&wc))
        return NULL;
    RECT place;
    get_sample_place(&place);
    return CreateWindowExA(0, SampleClassName, SampleWindowTitle, WS_POPUP | WS_VISIBLE, place.left,
                           place.top, place.right - place.left, place.bottom - place.top, NULL,
                           NULL, AppInstance, NULL);
}

// A new caption size resizes the window with its rows.
void RefreshSampleWindow()
{
    if (!sample_window)
        return;
    RECT place, now;
    get_sample_place(&place);
    GetWindowRect(sample_window, &now);
    if (now.right - now.left != place.right - place.left ||
        now.bottom - now.top != place.bottom - place.top)
        SetWindowPos(sample_window, NULL, place.left, place.top, place.right - place.left,
                     place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(sample_window, NULL, FALSE);
}
