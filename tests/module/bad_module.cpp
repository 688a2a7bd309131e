// A module built the wrong way on purpose (Pentium Pro code, C runtime imports, a function
// that Windows 95 lacks, a decorated export): the module check must reject it on each count.
#include <windows.h>
#include <stdio.h>

extern "C" __declspec(dllexport) int __stdcall BadExport(int a, int b)
{
    char path[MAX_PATH];
    GetLongPathNameA("C:\\", path, sizeof path); // Windows 98 and later only
    printf("%d\n", a);
    return a > b ? a : b;
}
