// Benchmark (not a test): how much ApplyFrameControls costs beyond loading its 13 files.
// Paints all 13 images into the stand-in's shared bitmaps through the module's DC and prints
// the time of ApplyFrameControls relative to the time of loading the same 13 files alone at
// caption-button size, both measured in this one run, rounds interleaved.
// usage: bench_framectl.exe [rounds]
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
    int rounds = argc > 1 ? atoi(argv[1]) : 200;
    ModuleInstance = GetModuleHandleA(nullptr);

    // The stand-in's bitmaps, made here as its owner would; the module reaches them as usual.
    const LONG width = 320, height = 120;
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
        WORD rect[4] = {(WORD)((r % 10) * 24), (WORD)((r / 10) * 18), 16, 14};
        if (r == 39 || r == 40)
            rect[0] = r == 39 ? 0 : 160, rect[1] = 80, rect[2] = 150, rect[3] = 20;
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

    // 13 files of differing sizes, so that every load scales.
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    FrameImagePath files[FrameImageCount];
    for (int i = 0; i < FrameImageCount; i++) {
        wsprintfA(files[i], "%sbench_frame_%d.bmp", dir, i);
        if (!WriteBmp(files[i], 12 + 3 * i, 10 + 2 * i, i)) {
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
    std::vector<std::string> paths(files, files + FrameImageCount);
    ApplyFrameControls(); // warm both paths once
    for (int round = 0; round < rounds; round++) {
        QueryPerformanceCounter(&a);
        for (int i = 0; i < FrameImageCount; i++) {
            HANDLE image = LoadImageA(ModuleInstance, files[i], IMAGE_BITMAP, CaptionButtonWidth,
                                      CaptionButtonHeight, LR_LOADFROMFILE);
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
        DeleteFileA(files[i]);

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
