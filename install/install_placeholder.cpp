// placeholder: stands in for the activation entry points until they are merged.
#include "install/install.h"

void NotifyAgent(int reload)
{
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer(void)
{
    return S_OK;
}
