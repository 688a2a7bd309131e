#include "agent/test_taskbar.h"
#include "install/loadrequest_shared.h"
#include <objbase.h>

static const char TrayClass[] = "Shell_TrayWnd";
static const char TaskbarProp[] = "QvTestTaskbar";

static TestTaskbar *FromWindow(HWND hwnd)
{
    return static_cast<TestTaskbar *>(GetPropA(hwnd, TaskbarProp));
}

static LRESULT CALLBACK ButtonProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    TestTaskbar *bar = FromWindow(hwnd);
    if (message == BM_SETIMAGE && bar) {
        HBITMAP picture = reinterpret_cast<HBITMAP>(lparam);
        bar->received.push_back(picture);
        bar->receivedAt.push_back(GetTickCount());
        if (bar->onSetImage)
            bar->onSetImage(picture);
    }
    return CallWindowProcA(bar ? bar->buttonProc : DefWindowProcA, hwnd, message, wparam, lparam);
}

static LRESULT HandleLoadRequest(TestTaskbar *bar, const COPYDATASTRUCT *data)
{
    if (!data || data->dwData != QV_LOADREQUEST_TAG || data->cbData != sizeof(CLSID))
        return E_INVALIDARG;
    bar->loadRequests++;
    CLSID clsid;
    memcpy(&clsid, data->lpData, sizeof clsid);
    IUnknown *object = nullptr;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                  reinterpret_cast<void **>(&object));
    if (object)
        object->Release();
    return hr;
}

static LRESULT CALLBACK TrayProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    TestTaskbar *bar = FromWindow(hwnd);
    if (!bar)
        return DefWindowProcA(hwnd, message, wparam, lparam);
    switch (message) {
    case WM_COPYDATA:
        return HandleLoadRequest(bar, reinterpret_cast<COPYDATASTRUCT *>(lparam));
    case QueryShowsShellPicture:
        return bar->Current() == bar->shellPicture;
    case QueryPictureWidth:
        return bar->CurrentSize().cx;
    case QuerySetImageCount:
        return bar->SetImageCount();
    case QueryLiveCustomPictures:
        return bar->LiveCustomPictures();
    case QueryLoadRequests:
        return bar->loadRequests;
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

static HBITMAP MakeShellPicture()
{
    HDC screen = GetDC(nullptr);
    HBITMAP picture = CreateCompatibleBitmap(screen, ShellPictureWidth, ShellPictureHeight);
    ReleaseDC(nullptr, screen);
    return picture;
}

bool TestTaskbar::Create(DWORD buttonStyle, bool takesLoadRequests)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = TrayProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = TrayClass;
    RegisterClassA(&wc);
    // Topmost, as a real taskbar: the first "Shell_TrayWnd" in Z order is the one found.
    // Hidden, because hiding a shown window costs Wine seconds on a display without a
    // window manager; the lookup and the button's picture do not depend on it.
    tray = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TrayClass, "", WS_POPUP, 0, 700, 400,
                           34, nullptr, nullptr, wc.hInstance, nullptr);
    if (!tray)
        return false;
    SetPropA(tray, TaskbarProp, this);
    if (takesLoadRequests)
        SetPropA(tray, QV_LOADREQUEST_PROP, reinterpret_cast<HANDLE>(1));
    button =
        CreateWindowExA(0, "Button", "Start", WS_CHILD | WS_VISIBLE | buttonStyle, 2, 3,
                        TestButtonWidth, TestButtonHeight, tray, nullptr, wc.hInstance, nullptr);
    if (!button)
        return false;
    shellPicture = MakeShellPicture();
    SendMessageA(button, BM_SETIMAGE, IMAGE_BITMAP, (LPARAM)shellPicture);
    SetPropA(button, TaskbarProp, this);
    buttonProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ButtonProc)));
    return true;
}

void TestTaskbar::Destroy()
{
    if (button) {
        SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(buttonProc));
        RemovePropA(button, TaskbarProp);
    }
    if (tray) {
        RemovePropA(tray, TaskbarProp);
        RemovePropA(tray, QV_LOADREQUEST_PROP);
        DestroyWindow(tray);
    }
    if (shellPicture)
        DeleteObject(shellPicture);
    tray = button = nullptr;
    shellPicture = nullptr;
}

HBITMAP TestTaskbar::Current() const
{
    return reinterpret_cast<HBITMAP>(SendMessageA(button, BM_GETIMAGE, IMAGE_BITMAP, 0));
}

SIZE TestTaskbar::CurrentSize() const
{
    SIZE size = {0, 0};
    BITMAP info;
    HBITMAP picture = Current();
    if (picture && GetObjectA(picture, sizeof info, &info)) {
        size.cx = info.bmWidth;
        size.cy = info.bmHeight;
    }
    return size;
}

int TestTaskbar::LiveCustomPictures() const
{
    std::vector<HBITMAP> seen;
    int live = 0;
    for (HBITMAP h : received) {
        if (!h || h == shellPicture)
            continue;
        bool counted = false;
        for (HBITMAP s : seen)
            counted = counted || s == h;
        if (counted)
            continue;
        seen.push_back(h);
        if (GetObjectType(h) == OBJ_BITMAP)
            live++;
    }
    return live;
}

void TestTaskbar::ReplaceShellPicture()
{
    HBITMAP old = shellPicture;
    shellPicture = MakeShellPicture();
    SendMessageA(button, BM_SETIMAGE, IMAGE_BITMAP, (LPARAM)shellPicture);
    DeleteObject(old);
}

void PumpMessages(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

bool PumpUntil(const std::function<bool()> &done, DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done())
            return true;
        DWORD spent = GetTickCount() - start;
        if (spent >= ms)
            return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent < 20 ? ms - spent : 20,
                                  QS_ALLINPUT);
    }
}

static BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lparam)
{
    auto *found = reinterpret_cast<std::pair<const char *, std::vector<HWND> *> *>(lparam);
    char name[256];
    if (GetClassNameA(hwnd, name, sizeof name) && lstrcmpA(name, found->first) == 0)
        found->second->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> TopLevelWindows(const char *className)
{
    std::vector<HWND> windows;
    std::pair<const char *, std::vector<HWND> *> search(className, &windows);
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return windows;
}
