#include "sheet_driver.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "framectl/framectl.h"
#include "framectl/sysbitmaps_shared.h"

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

void PostKeyPress(HWND sheet, HWND button)
{
    SendMessageA(sheet, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
    PostMessageA(button, WM_KEYDOWN, VK_SPACE, 0x00390001);
    PostMessageA(button, WM_KEYUP, VK_SPACE, 0xC0390001);
}

HWND Focus(HWND sheet)
{
    GUITHREADINFO info = {sizeof info};
    GetGUIThreadInfo(GetWindowThreadProcessId(sheet, nullptr), &info);
    return info.hwndFocus;
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

int PickItem(HWND list, const std::string &text)
{
    LRESULT at = SendMessageA(list, LB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(list, LB_SETCURSEL, at, 0);
    SendMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    return static_cast<int>(at);
}

void PostSelectTab(HWND sheet, int index)
{
    PostMessageA(sheet, SheetSetCurSel, index, 0);
}

void PostPress(HWND sheet, int button, bool pressButton)
{
    if (pressButton)
        PostMessageA(sheet, PSM_PRESSBUTTON, button == IDOK ? PSBTN_OK : PSBTN_APPLYNOW, 0);
    else
        PostClick(sheet, button);
}

void Settle(HWND window, int timeoutMs)
{
    DWORD_PTR ignored;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored);
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

SharedSystemBitmaps::SharedSystemBitmaps()
{
    // A slot of the caption picture size for every record, and room right and below for the
    // strip copies the painter makes into the last records (four buttons, 2 pixels down).
    const SIZE slot = CaptionButtonSizeOfMetrics();
    const LONG width = 46 * slot.cx, height = slot.cy + 4;
    DWORD size = SysBitmapsMappingSize(width, height);
    mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size,
                                 QV_SYSBITMAPS_MAPPING_NAME);
    auto *header =
        static_cast<SysBitmapsHeader *>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, size));
    header->magic = QV_SYSBITMAPS_MAGIC;
    header->headerSize = sizeof(SysBitmapsHeader);
    header->width = width;
    header->height = height;
    header->bitsOffset = QV_SYSBITMAPS_BITS_OFFSET;
    header->generation = 1;
    for (int i = 0; i < QV_SYSBITMAPS_SLOTS; i++) {
        header->slots[i][0] = static_cast<WORD>(i * slot.cx);
        header->slots[i][1] = 0;
        header->slots[i][2] = static_cast<WORD>(slot.cx);
        header->slots[i][3] = static_cast<WORD>(slot.cy);
    }
    UnmapViewOfFile(header);
}

// ---- Wine's Control Panel program ----

namespace
{
// Reads the texts of a list view in another process (the item texts live there).
std::vector<std::string> ListViewTexts(HWND list, DWORD processId)
{
    std::vector<std::string> texts;
    HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!process)
        return texts;
    const SIZE_T size = 4096;
    BYTE *remote =
        static_cast<BYTE *>(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; i++) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = reinterpret_cast<char *>(remote + 512);
        item.cchTextMax = 256;
        WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
        SendMessageA(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(remote));
        char text[256] = "";
        ReadProcessMemory(process, remote + 512, text, sizeof text - 1, nullptr);
        texts.push_back(text);
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return texts;
}

struct ListSearch {
    DWORD processId;
    HWND list;
};

BOOL CALLBACK FindListView(HWND hwnd, LPARAM param)
{
    auto *search = reinterpret_cast<ListSearch *>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->processId) {
        HWND list = FindWindowExA(hwnd, nullptr, "SysListView32", nullptr);
        if (list) {
            search->list = list;
            return FALSE;
        }
    }
    return TRUE;
}

} // namespace

ControlPanelListing ReadControlPanelListing(const char *name, int timeoutMs)
{
    ControlPanelListing listing;
    Process control;
    if (!control.Start("control.exe"))
        return listing;
    ListSearch search = {control.info.dwProcessId, nullptr};
    WaitFor(
        [&] {
            EnumWindows(FindListView, reinterpret_cast<LPARAM>(&search));
            if (!search.list)
                return false;
            listing.items = ListViewTexts(search.list, control.info.dwProcessId);
            return std::find(listing.items.begin(), listing.items.end(), name) !=
                   listing.items.end();
        },
        timeoutMs);
    listing.listShown = search.list != nullptr;
    if (search.list)
        PostMessageA(GetAncestor(search.list, GA_ROOT), WM_CLOSE, 0, 0);
    listing.closed = control.WaitExit(10000);
    return listing;
}

} // namespace sheetdriver
