// The taskbar: a topmost "Shell_TrayWnd" across the bottom of the screen whose first child is
// the Start button, a BS_BITMAP button showing the shell's own Start picture. It is also the
// window other processes talk to: load requests arrive here, and as the only top-level window
// that always exists it rebuilds the system bitmaps when the display, the colours or the
// caption size change.
#include <stdlib.h>

#include "standin/standin.h"
#include "install/loadrequest_shared.h"

enum {
    TimerFreeLibraries = 1,
    TimerClock = 2,
};
enum { MenuCloseDesktop = 1 };

static const int TaskbarHeight = 28;
static const int StartButtonWidth = 54;
static const int ClockWidth = 56;
static const UINT FreeLibrariesPeriod = 10000; // ms; a shell sweeps unused servers now and then

static HWND taskbar_window;
static HWND start_button;
static HBITMAP start_picture; // the shell's own picture; deleted only by us

HWND GetTaskbar()
{
    return taskbar_window;
}

static void get_taskbar_rect(RECT *rect)
{
    int cx = GetSystemMetrics(SM_CXSCREEN);
    int cy = GetSystemMetrics(SM_CYSCREEN);
    SetRect(rect, 0, cy - TaskbarHeight, cx, cy);
}

static void get_clock_rect(HWND hwnd, RECT *rect)
{
    GetClientRect(hwnd, rect);
    rect->right -= 2;
    rect->left = rect->right - ClockWidth;
    rect->top += 4;
    rect->bottom -= 2;
}

static void create_start_button(HWND hwnd)
{
    // Created first, so it is the taskbar's first "Button" child, where the module looks.
    start_button =
        CreateWindowExA(0, "Button", "Start", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | BS_BITMAP, 2,
                        4, StartButtonWidth, TaskbarHeight - 6, hwnd, NULL, AppInstance, NULL);
    if (!start_button)
        return;
    RECT client;
    GetClientRect(start_button, &client);
    start_picture = CreateStartPicture(client.bottom - client.top - 6);
    SendMessageA(start_button, BM_SETIMAGE, IMAGE_BITMAP, (LPARAM)start_picture);
}

static void show_start_menu(HWND hwnd)
{
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, MenuCloseDesktop, "Close the stand-in desktop");
    RECT button;
    GetWindowRect(start_button, &button);
    SendMessageA(start_button, BM_SETSTATE, TRUE, 0);
    int choice = TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_BOTTOMALIGN | TPM_RETURNCMD, button.left,
                                button.top, 0, hwnd, NULL);
    SendMessageA(start_button, BM_SETSTATE, FALSE, 0);
    DestroyMenu(menu);
    if (choice == MenuCloseDesktop)
        DestroyWindow(hwnd);
}

static void paint_clock(HWND hwnd, HDC dc)
{
    RECT rect;
    get_clock_rect(hwnd, &rect);
    DrawEdge(dc, &rect, BDR_SUNKENOUTER, BF_RECT);
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[16];
    wsprintfA(text, "%d:%02d", now.wHour, now.wMinute);
    HGDIOBJ old_font = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextA(dc, text, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old_font);
}

static LRESULT on_create(HWND hwnd)
{
    taskbar_window = hwnd;
    create_start_button(hwnd);
    SetPropA(hwnd, QV_LOADREQUEST_PROP, (HANDLE)1);
    SetTimer(hwnd, TimerFreeLibraries, FreeLibrariesPeriod, NULL);
    SetTimer(hwnd, TimerClock, 10000, NULL);
    return 0;
}

static void on_paint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_3DFACE));
    DrawEdge(dc, &client, EDGE_RAISED, BF_TOP);
    paint_clock(hwnd, dc);
    EndPaint(hwnd, &ps);
}

static void on_timer(HWND hwnd, UINT_PTR id)
{
    if (id == TimerFreeLibraries) {
        CoFreeUnusedLibraries();
    } else if (id == TimerClock) {
        RECT rect;
        get_clock_rect(hwnd, &rect);
        InvalidateRect(hwnd, &rect, TRUE);
    }
}

// The window manager builds its system bitmaps anew when the mode or the colours change;
// whatever was painted into them is gone afterwards.
static void on_system_change(HWND hwnd, int moved)
{
    if (moved) {
        RECT rect;
        get_taskbar_rect(&rect);
        SetWindowPos(hwnd, HWND_TOPMOST, rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, SWP_NOACTIVATE);
    }
    RebuildSystemBitmaps();
    RefreshSampleWindow();
}

// On Windows 95/98 a new caption size reaches every program at once; under Wine a program
// keeps the metrics it started with. The size just stored is taken on here, so that the window
// manager's bitmaps, the sample window and the agent in this process follow it as they would
// there. It is stored in pixels by a program that changes it with SPIF_UPDATEINIFILE, and as a
// negative count of twips (15 a pixel) by Wine's own settings program.
static int read_caption_size(const char *text)
{
    int n = atoi(text);
    return n < 0 ? (-n + 7) / 15 : n;
}

static void take_on_caption_size()
{
    static const char *const names[2] = {"CaptionWidth", "CaptionHeight"};
    int sizes[2] = {0, 0};
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop\\WindowMetrics", 0, KEY_READ,
                      &key) != ERROR_SUCCESS)
        return;
    for (int i = 0; i < 2; i++) {
        char text[16] = "";
        DWORD size = sizeof text - 1;
        if (RegQueryValueExA(key, names[i], NULL, NULL, (BYTE *)text, &size) == ERROR_SUCCESS)
            sizes[i] = read_caption_size(text);
    }
    RegCloseKey(key);
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    if (sizes[0] <= 0 || sizes[1] <= 0 ||
        !SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) ||
        (metrics.iCaptionWidth == sizes[0] && metrics.iCaptionHeight == sizes[1]))
        return;
    metrics.iCaptionWidth = sizes[0];
    metrics.iCaptionHeight = sizes[1];
    SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
}

static void on_destroy(HWND hwnd)
{
    KillTimer(hwnd, TimerFreeLibraries);
    KillTimer(hwnd, TimerClock);
    RemovePropA(hwnd, QV_LOADREQUEST_PROP);
    // Whatever picture is on the button now belongs to someone else; only ours is deleted.
    if (start_picture) {
        DeleteObject(start_picture);
        start_picture = NULL;
    }
    taskbar_window = NULL;
    PostQuitMessage(0);
}

static LRESULT CALLBACK taskbar_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg) {
    case WM_CREATE:
        return on_create(hwnd);
    case WM_PAINT:
        on_paint(hwnd);
        return 0;
    case WM_COMMAND:
        if ((HWND)lparam == start_button && HIWORD(wparam) == BN_CLICKED)
            show_start_menu(hwnd);
        return 0;
    case WM_COPYDATA:
        return HandleLoadRequest((const COPYDATASTRUCT *)lparam);
    case WM_TIMER:
        on_timer(hwnd, wparam);
        return 0;
    case WM_DISPLAYCHANGE:
        on_system_change(hwnd, 1);
        break;
    case WM_SYSCOLORCHANGE:
        on_system_change(hwnd, 0);
        break;
    case WM_SETTINGCHANGE:
        // New caption sizes: the caption buttons are drawn again at the new size.
        if (wparam == SPI_SETNONCLIENTMETRICS) {
            take_on_caption_size();
            on_system_change(hwnd, 0);
        }
        break;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_DESTROY:
        on_destroy(hwnd);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}

HWND CreateTaskbar()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = taskbar_proc;
    wc.hInstance = AppInstance;
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_3DFACE + 1);
    wc.lpszClassName = TaskbarClassName;
    if (!RegisterClassA(&wc))
        return NULL;
    RECT rect;
    get_taskbar_rect(&rect);
    // Topmost, as a real taskbar: Wine's explorer keeps a hidden "Shell_TrayWnd" of its own,
    // and the one found first in Z order is the one the module talks to.
    return CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TaskbarClassName, "",
                           WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, rect.left, rect.top,
                           rect.right - rect.left, rect.bottom - rect.top, NULL, NULL, AppInstance,
                           NULL);
}
