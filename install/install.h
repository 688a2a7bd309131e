// Installing and starting the agent: self-registration as an in-process server and as a
// program that can be removed (register.cpp), the rundll32 entry points that start, stop and
// remove the agent (activate.cpp), and the request that has the shell, or the stand-in desktop,
// load the module in its own process (loadrequest.cpp, loadrequest_shared.h).
#pragma once

#include "module/module.h"

// ClsidToString: the registry form of a class identifier ("{XXXXXXXX-...}", upper case) in
// ANSI, cut to outSize; made without COM.
char *ClsidToString(const GUID *clsid, char *out, int outSize);

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer(void);
extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer(void);

extern "C" int WINAPI RUNDLL_QvIn(HWND owner, HINSTANCE instance, LPSTR commandLine, int show);
extern "C" int WINAPI RUNDLL_QvOut(HWND owner, HINSTANCE instance, LPSTR commandLine, int show);
extern "C" int WINAPI RUNDLL_Remove(HWND owner, HINSTANCE instance, LPSTR commandLine, int show);

void ReloadAgent();
void NotifyAgent(int reload);

// Asks the shell to create the module's object in its own process: the stand-in desktop
// when its taskbar says it takes such requests, otherwise SHLoadInProc.
HRESULT RequestShellLoad(REFCLSID clsid);
