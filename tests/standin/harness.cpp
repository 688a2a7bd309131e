#include "harness.h"

#include <stdlib.h>
#include <string.h>

#include "install/loadrequest_shared.h"

std::string WindowsPath(const std::string &path)
{
    if (path.empty() || path[0] != '/')
        return path;
    std::string out = "Z:" + path;
    for (char &c : out)
        if (c == '/')
            c = '\\';
    return out;
}

std::string ProgramFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

bool WaitUntil(const std::function<bool()> &done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return done();
        // Keep this thread's own windows (if any) answering while we wait.
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(50);
    }
}

static std::string standin_path()
{
    const char *path = getenv("QV_STANDIN");
    return WindowsPath(path ? path : ProgramFolder() + "..\\qvdesktop.exe");
}

static HWND find_taskbar_of(DWORD pid)
{
    HWND tray = NULL;
    while ((tray = FindWindowExA(NULL, tray, "Shell_TrayWnd", NULL))) {
        DWORD owner = 0;
        GetWindowThreadProcessId(tray, &owner);
        if (owner == pid && GetPropA(tray, QV_LOADREQUEST_PROP))
            return tray;
    }
    return NULL;
}

bool StartStandIn(StandIn *standin, const char *options)
{
    std::string command = "\"" + standin_path() + "\" " + options;
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    if (!CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si,
                        &standin->process))
        return false;
    DWORD pid = standin->process.dwProcessId;
    bool up = WaitUntil(
        [&] {
            return find_taskbar_of(pid) != NULL ||
                   WaitForSingleObject(standin->process.hProcess, 0) == WAIT_OBJECT_0;
        },
        20000);
    standin->taskbar = find_taskbar_of(pid);
    // The sample window comes right after the taskbar; wait for its first paint, so that
    // what a test paints later is not shown by that one.
    if (up && standin->taskbar && !strstr(options, "--no-sample"))
        WaitUntil(
            [] {
                HWND sample = FindSampleWindow();
                RECT rect;
                if (!sample || !GetWindowRect(sample, &rect))
                    return false;
                RECT spot = {rect.left + 8, rect.bottom - 9, rect.left + 9, rect.bottom - 8};
                return CaptureScreen(spot)[0] == Rgb(GetSysColor(COLOR_3DFACE));
            },
            5000);
    return standin->taskbar != NULL;
}

void StopStandIn(StandIn *standin)
{
    if (!standin->process.hProcess)
        return;
    if (standin->taskbar)
        PostMessageA(standin->taskbar, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(standin->process.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(standin->process.hProcess, 1);
    WaitForSingleObject(standin->process.hProcess, 5000);
    CloseHandle(standin->process.hProcess);
    CloseHandle(standin->process.hThread);
    standin->process = {};
    standin->taskbar = NULL;
}

HWND FindSampleWindow()
{
    return FindWindowA("QvStandInSampleWindow", NULL);
}

RECT SharedBitmaps::slot(int record) const
{
    const WORD *s = header()->slots[record];
    RECT rect = {s[0], s[1], s[0] + s[2], s[1] + s[3]};
    return rect;
}

bool OpenSharedBitmaps(SharedBitmaps *bitmaps)
{
    bitmaps->mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, QV_SYSBITMAPS_MAPPING_NAME);
    if (!bitmaps->mapping)
        return false;
    bitmaps->view = (BYTE *)MapViewOfFile(bitmaps->mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (!bitmaps->view)
        return false;
    const SysBitmapsHeader *hdr = bitmaps->header();
    void *bits = NULL;
    bitmaps->dib =
        CreateTopDownDib32(hdr->width, hdr->height, &bits, bitmaps->mapping, hdr->bitsOffset);
    if (!bitmaps->dib)
        return false;
    bitmaps->dc = CreateCompatibleDC(NULL);
    bitmaps->dcDefault = SelectObject(bitmaps->dc, bitmaps->dib);
    return true;
}

void CloseSharedBitmaps(SharedBitmaps *bitmaps)
{
    if (bitmaps->dc) {
        SelectObject(bitmaps->dc, bitmaps->dcDefault);
        DeleteDC(bitmaps->dc);
    }
    if (bitmaps->dib)
        DeleteObject(bitmaps->dib);
    if (bitmaps->view)
        UnmapViewOfFile(bitmaps->view);
    if (bitmaps->mapping)
        CloseHandle(bitmaps->mapping);
    *bitmaps = SharedBitmaps();
}

std::vector<DWORD> ReadSharedPixels(const SharedBitmaps &bitmaps, const RECT &rect)
{
    GdiFlush();
    const SysBitmapsHeader *hdr = bitmaps.header();
    const DWORD *pixels = (const DWORD *)(bitmaps.view + hdr->bitsOffset);
    std::vector<DWORD> out;
    for (int y = rect.top; y < rect.bottom; y++)
        for (int x = rect.left; x < rect.right; x++)
            out.push_back(pixels[y * hdr->width + x] & 0xFFFFFF);
    return out;
}

// Reads a DC's rectangle through a top-down 32-bpp DIB.
static std::vector<DWORD> read_dc(HDC source, int x, int y, int w, int h)
{
    void *bits = NULL;
    HBITMAP dib = CreateTopDownDib32(w, h, &bits);
    HDC dc = CreateCompatibleDC(NULL);
    HGDIOBJ old = SelectObject(dc, dib);
    BitBlt(dc, 0, 0, w, h, source, x, y, SRCCOPY);
    GdiFlush();
    std::vector<DWORD> out((const DWORD *)bits, (const DWORD *)bits + w * h);
    for (DWORD &p : out)
        p &= 0xFFFFFF;
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(dib);
    return out;
}

std::vector<DWORD> DrawFrameImage(int w, int h, UINT type, UINT state)
{
    HDC screen = GetDC(NULL);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(NULL, screen);
    void *bits = NULL;
    HBITMAP dib = CreateTopDownDib32(w, h, &bits);
    HGDIOBJ old = SelectObject(dc, dib);
    RECT rect = {0, 0, w, h};
    DrawFrameControl(dc, &rect, type, state);
    std::vector<DWORD> out = read_dc(dc, 0, 0, w, h);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(dib);
    return out;
}

void FillShared(const SharedBitmaps &bitmaps, const RECT &rect, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(bitmaps.dc, &rect, brush);
    DeleteObject(brush);
    GdiFlush();
}

std::vector<DWORD> CaptureScreen(const RECT &rect)
{
    HDC screen = GetDC(NULL);
    std::vector<DWORD> out =
        read_dc(screen, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    ReleaseDC(NULL, screen);
    return out;
}

std::vector<POINT> FindBlocks(const std::vector<DWORD> &pixels, int width, int height, DWORD colour,
                              int w, int h)
{
    std::vector<POINT> found;
    std::vector<char> taken(pixels.size(), 0);
    for (int y = 0; y + h <= height; y++)
        for (int x = 0; x + w <= width; x++) {
            if (taken[y * width + x] || pixels[y * width + x] != colour)
                continue;
            bool whole = true;
            for (int j = 0; j < h && whole; j++)
                for (int i = 0; i < w && whole; i++)
                    whole = pixels[(y + j) * width + x + i] == colour;
            if (!whole)
                continue;
            found.push_back({x, y});
            for (int j = 0; j < h; j++)
                for (int i = 0; i < w; i++)
                    taken[(y + j) * width + x + i] = 1;
        }
    return found;
}

#include "testserver.h"

void ClearRecords()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, TESTSERVER_KEY);
}

DWORD RecordedDword(const char *name)
{
    HKEY key;
    DWORD value = 0, size = sizeof(value), type = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, TESTSERVER_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE *)&value, &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        value = 0;
    RegCloseKey(key);
    return value;
}

std::string RecordedText(const char *name)
{
    HKEY key;
    char text[1024] = "";
    DWORD size = sizeof(text) - 1, type = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, TESTSERVER_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "";
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE *)text, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        text[0] = 0;
    RegCloseKey(key);
    return text;
}
