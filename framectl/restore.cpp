// Making the window manager draw its own caption buttons again. Before the painter writes a
// rectangle of its bitmap, the window manager's own pixels there are kept; closing puts them
// back and has every window draw its frame anew. Nothing here waits on another program on the
// shell's thread: a display-settings change would make the system rebuild its bitmaps, but it
// sends to every top-level window and waits for each, and one program that has stopped
// answering would hold the shell for as long.
#include "framectl/framectl.h"
#include "framectl/sysbitmaps_shared.h"

// Every rectangle one paint writes (13 slots, four pictures twice in the strips), with room for
// those of a slot table that changed while the bitmap kept its size.
inline constexpr int MaxPaintedRects = 32;

// A bitmap selected into a DC of its own, made compatible with the window manager's DC (a DIB
// section is made with that DC too: whether Windows 95 takes none is not documented).
struct Store {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
    const DWORD *bits; // 32-bit readings only
};
// The window manager's own pixels under each rectangle painted (in its own format, so that
// they go back exactly), and two 32-bit readings for telling a rebuilt bitmap from the last
// paint: the rectangles as the last paint left them, and as they look now. All are of the
// size the bitmap had when they were made.
static Store SystemPixels, PaintedPixels, LatestPixels;
static SIZE KeptSize;
static SlotRect PaintedRects[MaxPaintedRects];
static int PaintedRectCount;
// Set by an agent that found pictures of a shell that ended in the bitmaps: nothing is kept
// or painted until the window manager has drawn them anew.
static int RebuildPending;
// Whether this process stored a refusal to paint, for the next paint that can go on to clear.
static int RefusalStored;

SIZE SelectedBitmapSize(HDC dc)
{
    BITMAP bitmap;
    HGDIOBJ selected = dc ? GetCurrentObject(dc, OBJ_BITMAP) : nullptr;
    if (!selected || GetObjectA(selected, sizeof bitmap, &bitmap) != (int)sizeof bitmap)
        return {0, 0};
    return {bitmap.bmWidth, bitmap.bmHeight < 0 ? -bitmap.bmHeight : bitmap.bmHeight};
}

static void SetPaintState(DWORD state)
{
    if (state == PaintStateOwn)
        RegDeleteValueAt(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, PaintStateValue);
    else
        RegWriteValue(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, &state, PaintStateValue,
                      sizeof state, REG_DWORD);
    RefusalStored = state == PaintStateRefused;
}

DWORD GetPaintState()
{
    DWORD state = PaintStateOwn, type = 0;
    if (!RegReadValue(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, PaintStateValue, &state,
                      sizeof state, &type) ||
        type != REG_DWORD)
        return PaintStateOwn;
    return state;
}

static int MakeStore(Store *store, int reading)
{
    void *bits = nullptr;
    store->dc = CreateCompatibleDC(UserBitmapDC);
    if (!store->dc)
        return 0;
    store->bitmap =
        reading ? CreateTopDownDib32(KeptSize.cx, KeptSize.cy, &bits, nullptr, 0, UserBitmapDC)
                : CreateCompatibleBitmap(UserBitmapDC, KeptSize.cx, KeptSize.cy);
    store->bits = static_cast<const DWORD *>(bits);
    store->previous = store->bitmap ? SelectObject(store->dc, store->bitmap) : nullptr;
    return store->previous != nullptr;
}

static void FreeStore(Store *store)
{
    if (store->previous)
        SelectObject(store->dc, store->previous);
    if (store->dc)
        DeleteDC(store->dc);
    if (store->bitmap)
        DeleteObject(store->bitmap);
    *store = {};
}

// Lets the kept pixels and both readings go, so that the next paint keeps the pixels afresh.
static void ForgetSystemPixels()
{
    FreeStore(&SystemPixels);
    FreeStore(&PaintedPixels);
    FreeStore(&LatestPixels);
    KeptSize = {0, 0};
    PaintedRectCount = 0;
}

static int CopyRect(const SlotRect &rect, HDC to, HDC from)
{
    return BitBlt(to, rect.x, rect.y, rect.cx, rect.cy, from, rect.x, rect.y, SRCCOPY) != 0;
}

// Reads the window manager's bitmap into reading: one copy of all of it costs less than one
// copy per painted rectangle, and only those rectangles are looked at.
static int Read(const Store &reading)
{
    int read = BitBlt(reading.dc, 0, 0, KeptSize.cx, KeptSize.cy, UserBitmapDC, 0, 0, SRCCOPY);
    GdiFlush();
    return read;
}

// Puts the kept pixels back, last kept first, so that where two rectangles overlap the pixels
// kept before either was painted are the ones that stay.
static void PutBack()
{
    for (int i = PaintedRectCount; i-- > 0;)
        CopyRect(PaintedRects[i], UserBitmapDC, SystemPixels.dc);
    // The bitmap may be shared with other processes: the copy is done before anyone looks.
    GdiFlush();
}

// Drops each painted rectangle that no longer shows the last paint, pixel for pixel: the
// window manager has drawn its own pixels there since (new colours, display mode or caption
// size), and they are told apart by what is there, not by any notice that it happened. What it
// draws elsewhere in its bitmap is its own business. 0 when the bitmap is no longer the one
// the pixels were kept from, or cannot be read.
static int DropRedrawnRects()
{
    SIZE size = SelectedBitmapSize(UserBitmapDC);
    if (size.cx != KeptSize.cx || size.cy != KeptSize.cy || !Read(LatestPixels))
        return 0;
    int kept = 0;
    for (int i = 0; i < PaintedRectCount; i++) {
        const SlotRect &rect = PaintedRects[i];
        int same = 1;
        for (int y = rect.y; same && y < rect.y + rect.cy; y++) {
            size_t at = (size_t)y * (size_t)KeptSize.cx + rect.x;
            same = !memcmp(LatestPixels.bits + at, PaintedPixels.bits + at, (size_t)rect.cx * 4);
        }
        if (same)
            PaintedRects[kept++] = rect;
    }
    PaintedRectCount = kept;
    return 1;
}

int KeepSystemPixels()
{
    if (RebuildPending)
        return 0;
    if (SystemPixels.dc && DropRedrawnRects())
        return 1;
    ForgetSystemPixels();
    KeptSize = SelectedBitmapSize(UserBitmapDC);
    if (KeptSize.cx && KeptSize.cy && MakeStore(&SystemPixels, 0) && MakeStore(&PaintedPixels, 1) &&
        MakeStore(&LatestPixels, 1)) {
        if (RefusalStored)
            SetPaintState(PaintStateOwn);
        return 1;
    }
    // No way back: nothing is painted, and the pages can say why.
    ForgetSystemPixels();
    SetPaintState(PaintStateRefused);
    return 0;
}

int KeepPixelsUnder(SlotRect rect)
{
    if (!SystemPixels.dc)
        return 0;
    for (int i = 0; i < PaintedRectCount; i++)
        if (!memcmp(&PaintedRects[i], &rect, sizeof rect))
            return 1;
    if (PaintedRectCount == MaxPaintedRects || !CopyRect(rect, SystemPixels.dc, UserBitmapDC))
        return 0;
    // Stored before the first picture goes on, so that a shell that ends at any moment after
    // leaves word for the next agent that these pixels are not the system's own.
    if (!PaintedRectCount)
        SetPaintState(PaintStatePainted);
    PaintedRects[PaintedRectCount++] = rect;
    return 1;
}

void NotePaintedPixels()
{
    if (!SystemPixels.dc || Read(PaintedPixels))
        return;
    // Without a reading, a rebuilt bitmap could not be told from this paint later.
    PutBack();
    ForgetSystemPixels();
    SetPaintState(PaintStateRefused);
}

// Only where the bitmap shows the last paint are the kept pixels put back: after a rebuild the
// window manager's own are there already, and in the new colours. Without the DC nothing can
// be put back, and the stored word that pictures are painted stays for the next agent.
void RestoreFrameControls()
{
    if (UserBitmapDC && SystemPixels.dc) {
        if (DropRedrawnRects() && PaintedRectCount) {
            PutBack();
            RedrawEveryWindow();
        }
        SetPaintState(PaintStateOwn);
    }
    ForgetSystemPixels();
}

// ---- After a shell that ended without closing its agent. ----

static DWORD WINAPI RedrawSystemBitmaps(void *agent)
{
    // Setting a system colour to what it is has the window manager draw its bitmaps anew; the
    // change is then announced to every top-level window, and this thread waits for each.
    int element = COLOR_3DFACE;
    COLORREF colour = GetSysColor(element);
    SetSysColors(1, &element, &colour);
    PostMessageA(static_cast<HWND>(agent), SystemBitmapsRedrawnMessage, 0, 0);
    // The module stays loaded until this thread is out of its code.
    FreeLibraryAndExitThread(ModuleInstance, 0);
    return 0;
}

// The thread is the only one the module starts: it ends as soon as every window has heard of
// the change, and holds the module loaded meanwhile, so an agent closed and unloaded in the
// meantime does not pull its code away. Without it nothing is painted in this agent's time:
// the bitmaps cannot be drawn anew without the shell's thread waiting.
void RedrawIfLeftPainted(HWND agent)
{
    RebuildPending = GetPaintState() == PaintStatePainted;
    if (!RebuildPending)
        return;
    char path[MAX_PATH];
    HMODULE held = GetModulePath(path, sizeof path) ? LoadLibraryA(path) : nullptr;
    DWORD id;
    HANDLE thread = held ? CreateThread(nullptr, 0, RedrawSystemBitmaps, agent, 0, &id) : nullptr;
    if (thread)
        CloseHandle(thread);
    else if (held)
        FreeLibrary(held);
}

void NoteSystemBitmapsRedrawn()
{
    RebuildPending = 0;
    SetPaintState(PaintStateOwn);
}
