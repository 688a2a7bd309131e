// Windows 95/98 where Wine is kinder. A test program that links tests/common/win9x_rules.cpp
// (the locator, agent, applet and install suites do) gets these rules at start-up whenever
// the process reports the Windows 95/98 platform (its copy runs with the win95 or win98
// setting): the module's code, linked into the program, then meets the real systems' answers
// through the program's own import slots, and the tests see what a real machine would do.
//
// Each rule is a few lines in win9x_rules.cpp with what the real system does; the next one
// we learn goes there too.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>
#include <string>

// Whether the rules were put in place for this process, and whether as Windows 95 (whose
// rules are a little stricter than Windows 98's).
bool Win9xRulesActive();
bool Win95RulesActive();

// A named GetProcAddress lookup (any module) answered with replacement instead, while the
// override stands; a null replacement plays an export the system does not have. Lets a test
// stand in for pieces of the platform the module finds at run time (the thunk, WOW32).
void OverrideProc(const char *name, FARPROC replacement);
void ClearProcOverrides();

// The drive with no disk of the test prefix (a floppy drive whose folder is missing); file calls
// there fail with NoDiskError (none is promised), and fail the test when the critical-error box is
// on. The count of such calls on drive since it was last taken; the error mode during the last.
inline constexpr char DriveWithoutDisk = 'W';
int TakeNoDiskCalls(char drive);
extern DWORD NoDiskError;
extern UINT NoDiskErrorMode;

// While one lives, the program runs in the code page of the Far East editions (932): a byte
// 0x81-0x9F or 0xE0-0xFC begins a character of two, whose second byte may be '\' (0x5C).
struct FarEastCodePage {
    FarEastCodePage();
    ~FarEastCodePage();
};

// A network drive ("V:") or UNC server ("\\GONE") out of reach: file calls there fail, counted,
// with ERROR_BAD_NETPATH after the redirector's time-out (seconds on a real network); "": none.
inline constexpr DWORD NetworkTimeoutMs = 200;
extern std::string GoneNetworkPlace;
extern int GoneNetworkCalls;

// Succeeds only when the rundll32 of Windows 95/98 can run the command line (as
// standin/rundll_parse.h reads it), it names entry, and its library is the file modulePath
// names (compared as files, not as text).
::testing::AssertionResult RunsOnWin9x(const std::string &commandLine, const char *entry,
                                       const std::string &modulePath);
