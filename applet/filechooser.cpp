// The Open dialog behind both pages' Browse buttons.
#include "applet/applet.h"

#include <commdlg.h>
#include <stddef.h>

// Windows 95 knows only the first, 76-byte form of the record (up to lpTemplateName); the
// headers declare a later, longer one, so the older size goes into lStructSize explicitly.
static const DWORD OpenFileNameSize = 76;
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == OpenFileNameSize,
              "OPENFILENAME as Windows 95 knows it");

static const char BitmapFilter[] = "Bitmap (*.BMP)\0*.BMP\0All (*.*)\0*.*\0";

// Returns buffer holding the chosen file's full path, or nullptr when the user cancels or
// the dialog fails (a path too long for the buffer, for one); the caller then keeps what it
// had.
char *ChooseBitmapFile(HWND owner, char *buffer, int bufferSize, const char *title)
{
    OPENFILENAMEA ofn;
    memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = OpenFileNameSize;
    ofn.hwndOwner = owner;
    ofn.hInstance = ModuleInstance;
    ofn.lpstrFilter = BitmapFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer;
    ofn.nMaxFile = static_cast<DWORD>(bufferSize);
    ofn.lpstrTitle = title;
    // The folder browsed to must not stay current: Windows 95/98 then cannot remove it, so a theme
    // opened from could not be deleted or replaced.
    ofn.Flags =
        OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    ofn.lpstrDefExt = "BMP";
    return GetOpenFileNameA(&ofn) ? buffer : nullptr;
}
