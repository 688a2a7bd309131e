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

char *ChooseBitmapFile(HWND owner, char *buffer, int bufferSize, const char *title);
