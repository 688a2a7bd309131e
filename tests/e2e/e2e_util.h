// The whole chain as a user's session sees it: the stand-in desktop (the shell and window
// manager), Wine's rundll32 and control.exe running the built module, and this program looking
// at the screen and the windows from outside.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "standin/harness.h"

// Windows path of the built module (QV_MODULE).
std::string ModulePath();
// Loads the built module and makes the module code linked into this program act for it: the
// paths it registers name the module, its message is the agent's. Returns the module.
HMODULE ActAsTheModule();
// A folder of this session's pictures, with a trailing backslash; made on first use.
std::string ImageFolder();
// Writes a w x h 24-bit BMP of one colour; returns its path.
std::string WriteSolidBitmap(const std::string &name, int w, int h, COLORREF colour);

// The caption-button image size that the module and the stand-in compute.
int CaptionWidth();
int CaptionHeight();

// The 13 caption-button images, in the order of the stored list.
inline constexpr int FrameImages = 13;
struct FrameImageCase {
    int record;       // the stand-in's record (Windows 98 numbering)
    UINT state;       // what DrawFrameControl draws there as the system's own
    int sampleBlocks; // how often the sample window shows the image
};
extern const FrameImageCase FrameCases[FrameImages];

// ---- Settings as the applet stores them. ----

void StoreStartButton(DWORD value, const std::string &file);
void StoreFrameImages(const std::vector<std::string> &paths);
void ClearSettings();

// The current user's Run values are set aside while a session runs and put back after.
class RunValues
{
  public:
    void SetAside();
    void PutBack();
    static void Set(const char *name, const std::string &command);
    static bool Has(const char *name);

  private:
    struct Saved {
        std::string name;
        DWORD type;
        std::vector<BYTE> data;
    };
    std::vector<Saved> saved;
};

// ---- Processes and windows. ----

bool StartProcess(const std::string &commandLine, PROCESS_INFORMATION *process);
void EndProcess(PROCESS_INFORMATION *process, DWORD waitMs);
// Runs Wine's rundll32 on the module's entry; returns its exit code (or -1 when it hung).
int RunRundll(const char *entry, DWORD timeoutMs = 30000);
std::string RunAndCapture(const std::string &commandLine, DWORD timeoutMs = 30000);

std::vector<HWND> TopLevelWindows(const char *className);
DWORD WindowProcess(HWND window);
std::vector<HWND> AgentWindows();
// The agent window that runs in that process (the shell's), or NULL.
HWND AgentOf(DWORD processId);
// A visible dialog-class window of that process with that caption, or NULL.
HWND FindProcessDialog(DWORD processId, const char *caption);
std::string WindowText(HWND window);
// The text of a message box (its first static control with text).
std::string MessageBoxText(HWND box);

// ---- What the screen shows. ----

HWND StartButton(HWND taskbar);
// The Start pictures of the tests are 40 x 16 and of one colour; the button centres its
// picture, and most of it is enough to recognise it.
inline constexpr int StartPictureWidth = 40;
inline constexpr int StartPictureHeight = 16;
size_t CountOnStartButton(HWND taskbar, COLORREF colour);
std::vector<DWORD> CaptureWindow(HWND window, int *width, int *height);
// Blocks of the colour at least w x h in the window's screen picture.
size_t CountBlocksIn(HWND window, COLORREF colour, int w, int h);
// Blocks of a caption-button image's size in the sample window.
size_t CountInSample(COLORREF colour);
