// Benchmark of the agent in the stand-in desktop (not a test): prints
//  (i)  the agent's refresh with all 13 caption images and a stretched Start picture configured,
//       against just loading those 14 images the way the refresh loads them;
//  (ii) the time from starting RUNDLL_QvIn in Wine's rundll32 to the Start button's picture
//       changing.
// Run under Wine with the Windows 98 setting for the stand-in (qvdesktop_win98.exe beside this
// program), on a display, e.g. in the test fixture's prefix:
//   wine-run.sh STATE build/qvshell.cpl build/tests/bench_agent.exe [rounds] [caption] [variants]
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>

#include "common/testfiles.h"
#include "e2e/e2e_util.h"
#include "module/module.h"

namespace
{

double Now()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

HWND FindAgent()
{
    std::vector<HWND> agents = AgentWindows();
    return agents.empty() ? NULL : agents[0];
}

// What the refresh loads: the 13 files at caption-button size and the Start picture sized to
// the button (its client area less the margin the agent leaves).
double TimeLoads(const std::vector<std::string> &frames, const std::string &start, HWND button)
{
    RECT client;
    GetClientRect(button, &client);
    int cx = client.right - client.left - 6, cy = client.bottom - client.top - 6;
    double begin = Now();
    for (const std::string &file : frames) {
        HANDLE image = LoadImageA(NULL, file.c_str(), IMAGE_BITMAP, CaptionWidth(), CaptionHeight(),
                                  LR_LOADFROMFILE);
        DeleteObject(image);
    }
    HANDLE picture = LoadImageA(NULL, start.c_str(), IMAGE_BITMAP, cx, cy, LR_LOADFROMFILE);
    DeleteObject(picture);
    return Now() - begin;
}

} // namespace

int main(int argc, char **argv)
{
    int rounds = argc > 1 ? atoi(argv[1]) : 30, caption = argc > 2 ? atoi(argv[2]) : 0;
    if (rounds < 3)
        rounds = 3;
    bool variants = argc > 3;
    CaptionSize captions(caption);
    if (!getenv("QV_STANDIN"))
        _putenv(("QV_STANDIN=" + ProgramFolder() + "qvdesktop_win98.exe").c_str());
    if (ModulePath().empty()) {
        fprintf(stderr, "bench_agent: QV_MODULE (Windows path of qvshell.cpl) is not set\n");
        return 2;
    }
    AgentMessage = RegisterWindowMessageA(AgentMessageName);

    // Pictures as a user would pick them: 16x14 caption buttons, a 48x16 Start picture.
    static const COLORREF colours[13] = {
        RGB(201, 17, 33),  RGB(17, 201, 33),  RGB(33, 17, 201), RGB(221, 211, 7), RGB(211, 7, 221),
        RGB(7, 221, 211),  RGB(150, 61, 5),   RGB(5, 150, 61),  RGB(61, 5, 150),  RGB(250, 140, 90),
        RGB(90, 250, 140), RGB(140, 90, 250), RGB(99, 66, 33)};
    // The caption size is set before the stand-in starts; with variants, pictures drawn for it
    // are painted, and loaded by the loads.
    std::vector<std::string> stored, frames;
    std::string sized = std::to_string(CaptionWidth()) + "X" + std::to_string(CaptionHeight());
    if (variants)
        CreateDirectoryA((ImageFolder() + sized).c_str(), NULL);
    for (int i = 0; i < 13; i++) {
        std::string name = "bench" + std::to_string(i);
        stored.push_back(WriteSolidBitmap(name, 16, 14, colours[i]));
        frames.push_back(!variants ? stored.back()
                                   : WriteSolidBitmap(sized + "\\" + name, CaptionWidth(),
                                                      CaptionHeight(), colours[i]));
    }
    std::string start = WriteSolidBitmap("benchstart", 48, 16, RGB(203, 19, 151));

    RunValues run;
    run.SetAside();
    ClearSettings();
    StoreStartButton(StartModeFile | StartStretchBit, start);
    StoreFrameImages(stored);

    StandIn standin;
    if (!StartStandIn(&standin, "--no-run")) {
        fprintf(stderr, "bench_agent: the stand-in desktop did not start\n");
        run.PutBack();
        return 1;
    }
    HWND button = StartButton(standin.taskbar);

    // (ii) first: from RUNDLL_QvIn to the first picture, with a fresh agent each round.
    std::vector<double> starts;
    for (int i = 0; i < 5; i++) {
        HANDLE before = (HANDLE)SendMessageA(button, BM_GETIMAGE, IMAGE_BITMAP, 0);
        PROCESS_INFORMATION qvin = {};
        double begin = Now();
        if (!StartProcess("rundll32.exe " + ModulePath() + ",RUNDLL_QvIn", &qvin))
            break;
        bool changed = false;
        while (Now() - begin < 20000 &&
               !(changed = (HANDLE)SendMessageA(button, BM_GETIMAGE, IMAGE_BITMAP, 0) != before))
            Sleep(1);
        double took = Now() - begin;
        EndProcess(&qvin, 20000);
        if (!changed) {
            fprintf(stderr, "bench_agent: the Start picture did not change\n");
            break;
        }
        starts.push_back(took);
        HWND agent = FindAgent();
        if (agent)
            SendMessageA(agent, AgentMessage, 0, 0); // as RUNDLL_QvOut stops it
    }

    // (i): refreshes of one agent against the loads, interleaved so drift hits both alike.
    RunRundll("RUNDLL_QvIn");
    HWND agent = FindAgent();
    std::vector<double> refreshes, loads, floors;
    std::vector<std::string> all = frames;
    all.push_back(start);
    if (agent) {
        SendMessageA(agent, AgentMessage, 1, 0); // warm the file cache and the locator
        TimeLoads(frames, start, button);
        for (int i = 0; i < rounds; i++) {
            loads.push_back(TimeLoads(frames, start, button));
            double begin = Now();
            ReadFilesOnce(all);
            floors.push_back(Now() - begin);
            // The previous refresh invalidated every window: let the desktop finish painting,
            // so that the agent's refresh is timed, not the repaint queued before it.
            SendMessageA(standin.taskbar, WM_NULL, 0, 0);
            Sleep(100);
            SendMessageA(standin.taskbar, WM_NULL, 0, 0);
            begin = Now();
            SendMessageA(agent, AgentMessage, 1, 0);
            refreshes.push_back(Now() - begin);
        }
        SendMessageA(agent, AgentMessage, 0, 0);
    } else {
        fprintf(stderr, "bench_agent: no agent to refresh\n");
    }

    StopStandIn(&standin);
    ClearSettings();
    run.PutBack();
    for (size_t i = 0; variants && i < frames.size(); i++)
        DeleteFileA(frames[i].c_str());
    RemoveDirectoryA((ImageFolder() + sized).c_str());

    if (!refreshes.empty()) {
        double refresh = Median(refreshes), load = Median(loads), floor = Median(floors);
        printf("caption buttons %dx%d\n", CaptionWidth(), CaptionHeight());
        // The fastest round too: on a machine shared with other work it moves less.
        printf("refresh with 13 caption images and a stretched Start picture: %.2f ms (median "
               "of %d, fastest %.2f ms)\n",
               refresh, rounds, *std::min_element(refreshes.begin(), refreshes.end()));
        printf("loading the same 14 images:                                   %.2f ms (median "
               "of %d)\n",
               load, rounds);
        printf("reading the same 14 files once (the floor):                  %.2f ms (median "
               "of %d)\n",
               floor, rounds);
        printf("refresh / loads: %.2f (target at most 1.10)\n", load > 0 ? refresh / load : 0.0);
        printf("refresh / floor: %.2f\n", floor > 0 ? refresh / floor : 0.0);
    }
    if (!starts.empty())
        printf("RUNDLL_QvIn in Wine's rundll32 to the first applied picture: %.0f ms (median of "
               "%d, fastest %.0f ms)\n",
               Median(starts), (int)starts.size(), *std::min_element(starts.begin(), starts.end()));
    return refreshes.empty() || starts.empty() ? 1 : 0;
}
