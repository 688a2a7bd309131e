// The Control Panel applet: the entry (cplapplet.cpp), the settings sheet (sheet.cpp) and what
// its OK and Apply start (activation.cpp), the Start button, Frame controls and Themes pages
// (startpage.cpp, framepage.cpp, themepage.cpp), theme folders on disk (themefolder.cpp), the
// pages' previews (preview.cpp) and the Open dialog (filechooser.cpp).
#pragma once

#include "module/module.h"
#include "res/resource.h"

#include <commctrl.h>
#include <prsht.h>

extern "C" LONG APIENTRY CPlApplet(HWND hwndCpl, UINT message, LPARAM param1, LPARAM param2);
INT_PTR ShowSettingsSheet(HWND parent);

INT_PTR CALLBACK StartPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK FramePageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK ThemePageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
void UpdateFramePage(HWND page, FrameImagePath *list);

extern const char *const FrameImageNames[FrameImageCount];

// What every page says to the sheet (PSM_CHANGED, PSM_UNCHANGED), with itself as wParam.
inline void TellSheet(HWND page, UINT message)
{
    SendMessageA(GetParent(page), message, reinterpret_cast<WPARAM>(page), 0);
}

inline int IsChecked(HWND page, int id)
{
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}

// Greys or restores a control of a page. A control greyed while it has the focus would leave the
// keyboard nowhere: the focus moves on first, to the control focusTo when given, else to the next
// one that takes it.
void EnableControl(HWND page, int id, int enable, int focusTo = 0);

// An empty caption image means the system's own; so does a single space, which some stored
// lists hold in place of an empty entry.
inline int IsDefaultImage(const char *path)
{
    return path[0] == '\0' || lstrcmpA(path, " ") == 0;
}

// A page's Apply, once it has stored its settings, asks for the agent to take them up: the
// Run value written (so that the agent starts at every logon), and a refresh (reload 0;
// started when none runs) or a restart (reload 1). The sheet then activates once for the
// whole OK or Apply (ActivateRequested), however many pages asked; owner owns any message.
void RequestActivation(int writeRunValue, int reload);
void ActivateRequested(HWND owner);
// A module loaded from a floppy disk or a CD stores and registers nothing: the shell would
// load it from there at every logon, the stored paths would name that disk, and the disk may
// be gone. The notice tells the user to install first.
int IsModuleOnRemovableDisk();
void ShowInstallFirstNotice(HWND owner);
// The kind of drive a full path lies on (GetDriveTypeA), DRIVE_UNKNOWN for a relative path;
// no disk is asked for. IsOnRemovableDisk: a floppy or a CD.
UINT GetPathDriveType(const char *path);
int IsOnRemovableDisk(const char *path);

// Once a page has stored settings that other pages show, it asks its siblings to show the
// stored state again (PSM_QUERYSIBLINGS with this wParam): otherwise their stale controls
// would be written back over it on the next Apply.
inline constexpr WPARAM ReloadSettingsQuery = 0x5176;
void ReloadSiblingPages(HWND page);
inline int IsSiblingQuery(UINT message, WPARAM wparam, WPARAM query)
{
    return message == PSM_QUERYSIBLINGS && wparam == query;
}
inline int IsReloadQuery(UINT message, WPARAM wparam)
{
    return IsSiblingQuery(message, wparam, ReloadSettingsQuery);
}

// ---- What the pages show: one look, which Apply stores ----

inline constexpr int StartFileSize = 1024; // as the Start button page reads and writes it

// The Start button and caption buttons as stored, or as the pages would store them on Apply.
struct Look {
    DWORD mode;
    int stretch;
    char startFile[StartFileSize];
    FrameImagePath images[FrameImageCount];
};

// The caption images the sheet shows: the stored list, loaded by the first page that needs it
// and from then on edited in place (FrameImageList) by the Frame controls and Themes pages;
// forgotten when those pages go with the sheet.
FrameImagePath *SheetFrameImages();
void ForgetSheetFrameImages();

// The look as stored. Whether two looks give the same Start picture (a file's name compared as
// Windows compares names; the stretch setting aside) and the same caption buttons. A page offers
// Apply only while its part of the look it shows differs from the stored one.
void ReadStoredLook(Look *stored);
int SameStart(const Look *a, const Look *b);
int SameImages(const FrameImagePath *a, const FrameImagePath *b);

// Sibling queries with a look (PSM_QUERYSIBLINGS, lParam the record; answered with 0 so that
// every page hears them). ReadStartChoiceQuery: the Start button page fills in its choice
// (lParam a Look). ShowLookQuery (lParam a LookToShow): the Start button page shows the look's
// Start picture and the Frame controls page the sheet's caption images again, each page then
// telling the sheet whether it now differs from what is stored.
inline constexpr WPARAM ReadStartChoiceQuery = 0x5177;
inline constexpr WPARAM ShowLookQuery = 0x5178;
struct LookToShow {
    const Look *look;
    int startChanged;
    int imagesChanged;
};

// ---- Previews (applet/preview.cpp) ----

// A page out of sight loads no pictures for its preview (a theme picked on the Themes page
// would have the other pages read the disk for previews nobody sees); it catches up when the
// sheet shows it again (PSN_SETACTIVE, sent before the page is shown).
inline int IsPageShown(HWND page)
{
    return (GetWindowLongA(page, GWL_STYLE) & WS_VISIBLE) != 0;
}

// Sizes the pictures are loaded at, as the agent loads them.
void GetStartButtonSize(SIZE *size);
void GetCaptionPictureSize(SIZE *size);

// The Start picture the agent would put on the button for these settings, or null for the
// shell's own (mode Shell, or a picture that cannot be had). Unless status already names
// something, it gets the first of: the file on a removable disk or CD, a refused file, an
// unstretched picture larger than the button. Every page showing a Start picture says this.
HBITMAP LoadStartPicture(DWORD mode, const char *path, int stretch, char *status, int statusSize);
// A caption-button picture at caption-button size, made as the painter makes it (the picture
// drawn for the size, else the file fitted); null for an empty path (the system's own) or a
// refused file. Unless status already names something, it gets the file on a removable disk
// or CD, else a refused file or size variant.
HBITMAP LoadCaptionPicture(const char *path, char *status, int statusSize);
// "<FILE NAME>: <why>" for a file the module will not use; returns 1 when it is usable, and
// size (may be null) gets its own width and height.
int DescribeBitmapFile(const char *path, char *status, int statusSize, SIZE *size = nullptr);
// "<path> is on a removable disk: ..." (or a CD-ROM) for a picture whose disk can be taken
// out, when status names nothing yet; returns 1 when it said so.
int DescribePictureDisk(const char *path, char *status, int statusSize);
void FreePictures(HBITMAP *pictures, int count);
// How many of the first characters of status name the picture at path: its path or its file
// name, as a note on a picture starts; 0 when neither does.
int PictureNameLength(const char *status, const char *path);
// Sets a status line's text, whole: where it does not fit the box, the picture's name that starts
// it (nameLength characters) is shortened in its middle, "...", as much as it takes.
void ShowStatusText(HWND box, const char *status, int nameLength);
// Moves the top of box down so that a row of the given height stands in its middle.
void CentreRow(RECT *box, int height);

// The states of a sample title bar, each covered by its own caption-button images.
enum CaptionState { CaptionUp = 0, CaptionPressed = 1, CaptionDisabled = 2 };
CaptionState CaptionStateOf(int frameImage);

// Owner-drawn previews paint into a memory canvas the size of the control, inside a sunken
// edge, in the page's font; closing it copies it to the screen and frees it.
struct PreviewCanvas {
    HDC dc;
    RECT area; // inside the edge
    HBITMAP bitmap;
    HGDIOBJ oldBitmap, oldFont;
};
int OpenPreviewCanvas(const DRAWITEMSTRUCT *item, PreviewCanvas *canvas);
void ClosePreviewCanvas(const DRAWITEMSTRUCT *item, PreviewCanvas *canvas);
// A taskbar strip with the Start button showing picture (null: the shell's own) centred on
// the button, in box; returns the height it took. With a zoom, the button is drawn that many
// times its size, pixel for pixel.
int DrawStartSample(HDC dc, const RECT *box, HBITMAP picture, int zoom = 1);
// One sample title bar in state, its buttons drawn from pictures (13, indexed as the frame
// images; null: the system's own), at the top of box; returns the height it took. The button
// of frame image marked (if it is in the bar) has a dotted frame around it. With a zoom, each
// button is drawn that many times its size, pixel for pixel. The state's name stands left of
// the buttons where the widest bar leaves room for every state's name.
int DrawCaptionSample(HDC dc, const RECT *box, CaptionState state, const HBITMAP *pictures,
                      int marked = -1, int zoom = 1);
// The room the samples take at a zoom: the widest title bar (with the gap after its last
// button) and a bar's height; the taskbar strip from its left edge to the Start button's right.
SIZE CaptionSampleSize(int zoom);
SIZE StartSampleSize(int zoom);
// The largest whole zoom, up to LargestSampleZoom, at which a preview of the size sizeAt gives
// for it fits room; at least 1, whatever the room.
inline constexpr int LargestSampleZoom = 8;
int FitSampleZoom(const RECT *room, SIZE (*sizeAt)(int zoom));

char *ChooseBitmapFile(HWND owner, char *buffer, int bufferSize, const char *title);

// ---- Themes (applet/themepage.cpp, applet/themefolder.cpp) ----

// A theme's files: the 13 caption-button images in the frame image order, then the Start
// picture.
inline constexpr int ThemeFileCount = FrameImageCount + 1;
inline constexpr int ThemeStartFile = FrameImageCount;
extern const char *const ThemeFileNames[ThemeFileCount];
inline constexpr int ThemeNameSize = 9; // 8 characters and the terminator

// 1 when name will do as a theme's folder name everywhere (1 to 8 letters, digits, - and _,
// no device name); otherwise 0 and why says what is wrong.
int CheckThemeName(const char *name, char *why, int whySize);
// Asks for the name of a new theme (ThemeNameSize bytes, in capitals); 0 when cancelled.
int AskThemeName(HWND owner, char *name);
int ThemeFolderExists(const char *folder);
int IsFile(const char *path);
// The size subfolders of folder, each named "<W>X<H>" as the painter looks for it (sides of 1 to
// 4 digits, no leading zero): visit gets each one's path and size. Returns how many there are.
typedef void (*SizeFolderVisit)(const char *path, SIZE size, void *context);
int ForEachSizeFolder(const char *folder, SizeFolderVisit visit, void *context);
// Whether folder holds one of the first count theme files under its theme file name
// (FrameImageCount: a caption-button picture; ThemeFileCount: any file of a theme).
int HoldsThemeFile(const char *folder, int count);
// What a theme is made from: for each of its files the file to copy, "" for none; the Start
// picture is the built-in one instead when builtInStart is set.
struct ThemeSources {
    const char *files[ThemeFileCount];
    int builtInStart;
};
// Writes the theme folder (inside themesFolder, made if need be), replacing the theme's own
// files there (read-only ones too, and those of its size subfolders), or leaves everything as
// it was and says why, naming the file, and what to do: 1 saved, 0 not. -1 when, after such a
// failure, some of the theme's own files could not be put back either: why then also names the
// folder that keeps them. Each caption picture's size subfolders ("<its folder>\<W>X<H>\<its
// name>") come with it.
int SaveTheme(const char *themesFolder, const char *folder, const ThemeSources *sources, char *why,
              int whySize);
// Removes the theme's own files (read-only ones too), at its top and in its size subfolders,
// and each folder when nothing else is left in it; or leaves them all and says why, answering
// as SaveTheme does.
int DeleteTheme(const char *themesFolder, const char *folder, char *why, int whySize);
// The name of a folder in themesFolder holding a theme's files that a Save As or Delete set
// aside and has not put back (MAX_PATH bytes into folder); 0 when there is none.
int FindSetAsideFiles(const char *themesFolder, char *folder);
