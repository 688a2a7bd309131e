#include "sheet_driver.h"

#include <atomic>
#include <thread>

namespace sheetdriver
{

bool WaitFor(const std::function<bool()> &pred, int timeoutMs)
{
    for (int waited = 0;; waited += 20) {
        if (pred())
            return true;
        if (waited >= timeoutMs)
            return false;
        Sleep(20);
    }
}

namespace
{
struct Search {
    const char *caption;
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND hwnd, LPARAM param)
{
    auto *search = reinterpret_cast<Search *>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char caption[256] = "", cls[64] = "";
    if (pid != search->processId || !IsWindowVisible(hwnd))
        return TRUE;
    GetClassNameA(hwnd, cls, sizeof cls);
    GetWindowTextA(hwnd, caption, sizeof caption);
    if (lstrcmpA(cls, "#32770") == 0 && lstrcmpA(caption, search->caption) == 0) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}
} // namespace

HWND FindDialog(const char *caption, DWORD processId)
{
    Search search = {caption, processId, nullptr};
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForDialog(const char *caption, int timeoutMs, DWORD processId)
{
    HWND found = nullptr;
    WaitFor([&] { return (found = FindDialog(caption, processId)) != nullptr; }, timeoutMs);
    return found;
}

HWND Page(HWND sheet, int index)
{
    return reinterpret_cast<HWND>(SendMessageA(sheet, SheetIndexToPage, index, 0));
}

HWND CurrentPage(HWND sheet)
{
    return reinterpret_cast<HWND>(SendMessageA(sheet, SheetGetCurrentPage, 0, 0));
}

void Click(HWND control)
{
    SendMessageA(control, BM_CLICK, 0, 0);
}

void PostClick(HWND control)
{
    PostMessageA(control, BM_CLICK, 0, 0);
}

void Click(HWND dialog, int id)
{
    Click(GetDlgItem(dialog, id));
}

void PostClick(HWND dialog, int id)
{
    PostClick(GetDlgItem(dialog, id));
}

void Type(HWND edit, const std::string &text)
{
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_CHAR, VK_BACK, 0);
    for (char c : text)
        SendMessageA(edit, WM_CHAR, static_cast<BYTE>(c), 1);
}

void Pick(HWND combo, int index)
{
    SendMessageA(combo, CB_SETCURSEL, index, 0);
    SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
}

void PostSelectTab(HWND sheet, int index)
{
    PostMessageA(sheet, SheetSetCurSel, index, 0);
}

std::string Text(HWND window)
{
    char text[2048] = "";
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

bool Enabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

bool Checked(HWND dialog, int id)
{
    return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool ApplyEnabled(HWND sheet)
{
    return IsWindowEnabled(GetDlgItem(sheet, ApplyButtonId)) != FALSE;
}

static BOOL CALLBACK AnswerBox(HWND hwnd, LPARAM sheet)
{
    char cls[16] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (hwnd != reinterpret_cast<HWND>(sheet) && !strcmp(cls, "#32770"))
        PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
    return TRUE;
}

// Answers (with OK) every dialog of the sheet's thread other than the sheet itself.
static void CloseBoxesOver(HWND sheet)
{
    EnumThreadWindows(GetWindowThreadProcessId(sheet, nullptr), AnswerBox,
                      reinterpret_cast<LPARAM>(sheet));
}

INT_PTR RunSheet(const std::function<INT_PTR()> &show, const std::function<void(HWND)> &script,
                 int timeoutMs)
{
    std::atomic<bool> closed(false);
    std::thread driver([&] {
        HWND sheet = WaitForDialog("Quorvia", timeoutMs);
        if (!sheet)
            return;
        script(sheet);
        // A sheet told to close notices only when its loop gets a message: wake it. If the
        // script left it open, cancel it (and any box on it).
        if (!WaitFor([&] { return closed.load(); }, 100) && IsWindow(sheet))
            PostMessageA(sheet, WM_NULL, 0, 0);
        // A message box over the sheet (a failed step can leave one) keeps the sheet
        // disabled: answer every box of the sheet's thread, then cancel, until it is gone.
        for (int tries = 0; tries < 20 && !closed.load() && IsWindow(sheet); tries++) {
            CloseBoxesOver(sheet);
            PostClick(sheet, IDCANCEL);
            WaitFor([&] { return closed.load(); }, 500);
        }
    });
    INT_PTR result = show();
    closed = true;
    driver.join();
    return result;
}

} // namespace sheetdriver
