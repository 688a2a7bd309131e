// Benchmark (not a test): how much ApplyFrameControls costs beyond loading its 13 files.
// Paints all 13 images into the stand-in's shared bitmaps through the module's DC and prints
// the time of ApplyFrameControls relative to the time of loading the same 13 files alone at
// caption-button size, both measured in this one run, rounds interleaved.
// usage: bench_framectl.exe [rounds] [caption size, set here and put back at the end] [variants]
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "framectl/framectl.h"
#include "framectl/sysbitmaps_shared.h"
#include "common/testfiles.h"

static double Seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f)
{
    return (double)(b.QuadPart - a.QuadPart) / (double)f.QuadPart;
}

static bool WriteBmp(const char *path, int w, int h, int seed)
{
    return WriteBmpFile(path, w, h, [seed](int x, int y) {
        return RGB(x * 21 + y * 13 + seed * 29, x * 21 + 7 + y * 13 + seed * 29,
                   x * 21 + 14 + y * 13 + seed * 29);
    });
}

int main(int argc, char **argv)
{
    int rounds = argc > 1 ? atoi(argv[1]) : 200, caption = argc > 2 ? atoi(argv[2]) : 0;
    bool variants = argc > 3;
    CaptionSize captions(caption);
    ModuleInstance = GetModuleHandleA(nullptr);
    const int W = GetSystemMetrics(SM_CXSIZE) - 2, H = GetSystemMetrics(SM_CYSIZE) - 4;

    // The stand-in's bitmaps, made here as its owner would; the module reaches them as usual.
    const LONG width = 400, height = 180;
    HANDLE mapping =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                           SysBitmapsMappingSize(width, height), QV_SYSBITMAPS_MAPPING_NAME);
    auto *header = (SysBitmapsHeader *)MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (!header) {
        printf("no mapping\n");
        return 1;
    }
    header->magic = QV_SYSBITMAPS_MAGIC;
    header->headerSize = sizeof *header;
    header->width = width;
    header->height = height;
    header->bitsOffset = QV_SYSBITMAPS_BITS_OFFSET;
    header->generation = 1;
    for (int r = 0; r < SlotCount; r++) {
        WORD rect[4] = {(WORD)((r % 10) * (W + 8)), (WORD)((r / 10) * (H + 4)), (WORD)W, (WORD)H};
        if (r == 39 || r == 40)
            rect[0] = r == 39 ? 0 : 160, rect[1] = (WORD)(4 * H + 16), rect[2] = 150,
            rect[3] = (WORD)(H + 6);
        memcpy(header->slots[r], rect, sizeof rect);
    }
    memcpy(SlotIndexMap, Win98SlotMap, sizeof SlotIndexMap);
    UserBitmapDC = LocateStandInBitmapDC();
    if (!UserBitmapDC) {
        printf("no DC over the mapping\n");
        return 1;
    }
    CaptionButtonWidth = GetSystemMetrics(SM_CXSIZE) - 2;
    CaptionButtonHeight = GetSystemMetrics(SM_CYSIZE) - 4;

    // 13 files of differing sizes, so that every load scales; at a caption size a theme's
    // 16 x 14 files, and with variants those drawn for the size (which the loads then take).
    char dir[MAX_PATH], sized[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    wsprintfA(sized, "%s%dX%d\\", dir, W, H);
    if (variants)
        CreateDirectoryA(sized, nullptr);
    FrameImagePath files[FrameImageCount];
    std::vector<std::string> paths;
    for (int i = 0; i < FrameImageCount; i++) {
        wsprintfA(files[i], "%sbench_frame_%d.bmp", dir, i);
        paths.push_back(variants ? sized + std::string(files[i] + lstrlenA(dir)) : files[i]);
        if (!WriteBmp(files[i], caption ? 16 : 12 + 3 * i, caption ? 14 : 10 + 2 * i, i) ||
            (variants && !WriteBmp(paths[i].c_str(), W, H, i))) {
            printf("cannot write %s\n", files[i]);
            return 1;
        }
    }
    BYTE saved[FrameControlsMaxBytes];
    DWORD type = 0, size = 0;
    int hadValue = RegReadValueSized(HKEY_CURRENT_USER, SettingsKeyPath, nullptr,
                                     FrameControlsValue, saved, sizeof saved, &type, &size);
    memcpy(FrameImageList, files, sizeof files);
    SaveFrameImages();

    LARGE_INTEGER freq, a, b;
    QueryPerformanceFrequency(&freq);
    double loadOnly = 0, apply = 0, floor = 0;
    ApplyFrameControls(); // warm both paths once
    for (int round = 0; round < rounds; round++) {
        QueryPerformanceCounter(&a);
        for (int i = 0; i < FrameImageCount; i++) {
            HANDLE image = LoadImageA(ModuleInstance, paths[i].c_str(), IMAGE_BITMAP,
                                      CaptionButtonWidth, CaptionButtonHeight, LR_LOADFROMFILE);
            if (image)
                DeleteObject(image);
        }
        QueryPerformanceCounter(&b);
        loadOnly += Seconds(a, b, freq);

        QueryPerformanceCounter(&a);
        ReadFilesOnce(paths);
        QueryPerformanceCounter(&b);
        floor += Seconds(a, b, freq);

        QueryPerformanceCounter(&a);
        ApplyFrameControls();
        QueryPerformanceCounter(&b);
        apply += Seconds(a, b, freq);
    }

    if (hadValue)
        RegWriteValue(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, saved, FrameControlsValue, size,
                      type);
    else
        RegDeleteValueAt(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, FrameControlsValue);
    for (int i = 0; i < FrameImageCount; i++)
        DeleteFileA(files[i]), DeleteFileA(paths[i].c_str());
    RemoveDirectoryA(sized);

    printf("rounds: %d, caption button %dx%d\n", rounds, CaptionButtonWidth, CaptionButtonHeight);
    printf("load 13 files alone:   %8.3f ms per round\n", 1000.0 * loadOnly / rounds);
    printf("ApplyFrameControls:    %8.3f ms per round\n", 1000.0 * apply / rounds);
    printf("read 13 files once:    %8.3f ms per round (the floor)\n", 1000.0 * floor / rounds);
    printf("ratio apply / load:    %8.3f (target at most 1.10)\n", apply / loadOnly);
    printf("ratio apply / floor:   %8.3f\n", apply / floor);
    UnmapViewOfFile(header);
    CloseHandle(mapping);
    return 0;
}
