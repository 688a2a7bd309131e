// The stand-in desktop's entry: options, start-up order and the message loop.
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "standin/standin.h"
#include "install/loadrequest_shared.h"

StandInOptions Options = {1, 1, 1};
HINSTANCE AppInstance;

void LogLine(const char *format, ...)
{
    char line[1024];
    va_list args;
    va_start(args, format);
    int length = vsnprintf(line, sizeof(line) - 1, format, args);
    va_end(args);
    if (length < 0 || length > (int)sizeof(line) - 2)
        length = (int)strlen(line);
    line[length++] = '\n';
    HANDLE out = GetStdHandle(STD_ERROR_HANDLE);
    DWORD written;
    if (out && out != INVALID_HANDLE_VALUE)
        WriteFile(out, line, (DWORD)length, &written, NULL);
}

static void print_usage()
{
    LogLine("usage: qvdesktop [--no-run] [--no-sample] [--no-watch]\n"
            "  --no-run     do not run the current user's Run values at start-up\n"
            "  --no-sample  do not show the sample window\n"
            "  --no-watch   repaint the sample window only when it is invalidated");
}

static int parse_options(int argc, char **argv)
{
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--no-run"))
            Options.runAtLogon = 0;
        else if (!strcmp(argv[i], "--no-sample"))
            Options.showSample = 0;
        else if (!strcmp(argv[i], "--no-watch"))
            Options.watchPixels = 0;
        else {
            print_usage();
            return 0;
        }
    }
    return 1;
}

// A second stand-in would fight the first over the taskbar and the shared bitmaps.
int IsStandInRunning()
{
    HWND tray = NULL;
    while ((tray = FindWindowExA(NULL, tray, TaskbarClassName, NULL)))
        if (GetPropA(tray, QV_LOADREQUEST_PROP))
            return 1;
    return 0;
}

static int run_message_loop()
{
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    AppInstance = instance;
    if (__argc == 2 && !strcmp(__argv[1], "--keep-bitmaps"))
        return KeepSystemBitmaps();
    if (!parse_options(__argc, __argv))
        return 1;
    if (IsStandInRunning()) {
        LogLine("qvdesktop: a stand-in desktop is running already");
        return 2;
    }
    // In-process servers created on load requests run on this thread, as in a shell.
    if (FAILED(CoInitialize(NULL))) {
        LogLine("qvdesktop: COM could not be initialised");
        return 1;
    }
    if (!CreateSystemBitmaps()) {
        LogLine("qvdesktop: the system bitmaps could not be made");
        CoUninitialize();
        return 1;
    }
    if (!CreateTaskbar()) {
        LogLine("qvdesktop: the taskbar could not be created");
        DestroySystemBitmaps();
        CoUninitialize();
        return 1;
    }
    if (Options.showSample)
        CreateSampleWindow();
    LogLine("qvdesktop: ready (process %lu)", GetCurrentProcessId());
    if (Options.runAtLogon)
        LogLine("qvdesktop: started %d Run command(s)", RunLogonCommands());

    int code = run_message_loop();
    DestroySystemBitmaps();
    CoUninitialize();
    LogLine("qvdesktop: closed");
    return code;
}
