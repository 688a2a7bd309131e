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
// How deeply calls of the sheet's window procedure are nested, and whether the pages were told
// to apply since the outermost one began.
static int SheetCalls;
static int PagesApplied;

// Every page's PSN_APPLY comes here first, however the sheet was asked to apply: a click,
// Enter, a mnemonic, PSM_PRESSBUTTON from a page or a tool, PSM_APPLY. From a floppy disk or
// CD nothing is stored: with something changed the press is refused (the activation after it
// tells the user once to install first); with nothing changed OK closes the sheet, as Cancel
// does. Answers 1 when the page is not to store.
static int RefusesToStore(HWND page)
{
    PagesApplied = 1;
    if (!IsModuleOnRemovableDisk())
        return 0;
    int changed = IsWindowEnabled(GetDlgItem(GetParent(page), SheetApplyButton));
    if (changed)
        RequestActivation(0, 0);
    SetWindowLongA(page, DWL_MSGRESULT, changed ? PSNRET_INVALID_NOCHANGEPAGE : PSNRET_NOERROR);
    return 1;
}

template <DLGPROC PageProc>
static INT_PTR CALLBACK ApplyingPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_NOTIFY &&
        reinterpret_cast<NMHDR *>(lparam)->code == static_cast<UINT>(PSN_APPLY) &&
        RefusesToStore(page))
        return TRUE;
    return PageProc(page, message, wparam, lparam);
}

// The control of a page the keyboard goes to: the first that takes the focus, a radio button
// only where it is the one checked; when the page has none such (no radio checked, the rest
// greyed), the first radio button.
static HWND FirstFocusOf(HWND page)
{
    for (int anyRadio = 0; anyRadio < 2; anyRadio++)
        for (HWND control = GetWindow(page, GW_CHILD); control;
             control = GetWindow(control, GW_HWNDNEXT)) {
            LRESULT code = SendMessageA(control, WM_GETDLGCODE, 0, 0);
            if (!(GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) || !IsWindowEnabled(control) ||
                (code & DLGC_STATIC))
                continue;
            if (anyRadio || !(code & DLGC_RADIOBUTTON) ||
                SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED)
                return control;
        }
    return nullptr;
}

// Apply greys itself once it has applied, and a press by the keyboard (or the mouse) leaves
// the focus on it, where no key reaches anything: the focus goes back to the page.
static void KeepFocusOnPage(HWND sheet)
{
    HWND focus = GetFocus();
    if (GetActiveWindow() != sheet || (focus && IsWindowEnabled(focus)))
        return;
    // None once OK has ended the sheet.
    HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    HWND control = page ? FirstFocusOf(page) : nullptr;
    if (page)
        SendMessageA(sheet, WM_NEXTDLGCTL,
                     reinterpret_cast<WPARAM>(control ? control : GetDlgItem(sheet, IDOK)), TRUE);
}

// Once a press that had the pages apply is over: every page has stored its settings (or all
// were refused), and the agent is activated once for all of them.
static void OnPressOver(HWND sheet, HWND owner)
{
    if (!PagesApplied)
        return;
    PagesApplied = 0;
    int open = IsWindow(sheet);
    ActivateRequested(open ? sheet : owner);
    if (open)
        KeepFocusOnPage(sheet);
}

// A press runs inside one outermost call of the sheet's procedure, whatever message started
// it (some ways run the button's command without any WM_COMMAND reaching the sheet).
static LRESULT CALLBACK SheetSubclassProc(HWND sheet, UINT message, WPARAM wparam, LPARAM lparam)
{
    WNDPROC original = SheetWindowProc;
    if (message == WM_NCDESTROY)
        SetWindowLongA(sheet, GWL_WNDPROC, reinterpret_cast<LONG>(original));
    // OK may have ended the sheet by the time the press is over.
    HWND owner = GetWindow(sheet, GW_OWNER);
    SheetCalls++;
    LRESULT result = CallWindowProcA(original, sheet, message, wparam, lparam);
    if (!--SheetCalls)
        OnPressOver(sheet, owner);
    return result;
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

    FillPage(&page, IDD_STARTPAGE, ApplyingPageProc<StartPageProc>);
    memcpy(pages, &page, SheetPageSize);
    FillPage(&page, IDD_FRAMEPAGE, ApplyingPageProc<FramePageProc>);
    memcpy(pages + SheetPageSize, &page, SheetPageSize);
    FillPage(&page, IDD_THEMEPAGE, ApplyingPageProc<ThemePageProc>);
    memcpy(pages + 2 * SheetPageSize, &page, SheetPageSize);
    FillPage(&page, IDD_ABOUTPAGE, ApplyingPageProc<AboutPageProc>);
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
    INT_PTR result = PropertySheetA(&header);
    // A press whose end the sheet's procedure did not see is over now.
    OnPressOver(nullptr, parent);
    return result;
}

void EnableControl(HWND page, int id, int enable, int focusTo)
{
    HWND control = GetDlgItem(page, id);
    if (!enable && control == GetFocus()) {
        HWND next = focusTo ? GetDlgItem(page, focusTo) : nullptr;
        SendMessageA(GetParent(page), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next),
                     next != nullptr);
    }
    EnableWindow(control, enable != 0);
}

void ReloadSiblingPages(HWND page)
{
    SendMessageA(GetParent(page), PSM_QUERYSIBLINGS, ReloadSettingsQuery, 0);
}
