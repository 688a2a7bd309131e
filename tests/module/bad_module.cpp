// A module built the wrong way on purpose (Pentium Pro code, C runtime imports, a
// decorated export): the module check must reject it.
#include <stdio.h>

extern "C" __declspec(dllexport) int __stdcall BadExport(int a, int b)
{
    printf("%d\n", a);
    return a > b ? a : b;
}
