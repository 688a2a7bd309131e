#include "applet_test_util.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace applettest
{

void ClearSettings()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, SettingsKeyPath);
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, RunKeyPath, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, ProductName);
        RegCloseKey(key);
    }
}

void StoreRaw(const char *name, DWORD type, const void *data, DWORD size)
{
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &key, nullptr);
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE *>(data), size);
    RegCloseKey(key);
}

void StoreStartButton(DWORD value)
{
    StoreRaw("StartButton", REG_DWORD, &value, sizeof value);
}

void StoreFileName(const std::string &name)
{
    StoreRaw("StartButtonFileName", REG_SZ, name.c_str(), name.size() + 1);
}

void StoreFrameImages(const std::vector<std::string> &entries)
{
    std::string data;
    for (const auto &e : entries)
        data += e + '\0';
    data += '\0';
    StoreRaw("FrameControls", REG_BINARY, data.data(), data.size());
}

bool ReadValue(const char *path, const char *name, DWORD *type, std::string *data)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    char buffer[8192];
    DWORD size = sizeof buffer;
    LONG result =
        RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE *>(buffer), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return false;
    data->assign(buffer, size);
    return true;
}

bool ReadSetting(const char *name, DWORD *type, std::string *data)
{
    return ReadValue(SettingsKeyPath, name, type, data);
}

bool HasSetting(const char *name)
{
    DWORD type;
    std::string data;
    return ReadSetting(name, &type, &data);
}

bool HasRunValue()
{
    DWORD type;
    std::string data;
    return ReadValue(RunKeyPath, ProductName, &type, &data);
}

DWORD ReadStartButton()
{
    DWORD type = 0;
    std::string data;
    if (!ReadSetting("StartButton", &type, &data) || type != REG_DWORD || data.size() != 4)
        return 0xDEADBEEF;
    DWORD value;
    memcpy(&value, data.data(), 4);
    return value;
}

std::string ReadFileName()
{
    DWORD type = 0;
    std::string data;
    if (!ReadSetting("StartButtonFileName", &type, &data) || type != REG_SZ)
        return "<missing>";
    if (data.empty() || data.back() != '\0')
        return "<unterminated>";
    return data.substr(0, data.size() - 1);
}

std::vector<std::string> ReadFrameImages()
{
    DWORD type = 0;
    std::string data;
    std::vector<std::string> entries;
    if (!ReadSetting("FrameControls", &type, &data) || type != REG_BINARY)
        return entries;
    size_t pos = 0;
    while (pos < data.size()) {
        size_t end = data.find('\0', pos);
        if (end == std::string::npos)
            end = data.size();
        entries.push_back(data.substr(pos, end - pos));
        pos = end + 1;
    }
    return entries; // 13 entries and one more empty one for the closing NUL
}

std::string TempFolder()
{
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    static int counter;
    char folder[MAX_PATH];
    snprintf(folder, sizeof folder, "%sqvapplet%lu_%d", base, GetCurrentProcessId(), ++counter);
    CreateDirectoryA(folder, nullptr);
    return folder;
}

std::string MakeBitmapFile(const std::string &folder, const std::string &name)
{
    // A 2x2, 24-bit bitmap: enough to be a real file of the kind the chooser looks for.
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string path = folder + "\\" + name;
    WriteBmpBytes(path, MakeBmpBytes(2, 2, 24));
    return path;
}

std::string MakeHostileFile(const std::string &folder, const std::string &name)
{
    // "BM", then a header claiming 30000 x 30000 pixels that the file does not hold.
    std::vector<BYTE> bytes = MakeBmpBytes(1, 1, 24);
    bytes.resize(14 + 40);
    PokeBmp(bytes, BmpWidth, 30000);
    PokeBmp(bytes, BmpHeight, 30000);
    std::string path = folder + "\\" + name;
    WriteBmpBytes(path, bytes);
    return path;
}

const char *const ThemeFileNames[14] = {"CLOSEUP.BMP", "CLOSEDN.BMP", "CLOSEDIS.BMP", "MINUP.BMP",
                                        "MINDN.BMP",   "MINDIS.BMP",  "RESTUP.BMP",   "RESTDN.BMP",
                                        "HELPUP.BMP",  "HELPDN.BMP",  "MAXUP.BMP",    "MAXDN.BMP",
                                        "MAXDIS.BMP",  "START.BMP"};

static bool Listed(const std::vector<std::string> &names, const std::string &name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string MakeTheme(const std::string &modulePath, const std::string &name,
                      const std::vector<std::string> &missing,
                      const std::vector<std::string> &hostile)
{
    std::string themes = modulePath.substr(0, modulePath.find_last_of('\\')) + "\\QVTHEMES";
    CreateDirectoryA(themes.c_str(), nullptr);
    std::string folder = themes + "\\" + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const char *file : ThemeFileNames) {
        if (Listed(hostile, file))
            MakeHostileFile(folder, file);
        else if (!Listed(missing, file))
            MakeBitmapFile(folder, file);
    }
    return folder;
}

void RemoveTheme(const std::string &themeFolder)
{
    for (const std::string &inner : FilesIn(themeFolder, "*", true))
        RemoveTheme(inner);
    for (const std::string &path : FilesIn(themeFolder, "*", false)) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL); // a test's read-only ones too
        DeleteFileA(path.c_str());
    }
    RemoveDirectoryA(themeFolder.c_str());
    // The themes folder goes too once no other program's theme is left in it.
    RemoveDirectoryA(themeFolder.substr(0, themeFolder.find_last_of('\\')).c_str());
}

std::string OwnThemeName(const char *tag)
{
    return tag + std::to_string(GetCurrentProcessId());
}

HWND ActivateThemesPage(HWND sheet)
{
    sheetdriver::PostSelectTab(sheet, 2);
    sheetdriver::WaitFor(
        [&] { return sheetdriver::CurrentPage(sheet) == sheetdriver::Page(sheet, 2); });
    return sheetdriver::Page(sheet, 2);
}

const char *const ExpectedImageNames[13] = {
    "Close button up",         "Close button down",    "Close button disabled",
    "Minimize button up",      "Minimize button down", "Minimize button disabled",
    "Restore button up",       "Restore button down",  "Help button up",
    "Help button down",        "Maximize button up",   "Maximize button down",
    "Maximize button disabled"};

INT_PTR RunSheet(const std::function<void(HWND)> &script)
{
    ModuleInstance = GetModuleHandleA(nullptr);
    return sheetdriver::RunSheet([] { return ShowSettingsSheet(nullptr); }, script);
}

static HDC HeldContext;

void HoldBitmapContext()
{
    // The module paints only a memory DC whose bitmap holds every slot and strip copy: this
    // one's holds those of the empty table (all at the origin) at any usual caption size.
    if (!HeldContext) {
        HeldContext = CreateCompatibleDC(nullptr);
        SelectObject(HeldContext, CreateBitmap(256, 64, 1, 1, nullptr));
    }
    UserBitmapDC = HeldContext;
    // A context is only held after a locate that also set the caption-button size.
    CaptionButtonWidth = GetSystemMetrics(SM_CXSIZE) - 2;
    CaptionButtonHeight = GetSystemMetrics(SM_CYSIZE) - 4;
}

void DropBitmapContext()
{
    UserBitmapDC = nullptr;
    CaptionButtonWidth = 0;
    CaptionButtonHeight = 0;
}

HWND ActivateFramePage(HWND sheet)
{
    sheetdriver::PostSelectTab(sheet, 1);
    HWND page = nullptr;
    sheetdriver::WaitFor(
        [&] {
            page = sheetdriver::Page(sheet, 1);
            return page && sheetdriver::CurrentPage(sheet) == page;
        },
        3000);
    return sheetdriver::CurrentPage(sheet) == page ? page : nullptr;
}

namespace
{
struct BoxSearch {
    HWND owner;
    HWND found;
};
BOOL CALLBACK FindBox(HWND hwnd, LPARAM param)
{
    auto *search = reinterpret_cast<BoxSearch *>(param);
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (IsWindowVisible(hwnd) && lstrcmpA(cls, "#32770") == 0 &&
        GetWindow(hwnd, GW_OWNER) == search->owner) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}
BOOL CALLBACK CollectStaticText(HWND hwnd, LPARAM param)
{
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0) {
        std::string text = sheetdriver::Text(hwnd);
        if (!text.empty())
            *reinterpret_cast<std::string *>(param) += text;
    }
    return TRUE;
}
} // namespace

MessageBoxSeen CloseMessageBox(HWND owner, int timeoutMs, int button)
{
    MessageBoxSeen seen;
    BoxSearch search = {owner, nullptr};
    sheetdriver::WaitFor(
        [&] {
            EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    if (!search.found)
        return seen;
    seen.shown = true;
    seen.caption = sheetdriver::Text(search.found);
    EnumChildWindows(search.found, CollectStaticText, reinterpret_cast<LPARAM>(&seen.text));
    sheetdriver::PostClick(search.found, button);
    sheetdriver::WaitFor([&] { return !IsWindow(search.found); }, 2000);
    // What the answer set off is done before the test looks.
    sheetdriver::Settle(owner);
    return seen;
}

std::string SaveThemeAs(HWND page, const std::string &typed)
{
    sheetdriver::PostClick(page, IDC_THEME_SAVEAS);
    HWND box = sheetdriver::WaitForDialog("Save Theme As");
    if (!box)
        return "<no name box>";
    sheetdriver::Type(GetDlgItem(box, IDC_THEMENAME_EDIT), typed);
    sheetdriver::PostClick(box, IDOK);
    if (sheetdriver::WaitFor([&] { return !IsWindow(box); }, 1000)) {
        sheetdriver::Settle(page);
        return "";
    }
    std::string why = sheetdriver::Text(GetDlgItem(box, IDC_THEMENAME_REASON));
    sheetdriver::PostClick(box, IDCANCEL);
    sheetdriver::WaitFor([&] { return !IsWindow(box); }, 2000);
    return why;
}

std::string ThemesFolderOfProgram()
{
    char program[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, program, sizeof program);
    std::string path = program;
    return path.substr(0, path.find_last_of('\\')) + "\\QVTHEMES";
}

bool TextFitsBox(HWND box)
{
    RECT room, need;
    GetClientRect(box, &room);
    need = {0, 0, room.right, 0};
    std::string text = sheetdriver::Text(box);
    HDC dc = GetDC(box);
    HGDIOBJ font = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(box, WM_GETFONT, 0, 0)));
    UINT wraps =
        (GetWindowLongA(box, GWL_STYLE) & SS_TYPEMASK) == SS_LEFTNOWORDWRAP ? 0 : DT_WORDBREAK;
    DrawTextA(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_NOPREFIX | wraps);
    SelectObject(dc, font);
    ReleaseDC(box, dc);
    return need.right <= room.right && need.bottom <= room.bottom;
}

DrawnPreview::DrawnPreview(HWND page, int id)
{
    HWND preview = GetDlgItem(page, id);
    GetClientRect(preview, &area);
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    old = SelectObject(dc, CreateCompatibleBitmap(screen, area.right, area.bottom));
    ReleaseDC(nullptr, screen);
    DRAWITEMSTRUCT item = {ODT_STATIC, UINT(id), 0, ODA_DRAWENTIRE, 0, preview, dc, area};
    SendMessageA(page, WM_DRAWITEM, id, reinterpret_cast<LPARAM>(&item));
}

DrawnPreview::~DrawnPreview()
{
    DeleteObject(SelectObject(dc, old));
    DeleteDC(dc);
}

std::vector<POINT> DrawnPreview::Find(SIZE size, const Pattern &pixel, int zoom) const
{
    auto standsAt = [&](int left, int top) {
        for (int y = 0; y < size.cy * zoom; y++)
            for (int x = 0; x < size.cx * zoom; x++)
                if (GetPixel(dc, left + x, top + y) != pixel(x / zoom, y / zoom))
                    return false;
        return true;
    };
    std::vector<POINT> found;
    for (int top = 0; top + size.cy * zoom <= area.bottom; top++)
        for (int left = 0; left + size.cx * zoom <= area.right; left++)
            if (standsAt(left, top))
                found.push_back({left, top});
    return found;
}

int DrawnPreview::ZoomOf(SIZE size, const Pattern &pixel) const
{
    int zoom = 8;
    while (zoom > 0 && Find(size, pixel, zoom).empty())
        zoom--;
    return zoom;
}

std::string FileBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
}

std::vector<std::string> FolderEntries(const std::string &folder)
{
    std::vector<std::string> names;
    std::error_code missing;
    for (const auto &entry : std::filesystem::directory_iterator(folder, missing))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace applettest

namespace applettest
{

static HWND FileNameField(HWND dialog)
{
    HWND field = GetDlgItem(dialog, 0x480); // edt1
    if (!field) {
        HWND combo = GetDlgItem(dialog, 0x47c); // cmb13, an editable combo
        field = combo ? FindWindowExA(combo, nullptr, "Edit", nullptr) : nullptr;
        if (!field)
            field = combo;
    }
    return field;
}

OpenDialogSeen DriveOpenDialog(const char *title, const char *name)
{
    OpenDialogSeen seen;
    HWND dialog = sheetdriver::WaitForDialog(title, 5000);
    if (!dialog)
        return seen;
    seen.shown = true;
    Sleep(200); // let it finish filling its controls
    HWND field = FileNameField(dialog);
    seen.initialName = sheetdriver::Text(field);
    char folder[MAX_PATH] = "";
    SendMessageA(dialog, WM_USER + 102, sizeof folder, reinterpret_cast<LPARAM>(folder));
    seen.folder = folder;                   // CDM_GETFOLDERPATH
    HWND types = GetDlgItem(dialog, 0x470); // cmb1
    int index = static_cast<int>(SendMessageA(types, CB_GETCURSEL, 0, 0));
    char filter[256] = "";
    if (index >= 0)
        SendMessageA(types, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(filter));
    seen.filter = filter;
    HWND readOnly = GetDlgItem(dialog, 0x410); // chx1
    seen.readOnlyBoxVisible = readOnly && IsWindowVisible(readOnly);

    if (!name) {
        sheetdriver::PostClick(dialog, IDCANCEL);
    } else {
        SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
        sheetdriver::PostClick(dialog, IDOK);
    }
    if (!sheetdriver::WaitFor([&] { return !IsWindow(dialog); }, 2000)) {
        seen.stillOpenAfterOpen = true;
        CloseMessageBox(dialog);
        sheetdriver::PostClick(dialog, IDCANCEL);
        sheetdriver::WaitFor([&] { return !IsWindow(dialog); }, 3000);
    }
    return seen;
}

} // namespace applettest
