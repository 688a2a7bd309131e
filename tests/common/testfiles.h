// Things many tests make or read: bitmap files to load, whole files and folder listings, a
// program's captured output, and a count of this process's GDI objects.
#pragma once

#include <windows.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

inline bool WriteFileBytes(const std::string &path, const void *data, DWORD size)
{
    HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(out, data, size, &written, nullptr);
    CloseHandle(out);
    return ok && written == size;
}

// Byte offsets in a BMP file of the fields tests change (info header fields as in the 40-byte
// and larger headers).
enum BmpField : size_t {
    BmpOffBits = 10,
    BmpInfoSize = 14,
    BmpWidth = 18,
    BmpHeight = 22,
    BmpPlanes = 26,
    BmpBitCount = 28,
    BmpCompression = 30,
    BmpSizeImage = 34,
    BmpClrUsed = 46,
};

// Sets a little-endian field of size bytes (as the x86 stores it).
inline void PokeBmp(std::vector<BYTE> &bytes, size_t offset, DWORD value, size_t size = 4)
{
    if (offset + size <= bytes.size())
        memcpy(bytes.data() + offset, &value, size);
}

// The bytes of a BMP file of w x h pixels (h < 0: top-down) at bpp bits per pixel: file
// header; an info header of infoSize bytes (12 is the core header, with words for the size
// and three-byte colour entries); the three masks of 5-6-5 or 8-8-8 when a 40-byte header
// is BI_BITFIELDS; a full grey-scale colour table up to 8 bits; then pixels (zeros in the
// size the format takes when none are given; compressed formats must give theirs).
inline std::vector<BYTE> MakeBmpBytes(int w, int h, int bpp, DWORD infoSize = 40,
                                      DWORD compression = BI_RGB,
                                      const std::vector<BYTE> &pixels = {})
{
    int colours = bpp <= 8 ? 1 << bpp : 0;
    int entrySize = infoSize == 12 ? 3 : 4;
    bool maskFields = compression == BI_BITFIELDS;
    DWORD masks[3] = {bpp == 16 ? 0xF800u : 0xFF0000u, bpp == 16 ? 0x07E0u : 0xFF00u,
                      bpp == 16 ? 0x001Fu : 0xFFu};
    DWORD pixelBytes = pixels.empty() ? (DWORD)((w * bpp + 31) / 32 * 4) * (DWORD)(h < 0 ? -h : h)
                                      : (DWORD)pixels.size();
    DWORD offBits = 14 + infoSize + (maskFields && infoSize == 40 ? 12 : 0) + colours * entrySize;
    std::vector<BYTE> bytes(offBits, 0);
    PokeBmp(bytes, 0, 0x4D42, 2); // "BM"
    PokeBmp(bytes, 2, offBits + pixelBytes);
    PokeBmp(bytes, BmpOffBits, offBits);
    PokeBmp(bytes, BmpInfoSize, infoSize);
    size_t at = 14 + infoSize;
    if (infoSize == 12) {
        PokeBmp(bytes, 18, (DWORD)w, 2);
        PokeBmp(bytes, 20, (DWORD)h, 2);
        PokeBmp(bytes, 22, 1, 2);
        PokeBmp(bytes, 24, (DWORD)bpp, 2);
    } else {
        PokeBmp(bytes, BmpWidth, (DWORD)w);
        PokeBmp(bytes, BmpHeight, (DWORD)h);
        PokeBmp(bytes, BmpPlanes, 1, 2);
        PokeBmp(bytes, BmpBitCount, (DWORD)bpp, 2);
        PokeBmp(bytes, BmpCompression, compression);
        PokeBmp(bytes, BmpSizeImage, pixelBytes);
        // Larger headers carry the masks themselves, right after the 40 bytes.
        if (maskFields)
            for (int i = 0; i < 3; i++)
                PokeBmp(bytes, 54 + 4 * i, masks[i]);
        if (maskFields && infoSize == 40)
            at += 12;
    }
    for (int i = 0; i < colours; i++, at += entrySize)
        for (int c = 0; c < 3; c++)
            bytes[at + c] = (BYTE)(i * 255 / (colours - 1));
    bytes.resize(offBits + pixelBytes, 0);
    for (size_t i = 0; i < pixels.size(); i++)
        bytes[offBits + i] = pixels[i];
    return bytes;
}

inline std::vector<char> ReadWholeFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The paths of the entries of folder that match pattern: its folders, or else its files.
inline std::vector<std::string> FilesIn(const std::string &folder, const char *pattern,
                                        bool folders)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder == folders && found.cFileName[0] != '.')
            names.push_back(folder + "\\" + found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

// The files of a folder and of its subfolders, one level down (a theme and its size folders).
inline std::vector<std::string> FilesWithin(const std::string &folder, const char *pattern)
{
    std::vector<std::string> files = FilesIn(folder, pattern, false);
    for (const std::string &sub : FilesIn(folder, "*", true))
        for (const std::string &file : FilesIn(sub, pattern, false))
            files.push_back(file);
    return files;
}

// Every bitmap file a test writes, when QV_FUZZ_SEEDS names a folder, is kept there too: the
// hostile and edge-case files of the tests are the fuzz targets' seeds (scripts/fuzz_corpus.sh).
inline bool WriteBmpBytes(const std::string &path, const std::vector<BYTE> &bytes)
{
    char seeds[MAX_PATH];
    static int kept;
    DWORD n = GetEnvironmentVariableA("QV_FUZZ_SEEDS", seeds, sizeof seeds);
    if (n && n < sizeof seeds)
        WriteFileBytes(std::string(seeds) + "\\" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(kept++) + ".bmp",
                       bytes.data(), (DWORD)bytes.size());
    return WriteFileBytes(path, bytes.data(), (DWORD)bytes.size());
}

// Writes a bottom-up 24-bit BMP file of w x h pixels, pixel(x, y) giving each one as a
// COLORREF (y counted from the top).
inline bool WriteBmpFile(const std::string &path, int w, int h,
                         const std::function<COLORREF(int, int)> &pixel)
{
    int stride = (w * 3 + 3) & ~3;
    std::vector<BYTE> pixels((size_t)stride * h, 0);
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            COLORREF c = pixel(x, h - 1 - y);
            BYTE *p = &pixels[y * stride + x * 3];
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    }
    return WriteBmpBytes(path, MakeBmpBytes(w, h, 24, 40, BI_RGB, pixels));
}

inline bool WriteSolidBmpFile(const std::string &path, int w, int h, COLORREF colour)
{
    return WriteBmpFile(path, w, h, [colour](int, int) { return colour; });
}

// The user's colours for a button's face, shadow and light, set while the object lives; and
// the standard ones of Windows 95/98 (Wine's own differ).
constexpr COLORREF StandardButtonColours[3] = {RGB(192, 192, 192), RGB(128, 128, 128),
                                               RGB(223, 223, 223)};
struct ButtonColours {
    static constexpr int Parts[3] = {COLOR_3DFACE, COLOR_3DSHADOW, COLOR_3DLIGHT};
    COLORREF saved[3] = {GetSysColor(Parts[0]), GetSysColor(Parts[1]), GetSysColor(Parts[2])};
    explicit ButtonColours(const COLORREF *colours) { SetSysColors(3, Parts, colours); }
    ~ButtonColours() { SetSysColors(3, Parts, saved); }
};

// Caption buttons of size x size pixels (0: as they are) while it lives, here and in programs
// started meanwhile (told to every window with SPIF_UPDATEINIFILE | SPIF_SENDCHANGE).
struct CaptionSize {
    NONCLIENTMETRICSA saved = {sizeof(NONCLIENTMETRICSA)};
    UINT flags;
    explicit CaptionSize(int size, UINT flags = 0) : flags(flags)
    {
        SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof saved, &saved, 0);
        NONCLIENTMETRICSA metrics = saved;
        if (size > 0)
            metrics.iCaptionWidth = metrics.iCaptionHeight = size;
        SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof metrics, &metrics, flags);
    }
    ~CaptionSize() { SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof saved, &saved, flags); }
};

// Opens each file, reads it whole once and closes it: the least any loader of them must do
// (the benchmarks' floor).
inline void ReadFilesOnce(const std::vector<std::string> &paths)
{
    static BYTE buffer[1 << 16];
    for (const std::string &path : paths) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        DWORD got = 0;
        if (file != INVALID_HANDLE_VALUE)
            ReadFile(file, buffer, sizeof buffer, &got, nullptr);
        CloseHandle(file);
    }
}

// How many GDI objects this process holds, counted by probing every 16-bit handle value (Wine's
// GetGuiResources answers nothing useful): the leak tests compare it before and after.
inline int CountGdiObjects()
{
    int count = 0;
    for (ULONG_PTR handle = 1; handle <= 0xFFFF; handle++)
        count += GetObjectType(reinterpret_cast<HGDIOBJ>(handle)) != 0;
    return count;
}

// Runs a command line and collects what it writes to its standard output and error; a
// program still running after timeoutMs is ended.
inline std::string RunCapturingOutput(const std::string &commandLine, DWORD timeoutMs = 30000)
{
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0))
        return "";
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi;
    std::string line = commandLine;
    std::string output;
    if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(writeEnd);
        writeEnd = nullptr;
        char buffer[4096];
        DWORD got;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got)
            output.append(buffer, got);
        if (WaitForSingleObject(pi.hProcess, timeoutMs) != WAIT_OBJECT_0)
            TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    if (writeEnd)
        CloseHandle(writeEnd);
    CloseHandle(readEnd);
    return output;
}
