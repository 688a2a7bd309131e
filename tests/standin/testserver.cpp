// The test in-process server (qvtestserver.dll): records where it runs, hands out a plain object
// for one class and refuses another; RUNDLL_WriteMarker records a rundll32 call.
#include <objbase.h>
#include <windows.h>

#include "testserver.h"

static LONG objects;
static LONG locks;
static HWND start_button;      // while our picture is on it
static HBITMAP previous_start; // what was there before

static void record_dword(const char *name, DWORD value)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, TESTSERVER_KEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                        NULL) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&value, sizeof(value));
    RegCloseKey(key);
}

static void record_text(const char *name, const char *text)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, TESTSERVER_KEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                        NULL) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text, lstrlenA(text) + 1);
    RegCloseKey(key);
}

// 1 when the calling thread is in a single-threaded apartment already.
static DWORD apartment_state()
{
    HRESULT hr = CoInitialize(NULL);
    if (SUCCEEDED(hr))
        CoUninitialize();
    if (hr == S_FALSE)
        return 1;
    return hr == RPC_E_CHANGED_MODE ? 2 : 0;
}

struct Object : IUnknown {
    LONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (!IsEqualIID(iid, IID_IUnknown)) {
            *out = NULL;
            return E_NOINTERFACE;
        }
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = InterlockedDecrement(&refs);
        if (!left) {
            record_dword("ObjectReleased", 1);
            InterlockedDecrement(&objects);
            delete this;
        }
        return left;
    }
};

struct Factory : IClassFactory {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) {
            *out = NULL;
            return E_NOINTERFACE;
        }
        *out = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **out) override
    {
        *out = NULL;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        Object *object = new Object;
        InterlockedIncrement(&objects);
        HRESULT hr = object->QueryInterface(iid, out);
        object->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        if (lock)
            InterlockedIncrement(&locks);
        else
            InterlockedDecrement(&locks);
        return S_OK;
    }
};
static Factory factory;

static void record_caller()
{
    record_dword("LoadedInProcess", GetCurrentProcessId());
    record_dword("LoadedOnThread", GetCurrentThreadId());
    record_dword("Apartment", apartment_state());
}

static HWND find_start_button()
{
    HWND tray = FindWindowExA(NULL, NULL, "Shell_TrayWnd", NULL);
    return tray ? FindWindowExA(tray, NULL, "Button", NULL) : NULL;
}

static void put_start_picture()
{
    HWND button = find_start_button();
    if (!button || start_button)
        return;
    HDC screen = GetDC(NULL);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP picture = CreateCompatibleBitmap(screen, 40, 16);
    ReleaseDC(NULL, screen);
    HGDIOBJ old = SelectObject(dc, picture);
    HBRUSH brush = CreateSolidBrush(TESTSERVER_PICTURE_COLOUR);
    RECT all = {0, 0, 40, 16};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteDC(dc);
    previous_start = (HBITMAP)SendMessageA(button, BM_SETIMAGE, IMAGE_BITMAP, (LPARAM)picture);
    start_button = button;
    record_dword("HadStartPicture", previous_start != NULL);
}

static void restore_start_picture()
{
    if (!start_button)
        return;
    HBITMAP ours =
        (HBITMAP)SendMessageA(start_button, BM_SETIMAGE, IMAGE_BITMAP, (LPARAM)previous_start);
    record_dword("GotOwnPictureBack", ours != NULL && GetObjectType(ours) == OBJ_BITMAP);
    if (ours)
        DeleteObject(ours);
    start_button = NULL;
    previous_start = NULL;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void **out)
{
    *out = NULL;
    if (IsEqualCLSID(clsid, TestStartPictureClass)) {
        put_start_picture();
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    if (IsEqualCLSID(clsid, TestStartRestoreClass)) {
        restore_start_picture();
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    if (IsEqualCLSID(clsid, TestRefusingClass)) {
        record_caller();
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    if (!IsEqualCLSID(clsid, TestObjectClass))
        return CLASS_E_CLASSNOTAVAILABLE;
    record_caller();
    return factory.QueryInterface(iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow(void)
{
    // Not while our picture is on the Start button: it is ours to take back.
    return objects == 0 && locks == 0 && !start_button ? S_OK : S_FALSE;
}

extern "C" void WINAPI RUNDLL_WriteMarker(HWND, HINSTANCE, LPSTR commandLine, int)
{
    record_dword("RundllProcess", GetCurrentProcessId());
    record_text("RundllCommandLine", commandLine ? commandLine : "");
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    // Unloaded while its process goes on (reserved is NULL for FreeLibrary).
    if (reason == DLL_PROCESS_DETACH && !reserved)
        record_dword("UnloadedFrom", GetCurrentProcessId());
    return TRUE;
}
