// Registry access: every key is opened, used once and closed again within the call.
#include "module/module.h"

int JoinRegistryPath(char *dst, int dstSize, const char *path, const char *subkey)
{
    // A path too long for the buffer is refused, never cut: a cut path names another key.
    return FormatText(dst, dstSize, "%s%s%s", path, subkey ? "\\" : "", subkey ? subkey : "");
}

int RegReadValueSized(HKEY root, const char *path, const char *subkey, const char *name, void *data,
                      DWORD capacity, DWORD *type, DWORD *size)
{
    char joined[JoinedPathSize];
    HKEY key;
    if (size)
        *size = 0;
    if (!JoinRegistryPath(joined, sizeof joined, path, subkey))
        return 0;
    if (RegOpenKeyExA(root, joined, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return 0;
    DWORD count = capacity;
    LONG result = RegQueryValueExA(key, name, nullptr, type, static_cast<BYTE *>(data), &count);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return 0;
    if (size)
        *size = count;
    return 1;
}

int RegReadValue(HKEY root, const char *path, const char *subkey, const char *name, void *data,
                 DWORD capacity, DWORD *type)
{
    return RegReadValueSized(root, path, subkey, name, data, capacity, type, nullptr);
}

int RegWriteValue(HKEY root, const char *path, const char *subkey, const void *data,
                  const char *name, DWORD size, DWORD type)
{
    char joined[JoinedPathSize];
    HKEY key;
    if (!JoinRegistryPath(joined, sizeof joined, path, subkey))
        return 0;
    if (RegCreateKeyExA(root, joined, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return 0;
    // A value the registry refused is not written: saying so lets a caller tell the user.
    LONG result = ERROR_SUCCESS;
    if (data)
        result = RegSetValueExA(key, name, 0, type, static_cast<const BYTE *>(data), size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

int RegDeleteValueAt(HKEY root, const char *path, const char *subkey, const char *name)
{
    char joined[JoinedPathSize];
    HKEY key;
    if (!JoinRegistryPath(joined, sizeof joined, path, subkey))
        return 0;
    if (RegOpenKeyExA(root, joined, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return 0;
    LONG result = RegDeleteValueA(key, name);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

// Depth first: the subkey at index 0 is deleted on each pass, so the next one moves up to
// index 0. The first error met stops the walk and is passed up through every level.
LONG RegDeleteTree(HKEY root, const char *path)
{
    HKEY key;
    LONG result = RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &key);
    if (result != ERROR_SUCCESS)
        return result;
    for (;;) {
        char name[SubkeyNameSize];
        DWORD capacity = sizeof name;
        FILETIME written;
        if (RegEnumKeyExA(key, 0, name, &capacity, nullptr, nullptr, nullptr, &written) !=
            ERROR_SUCCESS) {
            RegCloseKey(key);
            return RegDeleteKeyA(root, path);
        }
        result = RegDeleteTree(key, name);
        if (result != ERROR_SUCCESS) {
            RegCloseKey(key);
            return result;
        }
    }
}
