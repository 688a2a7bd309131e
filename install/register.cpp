// Self-registration: the class as an in-process server with apartment threading, and the
// product's entry in the list of installed programs.
#include "install/install.h"

static constexpr int WorkBufferSize = 512;

// Made here rather than by StringFromCLSID, which is COM's and may not be called before
// CoInitialize; the shell's thread and rundll32 have not initialised COM for the module.
char *ClsidToString(const GUID *clsid, char *out, int outSize)
{
    char text[39];
    char *p = text;
    *p++ = '{';
    PutHex(p, clsid->Data1, 8);
    p += 8;
    *p++ = '-';
    PutHex(p, clsid->Data2, 4);
    p += 4;
    *p++ = '-';
    PutHex(p, clsid->Data3, 4);
    p += 4;
    for (int i = 0; i < 8; i++) {
        if (i == 0 || i == 2)
            *p++ = '-';
        PutHex(p, clsid->Data4[i], 2);
        p += 2;
    }
    *p++ = '}';
    *p = '\0';
    CopyText(out, outSize, text);
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
