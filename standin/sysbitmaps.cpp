// The system bitmaps, kept as a window manager keeps them: one bitmap holding the small images
// it draws window frames with, and a table of the rectangle of each image in it (Windows 98
// numbering). On Windows 95/98 that bitmap is reachable from every process; here the table and
// the pixels live in a named shared mapping, so any process can make its own DC over the same
// pixels and paint into them, and the sample window draws its caption buttons from them.
#include <string.h>

#include "standin/standin.h"

// Room for the pixels at any caption size up to MaxButtonSize, so a rebuild at a new size
// keeps the mapping (and every other process's view of it).
static const int MaxButtonSize = 96;
static const int GridColumns = 8;
static const int GridRecords = 39; // records 0 to 38 in a grid; the strips below it

struct FrameImage {
    UINT type;
    UINT state;
};

// What each grid record shows. The caption buttons come in the order up, down, inactive,
// disabled; the inactive images are drawn like the up ones (the module never paints them).
static const FrameImage GridImages[GridRecords] = {
    {DFC_CAPTION, DFCS_CAPTIONCLOSE},
    {DFC_CAPTION, DFCS_CAPTIONCLOSE | DFCS_PUSHED},
    {DFC_CAPTION, DFCS_CAPTIONCLOSE},
    {DFC_CAPTION, DFCS_CAPTIONCLOSE | DFCS_INACTIVE},
    {DFC_CAPTION, DFCS_CAPTIONMIN},
    {DFC_CAPTION, DFCS_CAPTIONMIN | DFCS_PUSHED},
    {DFC_CAPTION, DFCS_CAPTIONMIN},
    {DFC_CAPTION, DFCS_CAPTIONMIN | DFCS_INACTIVE},
    {DFC_CAPTION, DFCS_CAPTIONRESTORE},
    {DFC_CAPTION, DFCS_CAPTIONRESTORE | DFCS_PUSHED},
    {DFC_CAPTION, DFCS_CAPTIONRESTORE},
    {DFC_CAPTION, DFCS_CAPTIONHELP},
    {DFC_CAPTION, DFCS_CAPTIONHELP | DFCS_PUSHED},
    {DFC_CAPTION, DFCS_CAPTIONHELP},
    {DFC_CAPTION, DFCS_CAPTIONMAX},
    {DFC_CAPTION, DFCS_CAPTIONMAX | DFCS_PUSHED},
    {DFC_CAPTION, DFCS_CAPTIONMAX},
    {DFC_CAPTION, DFCS_CAPTIONMAX | DFCS_INACTIVE},
    // The other system images: scroll arrows, check marks, menu marks, the size grip.
    {DFC_SCROLL, DFCS_SCROLLUP},
    {DFC_SCROLL, DFCS_SCROLLUP | DFCS_PUSHED},
    {DFC_SCROLL, DFCS_SCROLLUP | DFCS_INACTIVE},
    {DFC_SCROLL, DFCS_SCROLLDOWN},
    {DFC_SCROLL, DFCS_SCROLLDOWN | DFCS_PUSHED},
    {DFC_SCROLL, DFCS_SCROLLDOWN | DFCS_INACTIVE},
    {DFC_SCROLL, DFCS_SCROLLLEFT},
    {DFC_SCROLL, DFCS_SCROLLLEFT | DFCS_PUSHED},
    {DFC_SCROLL, DFCS_SCROLLLEFT | DFCS_INACTIVE},
    {DFC_SCROLL, DFCS_SCROLLRIGHT},
    {DFC_SCROLL, DFCS_SCROLLRIGHT | DFCS_PUSHED},
    {DFC_SCROLL, DFCS_SCROLLRIGHT | DFCS_INACTIVE},
    {DFC_SCROLL, DFCS_SCROLLCOMBOBOX},
    {DFC_SCROLL, DFCS_SCROLLSIZEGRIP},
    {DFC_BUTTON, DFCS_BUTTONCHECK},
    {DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED},
    {DFC_BUTTON, DFCS_BUTTONRADIO},
    {DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED},
    {DFC_MENU, DFCS_MENUARROW},
    {DFC_MENU, DFCS_MENUCHECK},
    {DFC_MENU, DFCS_MENUBULLET},
};

static HANDLE mapping;
static BYTE *view;
static DWORD capacity;
static HBITMAP dib;
static HDC dib_dc;
static HGDIOBJ dib_dc_default;
static BYTE *snapshot; // the pixels as the sample window last drew them
static DWORD snapshot_size;

static SysBitmapsHeader *header()
{
    return (SysBitmapsHeader *)view;
}

static int clamp_size(int size)
{
    if (size < 4)
        return 4;
    return size > MaxButtonSize ? MaxButtonSize : size;
}

// Caption-button image size: what the module computes from the same metrics.
static void get_button_size(int *w, int *h)
{
    *w = clamp_size(GetSystemMetrics(SM_CXSIZE) - 2);
    *h = clamp_size(GetSystemMetrics(SM_CYSIZE) - 4);
}

static void set_slot(SysBitmapsHeader *hdr, int record, int x, int y, int cx, int cy)
{
    hdr->slots[record][0] = (WORD)x;
    hdr->slots[record][1] = (WORD)y;
    hdr->slots[record][2] = (WORD)cx;
    hdr->slots[record][3] = (WORD)cy;
}

// Grid of W x H cells for records 0 to 38, then the two strips, each as wide as the buttons
// that stand in it with their margins and gaps, and as high as a caption button plus 2 pixels
// above and below.
static void lay_out_slots(SysBitmapsHeader *hdr, int w, int h)
{
    int strip_width = 4 * w + 6;
    int strip_height = h + 4;
    int grid_rows = (GridRecords + GridColumns - 1) / GridColumns;
    for (int i = 0; i < GridRecords; i++)
        set_slot(hdr, i, (i % GridColumns) * w, (i / GridColumns) * h, w, h);
    set_slot(hdr, RecActiveStrip, 0, grid_rows * h, strip_width, strip_height);
    set_slot(hdr, RecInactiveStrip, 0, grid_rows * h + strip_height, strip_width, strip_height);
    hdr->width = GridColumns * w > strip_width ? GridColumns * w : strip_width;
    hdr->height = grid_rows * h + 2 * strip_height;
}

static void get_record_rect(const SysBitmapsHeader *hdr, int record, RECT *rect)
{
    const WORD *slot = hdr->slots[record];
    SetRect(rect, slot[0], slot[1], slot[0] + slot[2], slot[1] + slot[3]);
}

static void draw_image(HDC dc, int x, int y, int w, int h, UINT type, UINT state)
{
    RECT rect = {x, y, x + w, y + h};
    DrawFrameControl(dc, &rect, type, state);
}

// A strip holds, 2 pixels below its top: a 2-pixel margin, minimize, maximize, a 2-pixel gap,
// close, a 2-pixel gap, help; around them the caption's colour.
static void draw_strip(HDC dc, const SysBitmapsHeader *hdr, int record, int colour, int w, int h)
{
    RECT rect;
    get_record_rect(hdr, record, &rect);
    FillRect(dc, &rect, GetSysColorBrush(colour));
    int x = rect.left, y = rect.top + 2;
    draw_image(dc, x + 2, y, w, h, DFC_CAPTION, DFCS_CAPTIONMIN);
    draw_image(dc, x + w + 2, y, w, h, DFC_CAPTION, DFCS_CAPTIONMAX);
    draw_image(dc, x + 2 * w + 4, y, w, h, DFC_CAPTION, DFCS_CAPTIONCLOSE);
    draw_image(dc, x + 3 * w + 6, y, w, h, DFC_CAPTION, DFCS_CAPTIONHELP);
}

static void draw_all(const SysBitmapsHeader *hdr, int w, int h)
{
    RECT all = {0, 0, hdr->width, hdr->height};
    FillRect(dib_dc, &all, GetSysColorBrush(COLOR_3DFACE));
    for (int i = 0; i < GridRecords; i++) {
        RECT rect;
        get_record_rect(hdr, i, &rect);
        DrawFrameControl(dib_dc, &rect, GridImages[i].type, GridImages[i].state);
    }
    // The strips are the right end of a caption: the gradient's end colour on Windows 98.
    draw_strip(dib_dc, hdr, RecActiveStrip, COLOR_GRADIENTACTIVECAPTION, w, h);
    draw_strip(dib_dc, hdr, RecInactiveStrip, COLOR_GRADIENTINACTIVECAPTION, w, h);
    GdiFlush();
}

static void release_dib()
{
    if (dib_dc) {
        SelectObject(dib_dc, dib_dc_default);
        DeleteDC(dib_dc);
        dib_dc = NULL;
    }
    if (dib) {
        DeleteObject(dib);
        dib = NULL;
    }
}

// A top-down 32-bpp DIB section over the pixels in the mapping.
static int make_dib(LONG width, LONG height)
{
    release_dib();
    void *bits = NULL;
    dib = CreateTopDownDib32(width, height, &bits, mapping, QV_SYSBITMAPS_BITS_OFFSET);
    if (!dib)
        return 0;
    dib_dc = CreateCompatibleDC(NULL);
    if (!dib_dc) {
        release_dib();
        return 0;
    }
    dib_dc_default = SelectObject(dib_dc, dib);
    return 1;
}

// Lays the slots out for the current metrics and draws every image as the system's own.
// The generation changes last, after the table and the pixels are complete. Bitmaps taken
// over from a stand-in that ended are kept as they are, whatever was painted into them, unless
// the slots must be laid out anew.
static int build(int first, int keep)
{
    int w, h;
    get_button_size(&w, &h);
    SysBitmapsHeader *hdr = header();
    SysBitmapsHeader was = *hdr;
    lay_out_slots(hdr, w, h);
    if (SysBitmapsMappingSize(hdr->width, hdr->height) > capacity)
        return 0;
    if (first || hdr->width != was.width || hdr->height != was.height || !dib)
        if (!make_dib(hdr->width, hdr->height))
            return 0;
    if (keep && was.magic == QV_SYSBITMAPS_MAGIC && !memcmp(&was, hdr, sizeof was))
        return 1;
    hdr->magic = QV_SYSBITMAPS_MAGIC;
    hdr->headerSize = sizeof(SysBitmapsHeader);
    hdr->bitsOffset = QV_SYSBITMAPS_BITS_OFFSET;
    draw_all(hdr, w, h);
    InterlockedIncrement((LONG *)&hdr->generation);
    return 1;
}

// On Windows 95/98 the system bitmaps are the window manager's, which outlives the shell: when
// the shell ends without its agent's close (a crash, End Task), what was painted into them
// stays until they are drawn anew. Here both are one program, so a keeper (this program with
// --keep-bitmaps) holds the mapping: a stand-in that is killed leaves its bitmaps to the next
// one as they are. A stand-in that closes in order closes the keeper, as a session ends; so
// does half a minute with no stand-in (a shell that ends is back within seconds), since a
// keeper left behind would hold the error output of the test that started the stand-in.
static const char KeeperClassName[] = "QvStandInBitmapKeeper";
static const int KeeperPatience = 30; // seconds

static LRESULT CALLBACK keeper_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    static int idle;
    if (msg == WM_TIMER && (idle = IsStandInRunning() ? 0 : idle + 1) >= KeeperPatience)
        DestroyWindow(hwnd);
    if (msg == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}

int KeepSystemBitmaps()
{
    HANDLE held = OpenFileMappingA(FILE_MAP_READ, FALSE, QV_SYSBITMAPS_MAPPING_NAME);
    if (!held)
        return 1;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = keeper_proc;
    wc.hInstance = AppInstance;
    wc.lpszClassName = KeeperClassName;
    RegisterClassA(&wc);
    HWND keeper = CreateWindowExA(0, KeeperClassName, "", WS_POPUP, 0, 0, 0, 0, NULL, NULL,
                                  AppInstance, NULL);
    SetTimer(keeper, 1, 1000, NULL);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0)
        DispatchMessageA(&msg);
    CloseHandle(held);
    return 0;
}

// Started with no standard handles, as it may outlive whoever started this stand-in (Wine hands
// it that one's error output all the same).
static void start_keeper()
{
    char path[MAX_PATH], line[MAX_PATH + 32];
    if (FindWindowA(KeeperClassName, NULL) || !GetModuleFileNameA(NULL, path, sizeof path))
        return;
    wsprintfA(line, "\"%s\" --keep-bitmaps", path);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(NULL, line, NULL, NULL, FALSE, DETACHED_PROCESS, NULL, NULL, &si, &pi))
        return;
    // Its window shows that it holds the mapping.
    for (int i = 0; i < 100 && !FindWindowA(KeeperClassName, NULL); i++)
        if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0)
            break;
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
}

static void stop_keeper()
{
    HWND keeper = FindWindowA(KeeperClassName, NULL);
    DWORD pid = 0;
    if (!keeper || !GetWindowThreadProcessId(keeper, &pid))
        return;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    PostMessageA(keeper, WM_CLOSE, 0, 0);
    if (process) {
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

static int is_big_enough(const BYTE *existing)
{
    MEMORY_BASIC_INFORMATION info;
    return VirtualQuery(existing, &info, sizeof(info)) && info.RegionSize >= capacity;
}

int CreateSystemBitmaps()
{
    capacity = SysBitmapsMappingSize(GridColumns * MaxButtonSize, 7 * MaxButtonSize + 8);
    mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, capacity,
                                 QV_SYSBITMAPS_MAPPING_NAME);
    if (!mapping)
        return 0;
    // The mapping outlives an earlier stand-in that was killed (its keeper holds it), or while
    // other processes still hold a DC over it (the applet, a test). No other stand-in runs
    // (checked before), so it is ours to take over, as it is, with the generation going on
    // from where it was.
    int adopted = GetLastError() == ERROR_ALREADY_EXISTS;
    view = (BYTE *)MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (view && adopted && !is_big_enough(view)) {
        UnmapViewOfFile(view);
        view = NULL;
    }
    // A fresh mapping's generation starts from the clock, not from 0: a process that kept a
    // DC from an earlier stand-in tells this one apart only by generation and size, and every
    // stand-in would otherwise count 1, 2, ... from the same place.
    if (view && !adopted)
        header()->generation = GetTickCount();
    if (!view || !build(1, adopted)) {
        DestroySystemBitmaps();
        return 0;
    }
    start_keeper();
    return 1;
}

void RebuildSystemBitmaps()
{
    if (view)
        build(0, 0);
}

void DestroySystemBitmaps()
{
    stop_keeper();
    release_dib();
    if (snapshot) {
        HeapFree(GetProcessHeap(), 0, snapshot);
        snapshot = NULL;
        snapshot_size = 0;
    }
    if (view) {
        UnmapViewOfFile(view);
        view = NULL;
    }
    if (mapping) {
        CloseHandle(mapping);
        mapping = NULL;
    }
}

HDC GetSystemBitmapsDC()
{
    return dib_dc;
}

const SysBitmapsHeader *GetSystemBitmapsHeader()
{
    return view ? header() : NULL;
}

int GetSlotRect(int record, RECT *rect)
{
    if (!view || record < 0 || record >= QV_SYSBITMAPS_SLOTS)
        return 0;
    get_record_rect(header(), record, rect);
    return 1;
}

// Another process paints straight into the shared pixels and tells nobody but the window
// manager's windows (by invalidating them); comparing with the last copy tells us too.
int SystemBitmapsChanged()
{
    if (!view)
        return 0;
    const SysBitmapsHeader *hdr = header();
    DWORD size = (DWORD)hdr->width * (DWORD)hdr->height * 4u;
    const BYTE *pixels = view + QV_SYSBITMAPS_BITS_OFFSET;
    if (size != snapshot_size) {
        if (snapshot)
            HeapFree(GetProcessHeap(), 0, snapshot);
        snapshot = (BYTE *)HeapAlloc(GetProcessHeap(), 0, size);
        snapshot_size = snapshot ? size : 0;
        if (snapshot)
            memcpy(snapshot, pixels, size);
        return 1;
    }
    if (!memcmp(snapshot, pixels, size))
        return 0;
    memcpy(snapshot, pixels, size);
    return 1;
}
