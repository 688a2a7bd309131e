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
    // The About page has no behaviour of its own: the default window procedure answers it.
    FillPage(&page, IDD_ABOUTPAGE, reinterpret_cast<DLGPROC>(DefWindowProcA));
    memcpy(pages + 3 * SheetPageSize, &page, SheetPageSize);

    PROPSHEETHEADERA header;
    memset(&header, 0, sizeof header);
    header.dwSize = SheetHeaderSize;
    header.dwFlags = PSH_PROPSHEETPAGE;
    header.hwndParent = parent;
    header.hInstance = ModuleInstance;
    header.pszCaption = ProductName;
    header.nPages = pageCount;
    header.nStartPage = 0;
    header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(pages);
    return PropertySheetA(&header);
}

void ReloadSiblingPages(HWND page)
{
    SendMessageA(GetParent(page), PSM_QUERYSIBLINGS, ReloadSettingsQuery, 0);
}
