// The code that turns bytes into meaning: bounded text, paths and size-folder names (text.cpp),
// bitmap files as bytes (bitmapformat.cpp), the fitting of caption pictures (captionfit.cpp)
// and the stored settings' forms (storedvalues.cpp). All of it reads from a pointer and a length
// it is given and makes no GDI, USER, registry or file call: whatever a file, a disk or another
// program hands the shell goes through here first, and the same sources build natively for
// the fuzz targets (tests/fuzz). The files that read files, make bitmaps and walk folders call
// it.
#pragma once

#include "module/wintypes.h"

// ---- Bounded text (text.cpp). ----

// Copies src into dst of dstSize bytes, cutting it if needed; dst is always terminated
// (when dstSize > 0). Returns the number of characters copied.
int CopyText(char *dst, int dstSize, const char *src);

// Formats like wsprintfA with up to three string arguments, but refuses (returns 0, dst
// holds "") when the result would not fit dstSize bytes. Returns 1 when formatted.
int FormatText(char *dst, int dstSize, const char *format, const char *a, const char *b = nullptr,
               const char *c = nullptr);

// The low digits hexadecimal digits of value, most significant first, into text (not
// terminated).
void PutHex(char *text, DWORD value, int digits);

// "<width><between><height>" into text of SizeTextSize bytes: "16 x 14" for the user, "22X20"
// as a size subfolder is named.
inline constexpr int SizeTextSize = 32;
void PutSize(char *text, DWORD width, DWORD height, const char *between);
// The size a size subfolder's name "<W>X<H>" gives, as the loader names it (each side 1 to 4
// digits with no leading zero, the X in either case). Returns 0 for any other name.
int ReadSizeFolderName(const char *name, SIZE *size);

// ---- Paths (text.cpp). They are walked a character at a time, never a byte: on the
// double-byte editions of Windows the second byte of a character may be '\' or '/'. ----

// The character after the one at p (p itself at the terminator).
const char *NextChar(const char *p);
// The last part of a path: what follows its last '\', '/' or ':'.
const char *FileNamePart(const char *path);
// "<folder>\<name>" into dst; refuses (0, dst "") a result that does not fit dstSize bytes.
int JoinPath(char *dst, int dstSize, const char *folder, const char *name);
// text with at least cut bytes taken out of the middle of its first nameLength bytes (a name
// or path that starts it), "..." in their place; the cut is widened to whole characters and
// the result cut to shownSize bytes.
void ShortenName(const char *text, int nameLength, int cut, char *shown, int shownSize);
// The root of the drive or network share the path lies on ("A:\", "\\server\share\"), or ""
// and 0 for a path of another form or a root that does not fit rootSize bytes.
int GetPathRoot(const char *path, char *root, int rootSize);

// ---- Bitmap files as bytes (bitmapformat.cpp). ----

// The Start button and the caption buttons are a few dozen pixels; a larger picture only
// costs the shell's thread time and memory to read and convert.
inline constexpr LONG LargestPictureSide = 1024;
inline constexpr DWORD LargestTable = 256;
// The first read of a file: every header and the largest colour table, all that comes before
// the pixels (14 + 124 + 12 + 1024 bytes).
inline constexpr DWORD BitmapHeadSize = 1174;

enum Refusal {
    Usable,
    NotFound,
    Unreadable,
    NotBitmap,
    Damaged,
    NoPixels,
    TooLarge,
    UnknownKind,
};

// What a file's headers say, once they have been found sound.
struct BitmapLayout {
    LONG width;
    LONG height; // negative: rows top-down
    DWORD bpp;
    DWORD compression;
    DWORD colours;   // entries of the colour table the file gives (0 above 8 bits)
    DWORD entrySize; // 3 in a core file, else 4
    DWORD tableAt;   // file offset of the colour table
    DWORD masks[3];  // bit fields only
    DWORD offBits;
    DWORD pixelBytes; // what the file holds of pixels from offBits
};

// A picture in the one form every system's GDI takes: a 40-byte header, then the three masks
// for bit fields or a colour table with an entry for every index the depth has (the file's
// own, then black); rows bottom-up, never compressed.
struct DibInfo {
    BITMAPINFOHEADER header;
    RGBQUAD table[LargestTable];
};

// Checks the headers of a file of fileSize bytes whose first got bytes are head (at most
// BitmapHeadSize of them are looked at): a known header, depth and compression, bit-field
// masks Windows 95 draws, at most LargestPictureSide pixels a side, a colour table the depth
// allows and the bytes hold, and pixels that lie inside the file.
Refusal ReadBitmapLayout(const BYTE *head, DWORD got, DWORD fileSize, BitmapLayout *layout);
// The layout of one of the module's own bitmap resources (a 40-byte header, BI_RGB, bottom-up)
// from its size bytes; 0 when it is not of that one kind or its bytes do not hold it.
int ReadResourceLayout(const BYTE *dib, DWORD size, BitmapLayout *layout);
// The bytes of the picture's rows in the plain form.
DWORD PlainPixelBytes(const BitmapLayout &l);
// The picture in the plain form: info from the layout and the file's colour table (table, the
// bytes at layout.tableAt), and its rows into plain (PlainPixelBytes bytes). Uncompressed rows
// may be turned in place (plain == pixels); run-length pixels (layout.pixelBytes of them) are
// unpacked, what they skip taking the table's first entry, as a picture whose pixels start at
// zero has it.
void MakePlainPicture(const BitmapLayout &l, const BYTE *table, BYTE *pixels, BYTE *plain,
                      DibInfo *info);
// The three standard button greys (192, 128 and 223) that are drawn in the user's colours for
// the button face, its shadow and its light; colours holds those three, in that order.
inline constexpr int SchemeGreyCount = 3;
extern const BYTE SchemeGreyLevels[SchemeGreyCount];
void MapSchemeGreys(DibInfo *info, BYTE *plain, const COLORREF *colours);
// Pixel (x, y), y from the top, of a plain picture: its colour index up to 8 bits, else its
// colour as 0x00RRGGBB.
DWORD ReadPlainPixel(const DibInfo *info, const BYTE *plain, int x, int y);
// A few words for the user on why a file is not used.
void DescribeRefusal(Refusal refusal, const BitmapLayout &l, char *why, int whySize);

// ---- Caption pictures at other sizes (captionfit.cpp). ----

// Slots larger than this on a side are stretched to, not fitted.
inline constexpr int LargestFitSide = 1024;
// The bytes of a plain picture fitted to cx x cy: 8-bit indices up to 8 bits a pixel (the
// colour table kept, so a palette display maps both alike), 32-bit colours above; 0 where the
// rule does not apply.
DWORD FittedPixelBytes(const DibInfo *info, int cx, int cy);
// The plain picture info/plain fitted to cx x cy by the rule stated in captionfit.cpp, into
// fitted and out (FittedPixelBytes bytes); 0 when the rule does not apply (the picture is then
// stretched).
int FitCaptionPicture(const DibInfo *info, const BYTE *plain, int cx, int cy, DibInfo *fitted,
                      BYTE *out);

// ---- The stored settings' forms (storedvalues.cpp). ----

// "StartButton" value: mode in bits 0-3, stretch in bits 4-7.
inline constexpr DWORD StartModeMask = 0x0F;
inline constexpr DWORD StartStretchMask = 0xF0;
inline constexpr DWORD StartStretchBit = 0x10;
enum StartMode { StartModeShell = 0, StartModeBuiltIn = 1, StartModeFile = 2 };

inline constexpr int FrameImageCount = 13;
inline constexpr int FrameImagePathSize = 260; // 259 characters and the terminator
inline constexpr DWORD FrameControlsMaxBytes = FrameImageCount * FrameImagePathSize + 1; // 3381
typedef char FrameImagePath[FrameImagePathSize];

// The mode and stretch a stored "StartButton" value of type and size bytes gives: only a
// REG_DWORD of four bytes or more counts; anything else is the shell's picture, unstretched.
void ReadStartButtonValue(const BYTE *data, DWORD size, DWORD type, DWORD *mode, int *stretch);
// The path a stored "StartButtonFileName" value gives, ended after the bytes read: only a
// REG_SZ counts, and one that does not fit pathSize bytes is refused (""), since a cut path
// names another file. Returns 1 when path is not empty.
int ReadStoredPath(const BYTE *data, DWORD size, DWORD type, char *path, int pathSize);
// Parses a stored "FrameControls" value of size bytes into list (13 strings, each cut to
// 259 characters). Never reads past size bytes; missing strings stay empty.
void ParseFrameImages(const BYTE *data, DWORD size, FrameImagePath *list);
// Lays list out in the stored format into out (FrameControlsMaxBytes); returns the size.
DWORD FormatFrameImages(const FrameImagePath *list, BYTE *out);
