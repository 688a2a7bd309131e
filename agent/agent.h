// The shell agent: the hidden window in the shell's process that applies the choices, paints
// them again after colour, display and caption-size changes and undoes them on close
// (agent.cpp), the lookup of windows by a path of class names (winpath.cpp), and the Start
// button's picture (startbutton.cpp).
#pragma once

#include "module/module.h"

inline constexpr UINT_PTR RefreshTimerId = 64000;
inline constexpr UINT RefreshDelayMs = 1000;
inline constexpr char StartButtonPath[] = "Shell_TrayWnd;Button";
// A stretched Start picture fills the button's client area less this margin.
inline constexpr int StartStretchMargin = 6;

extern int AgentClosing;
extern HWND StartButtonWindow;
extern HBITMAP PreviousStartImage;
// The picture this agent made and put on the button; NULL when none of ours is on it.
extern HBITMAP AppliedStartImage;

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID *ppv);
LRESULT CALLBACK AgentWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
void ResetAgentState(int unloadAllowed);

HWND FindWindowByPath(const char *path);

void ApplyStartButton();
void RestoreStartButton();
