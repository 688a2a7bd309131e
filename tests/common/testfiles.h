// Things many tests make: bitmap files to load, and a program's captured output.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Writes a bottom-up 24-bit BMP file of w x h pixels, pixel(x, y) giving each one as a
// COLORREF (y counted from the top).
inline bool WriteBmpFile(const std::string &path, int w, int h,
                         const std::function<COLORREF(int, int)> &pixel)
{
    int stride = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = stride * h;
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::vector<BYTE> pixels(info.biSizeImage, 0);
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            COLORREF c = pixel(x, h - 1 - y);
            BYTE *p = &pixels[y * stride + x * 3];
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    }
    HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    DWORD written;
    BOOL ok = WriteFile(out, &file, sizeof file, &written, nullptr) &&
              WriteFile(out, &info, sizeof info, &written, nullptr) &&
              WriteFile(out, pixels.data(), (DWORD)pixels.size(), &written, nullptr);
    CloseHandle(out);
    return ok != FALSE;
}

inline bool WriteSolidBmpFile(const std::string &path, int w, int h, COLORREF colour)
{
    return WriteBmpFile(path, w, h, [colour](int, int) { return colour; });
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
