// The Control Panel applet: entry, settings sheet, pages, file chooser.
#pragma once

#include "module/module.h"
#include "res/resource.h"

extern "C" LONG APIENTRY CPlApplet(HWND hwndCpl, UINT message, LPARAM param1, LPARAM param2);
INT_PTR ShowSettingsSheet(HWND parent);

INT_PTR CALLBACK StartPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK FramePageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
void UpdateFramePage(HWND page, FrameImagePath *list);

extern const char *const FrameImageNames[FrameImageCount];

// After a page has stored its settings: writes the Run value (when asked) so that the agent
// starts at every logon, then refreshes the agent (reload 0; started when none runs) or
// restarts it (reload 1). page owns any message shown to the user.
void ActivateAgent(HWND page, int writeRunValue, int reload);

char *ChooseBitmapFile(HWND owner, char *buffer, int bufferSize, const char *title);
