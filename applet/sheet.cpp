// The settings sheet: Start button, Frame controls, Themes and About, titled with the product
// name.
#include "applet/applet.h"

#include <commctrl.h>
#include <prsht.h>
#include <stddef.h>

// Windows 95's common controls take only the first forms of these records (40 bytes each:
// up to pfnCallback and pcRefParent); the headers declare later, longer ones, so the older
// sizes go into the size fields.
static const DWORD SheetHeaderSize = 40;
static const DWORD SheetPageSize = 40;
static_assert(offsetof(PROPSHEETHEADERA, pfnCallback) + sizeof(PFNPROPSHEETCALLBACK) ==
                  SheetHeaderSize,
              "PROPSHEETHEADER as Windows 95 knows it");
static_assert(offsetof(PROPSHEETPAGEA, pcRefParent) + sizeof(UINT *) == SheetPageSize,
              "PROPSHEETPAGE as Windows 95 knows it");

static void FillPage(PROPSHEETPAGEA *page, int templateId, DLGPROC procedure)
{
    memset(page, 0, sizeof *page);
    page->dwSize = SheetPageSize;
    page->dwFlags = PSP_DEFAULT;
    page->hInstance = ModuleInstance;
    page->pszTemplate = MAKEINTRESOURCEA(templateId);
    page->pfnDlgProc = procedure;
    page->lParam = 0;
}

// The sheet's Apply button, as the common controls number it.
static const int SheetApplyButton = 0x3021;
// The common controls' own procedure of the sheet window, which this file subclasses.
static WNDPROC SheetWindowProc;

static int IsApplyCommand(UINT message, WPARAM wparam)
{
    return message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == SheetApplyButton);
}

// OK and Apply: the sheet's own handling sends PSN_APPLY to every page it has created, each
// of which stores its settings and asks for activation; then the agent is activated once.
static LRESULT OnSheetApply(HWND sheet, WPARAM wparam, LPARAM lparam)
{
    // OK may have ended the sheet by the time the pages are done.
    HWND owner = GetWindow(sheet, GW_OWNER);
    if (IsModuleOnRemovableDisk()) {
        // Nothing is stored. With nothing changed, OK only closes the sheet, as Cancel does;
        // otherwise the user is told why and the sheet stays open with its choices.
        if (IsWindowEnabled(GetDlgItem(sheet, SheetApplyButton)))
            ShowInstallFirstNotice(sheet);
        else if (LOWORD(wparam) == IDOK)
            return CallWindowProcA(SheetWindowProc, sheet, WM_COMMAND, IDCANCEL, 0);
        return 0;
    }
    LRESULT result = CallWindowProcA(SheetWindowProc, sheet, WM_COMMAND, wparam, lparam);
    ActivateRequested(IsWindow(sheet) ? sheet : owner);
    return result;
}

static LRESULT CALLBACK SheetSubclassProc(HWND sheet, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (IsApplyCommand(message, wparam))
        return OnSheetApply(sheet, wparam, lparam);
    WNDPROC original = SheetWindowProc;
    if (message == WM_NCDESTROY)
        SetWindowLongA(sheet, GWL_WNDPROC, reinterpret_cast<LONG>(original));
    return CallWindowProcA(original, sheet, message, wparam, lparam);
}

static int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM lparam)
{
    if (message == PSCB_INITIALIZED)
        SheetWindowProc = reinterpret_cast<WNDPROC>(
            SetWindowLongA(sheet, GWL_WNDPROC, reinterpret_cast<LONG>(SheetSubclassProc)));
    return 0;
}

// The About page only shows its controls: the dialog manager answers every message.
static INT_PTR CALLBACK AboutPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam)
{
    return FALSE;
}

// Modal; returns when the user closes the sheet. The sheet steps from one page record to
// the next by the record's dwSize, so the 40-byte records are packed one after
// another rather than kept in an array of the headers' longer type.
INT_PTR ShowSettingsSheet(HWND parent)
{
    static_assert(sizeof(PROPSHEETPAGEA) >= SheetPageSize, "record grows only");
    const int pageCount = 4;
    alignas(4) BYTE pages[pageCount * SheetPageSize];
    PROPSHEETPAGEA page;

    FillPage(&page, IDD_STARTPAGE, StartPageProc);
    memcpy(pages, &page, SheetPageSize);
    FillPage(&page, IDD_FRAMEPAGE, FramePageProc);
    memcpy(pages + SheetPageSize, &page, SheetPageSize);
    FillPage(&page, IDD_THEMEPAGE, ThemePageProc);
    memcpy(pages + 2 * SheetPageSize, &page, SheetPageSize);
    FillPage(&page, IDD_ABOUTPAGE, AboutPageProc);
    memcpy(pages + 3 * SheetPageSize, &page, SheetPageSize);

    PROPSHEETHEADERA header;
    memset(&header, 0, sizeof header);
    header.dwSize = SheetHeaderSize;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK;
    header.hwndParent = parent;
    header.hInstance = ModuleInstance;
    header.pszCaption = ProductName;
    header.nPages = pageCount;
    header.nStartPage = 0;
    header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(pages);
    header.pfnCallback = SheetCallback;
    return PropertySheetA(&header);
}

void ReloadSiblingPages(HWND page)
{
    SendMessageA(GetParent(page), PSM_QUERYSIBLINGS, ReloadSettingsQuery, 0);
}
