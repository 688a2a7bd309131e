// Self-registration: the class as an in-process server with apartment threading, and the
// product's entry in the list of installed programs.
#include "install/install.h"
#include <objbase.h>

static constexpr int WorkBufferSize = 512;

char *ClsidToString(const GUID *clsid, char *out, int outSize)
{
    LPOLESTR wide = nullptr;
    if (FAILED(StringFromCLSID(*clsid, &wide)) || !wide)
        return nullptr;
    // The text holds only braces, hexadecimal digits and hyphens: one byte per character.
    int n = 0;
    if (outSize > 0) {
        while (n < outSize - 1 && wide[n]) {
            out[n] = static_cast<char>(wide[n]);
            n++;
        }
        out[n] = '\0';
    }
    CoTaskMemFree(wide);
    return out;
}

// "CLSID\{...}" for the module's class; 0 when the identifier's text cannot be made.
static int FormatClassKeyPath(char *out, int outSize)
{
    char clsid[WorkBufferSize];
    if (!ClsidToString(&ModuleClassId, clsid, sizeof clsid))
        return 0;
    return FormatText(out, outSize, "CLSID\\%s", clsid);
}

static void WriteText(HKEY root, const char *path, const char *subkey, const char *name,
                      const char *text)
{
    RegWriteValue(root, path, subkey, text, name, lstrlenA(text) + 1, REG_SZ);
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer(void)
{
    char modulePath[WorkBufferSize];
    char classKey[WorkBufferSize];
    char command[WorkBufferSize];
    // A cut module path would register a file that does not exist; write nothing then.
    if (!GetModulePath(modulePath, sizeof modulePath))
        return S_OK;

    if (FormatClassKeyPath(classKey, sizeof classKey)) {
        WriteText(HKEY_CLASSES_ROOT, classKey, nullptr, nullptr, ProductName);
        WriteText(HKEY_CLASSES_ROOT, classKey, "InprocServer32", nullptr, modulePath);
        WriteText(HKEY_CLASSES_ROOT, classKey, "InprocServer32", "ThreadingModel", "Apartment");
    }
    WriteText(HKEY_LOCAL_MACHINE, UninstallKeyPath, ProductName, "DisplayName", ProductName);
    // No uninstall command at all rather than one that rundll32 cannot run.
    if (GetRundllModulePath(modulePath, sizeof modulePath) &&
        FormatText(command, sizeof command, RemoveCommandFormat, modulePath))
        WriteText(HKEY_LOCAL_MACHINE, UninstallKeyPath, ProductName, "UninstallString", command);
    return S_OK;
}

// The uninstall entry stays: only the removal deletes it.
extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer(void)
{
    char classKey[WorkBufferSize];
    if (FormatClassKeyPath(classKey, sizeof classKey))
        RegDeleteTree(HKEY_CLASSES_ROOT, classKey);
    return S_OK;
}
