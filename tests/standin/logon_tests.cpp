// Logon: the stand-in runs the current user's Run values at start-up, rundll32 commands through
// Wine's rundll32 and anything else as a process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"
#include "standin/standin.h"

// The command-line splitting is linked in from the stand-in itself; it reports nothing here.
void LogLine(const char *, ...) {}

namespace
{

const char RunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char Rundll[] = "C:\\windows\\system32\\rundll32.exe";

std::string MakeRundll(const char *command)
{
    char out[512];
    int made = MakeRundllCommand(command, Rundll, out, sizeof(out));
    return made > 0 ? out : made < 0 ? "(not runnable)" : "(not rundll)";
}

TEST(RundllCommand, TheLibraryRunsToTheFirstCommaAndTheEntryMayHaveArguments)
{
    EXPECT_EQ("\"C:\\windows\\system32\\rundll32.exe\" \"C:\\PROGRA~1\\Qv\\qvshell.cpl\","
              "RUNDLL_QvIn",
              MakeRundll("RUNDLL32.EXE C:\\PROGRA~1\\Qv\\qvshell.cpl,RUNDLL_QvIn"));
    EXPECT_EQ("\"C:\\windows\\system32\\rundll32.exe\" \"m.dll\",Entry some words",
              MakeRundll("  \"C:\\WINDOWS\\RUNDLL32.EXE\"  m.dll,Entry some words"));
}

// The rundll32 of Windows 95/98 fails silently on these, where Wine's runs them.
TEST(RundllCommand, WhatTheRundllOfWindows95CannotRunIsNotRun)
{
    for (const char *command :
         {"RUNDLL32.EXE C:\\Program Files\\Qv\\qvshell.cpl,RUNDLL_QvIn",
          "RUNDLL32.EXE \"C:\\x\\m.dll\",Entry", "rundll32 m.dll , Entry", "rundll32 m.dll ,Entry",
          "rundll32 m.dll, Entry", "RUNDLL32.EXE x.dll", "RUNDLL32.EXE ,Entry",
          "RUNDLL32.EXE x.dll,"}) {
        char out[512];
        EXPECT_EQ(-1, MakeRundllCommand(command, Rundll, out, sizeof(out))) << command;
    }
}

TEST(RundllCommand, OtherCommandsAreNotRundll)
{
    EXPECT_EQ("(not rundll)", MakeRundll("notepad.exe C:\\a,b"));
    EXPECT_EQ("(not rundll)", MakeRundll("C:\\tools\\myrundll32.exe x.dll,Entry"));
}

TEST(RundllCommand, TooLongForTheBufferIsRefused)
{
    char out[32];
    EXPECT_EQ(-1, MakeRundllCommand("RUNDLL32.EXE C:\\a\\rather\\long\\path.dll,Entry", Rundll, out,
                                    sizeof(out)));
}

struct SavedValue {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
};

class RunAtLogon : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        // Only this suite's values may run: whatever else is there waits aside.
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, RunKey, 0, NULL, 0,
                                                 KEY_ALL_ACCESS, NULL, &key, NULL));
        for (;;) {
            char name[256];
            BYTE data[4096];
            DWORD name_size = sizeof(name), size = sizeof(data), type;
            if (RegEnumValueA(key, 0, name, &name_size, NULL, &type, data, &size) != ERROR_SUCCESS)
                break;
            saved.push_back({name, type, std::vector<BYTE>(data, data + size)});
            RegDeleteValueA(key, name);
        }
        folder = ProgramFolder() + "Run value test";
        CreateDirectoryA(folder.c_str(), NULL);
        ASSERT_TRUE(CopyFileA((ProgramFolder() + "qvtestserver.dll").c_str(),
                              (folder + "\\qvtestserver.dll").c_str(), FALSE));
        std::string program = "\"" + ProgramFolder() + "standin_marker.exe\" first second";
        // Named by its short form, as the rundll32 of Windows 95/98 needs it.
        char library[MAX_PATH];
        ASSERT_GT(GetShortPathNameA((folder + "\\qvtestserver.dll").c_str(), library, MAX_PATH),
                  0u);
        std::string rundll = "RUNDLL32.EXE " + std::string(library) + ",RUNDLL_WriteMarker hello";
        DWORD number = 5;
        RegSetValueExA(key, "QvTestProgram", 0, REG_SZ, (const BYTE *)program.c_str(),
                       (DWORD)program.size() + 1);
        RegSetValueExA(key, "QvTestRundll", 0, REG_SZ, (const BYTE *)rundll.c_str(),
                       (DWORD)rundll.size() + 1);
        RegSetValueExA(key, "QvTestNumber", 0, REG_DWORD, (const BYTE *)&number, sizeof(number));
        RegCloseKey(key);
        ClearRecords();
        ASSERT_TRUE(StartStandIn(&standin, "--no-sample"));
    }
    static void TearDownTestSuite()
    {
        StopStandIn(&standin);
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, RunKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, "QvTestProgram");
            RegDeleteValueA(key, "QvTestRundll");
            RegDeleteValueA(key, "QvTestNumber");
            for (const SavedValue &value : saved)
                RegSetValueExA(key, value.name.c_str(), 0, value.type, value.data.data(),
                               (DWORD)value.data.size());
            RegCloseKey(key);
        }
        saved.clear();
        DeleteFileA((folder + "\\qvtestserver.dll").c_str());
        RemoveDirectoryA(folder.c_str());
        ClearRecords();
    }
    void SetUp() override { ASSERT_TRUE(standin.taskbar); }

    static StandIn standin;
    static std::vector<SavedValue> saved;
    static std::string folder;
};
StandIn RunAtLogon::standin;
std::vector<SavedValue> RunAtLogon::saved;
std::string RunAtLogon::folder;

TEST_F(RunAtLogon, PlainCommandRunsAsItsOwnProcessWithItsArguments)
{
    ASSERT_TRUE(WaitUntil([] { return RecordedDword("ProgramProcess") != 0; }, 15000));
    EXPECT_NE(standin.process.dwProcessId, RecordedDword("ProgramProcess"));
    EXPECT_EQ("first|second", RecordedText("ProgramArguments"));
}

TEST_F(RunAtLogon, RundllCommandFromAFolderWithSpacesRunsThroughRundll32)
{
    ASSERT_TRUE(WaitUntil([] { return RecordedDword("RundllProcess") != 0; }, 15000));
    EXPECT_NE(standin.process.dwProcessId, RecordedDword("RundllProcess"));
    EXPECT_EQ("hello", RecordedText("RundllCommandLine"));
}

} // namespace
