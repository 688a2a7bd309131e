// Process attach, the module's shared state, and the COM unload query.
#include "module/module.h"

HINSTANCE ModuleInstance = nullptr;
UINT AgentMessage = 0;
int UnloadAllowed = 1;
void (*ModuleDetachHook)() = nullptr;

// {6F1C3A52-8E4B-4D7A-9C2E-51B0A7D3E8F4}
const GUID ModuleClassId = {
    0x6F1C3A52, 0x8E4B, 0x4D7A, {0x9C, 0x2E, 0x51, 0xB0, 0xA7, 0xD3, 0xE8, 0xF4}};

extern "C" BOOL WINAPI ModuleEntry(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        ModuleInstance = instance;
        // The same name gives the same id in every process, so the applet, rundll32 and the
        // shell agree on the agent's message without exchanging it.
        AgentMessage = RegisterWindowMessageA(AgentMessageName);
    } else if (reason == DLL_PROCESS_DETACH && !reserved) {
        // The system keeps a DLL's window class after the DLL is freed, with a window
        // procedure pointing into code that is gone; an agent made after a later load
        // would run it. So the agent's class goes with the module (a reload registers it
        // afresh). When the process ends (reserved set), the class goes with it anyway.
        UnregisterClassA(AgentClassName, instance);
        // What a subsystem made for this process that only this would release (the DC and
        // bitmap over the stand-in's pixels): each load would leave it behind.
        if (ModuleDetachHook)
            ModuleDetachHook();
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow(void)
{
    return UnloadAllowed ? S_OK : S_FALSE;
}
