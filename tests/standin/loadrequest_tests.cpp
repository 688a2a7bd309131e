// Load requests: the stand-in creates a registered in-process server's object in its own
// process, on its taskbar's thread with COM ready there, and answers the HRESULT.
#include <gtest/gtest.h>

#include <algorithm>

#include "harness.h"
#include "install/loadrequest_shared.h"
#include "testserver.h"

namespace
{

const char ObjectClassKey[] = "CLSID\\{6F1B1C3A-52D4-4C1E-9A61-3B0C5D7E8F01}";
const char RefusingClassKey[] = "CLSID\\{6F1B1C3A-52D4-4C1E-9A61-3B0C5D7E8F02}";
const char StartPictureClassKey[] = "CLSID\\{6F1B1C3A-52D4-4C1E-9A61-3B0C5D7E8F03}";
const char StartRestoreClassKey[] = "CLSID\\{6F1B1C3A-52D4-4C1E-9A61-3B0C5D7E8F04}";
// Registered nowhere.
const GUID UnknownClass = {
    0x6F1B1C3A, 0x52D4, 0x4C1E, {0x9A, 0x61, 0x3B, 0x0C, 0x5D, 0x7E, 0x8F, 0x7F}};

void RegisterServer(const char *classKey, const std::string &dll)
{
    std::string path = std::string(classKey) + "\\InprocServer32";
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, NULL, 0,
                                             KEY_ALL_ACCESS, NULL, &key, NULL));
    RegSetValueExA(key, NULL, 0, REG_SZ, (const BYTE *)dll.c_str(), (DWORD)dll.size() + 1);
    RegSetValueExA(key, "ThreadingModel", 0, REG_SZ, (const BYTE *)"Apartment", 10);
    RegCloseKey(key);
}

void UnregisterServer(const char *classKey)
{
    RegDeleteKeyA(HKEY_CLASSES_ROOT, (std::string(classKey) + "\\InprocServer32").c_str());
    RegDeleteKeyA(HKEY_CLASSES_ROOT, classKey);
}

class LoadRequests : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        std::string dll = ProgramFolder() + "qvtestserver.dll";
        RegisterServer(ObjectClassKey, dll);
        RegisterServer(RefusingClassKey, dll);
        RegisterServer(StartPictureClassKey, dll);
        RegisterServer(StartRestoreClassKey, dll);
        ASSERT_TRUE(StartStandIn(&standin, "--no-run --no-sample"));
    }
    static void TearDownTestSuite()
    {
        StopStandIn(&standin);
        UnregisterServer(ObjectClassKey);
        UnregisterServer(RefusingClassKey);
        UnregisterServer(StartPictureClassKey);
        UnregisterServer(StartRestoreClassKey);
        ClearRecords();
    }
    void SetUp() override
    {
        ASSERT_TRUE(standin.taskbar);
        ClearRecords();
    }

    static LRESULT Request(ULONG_PTR tag, const void *data, DWORD size)
    {
        COPYDATASTRUCT request = {tag, size, (void *)data};
        return SendMessageA(standin.taskbar, WM_COPYDATA, 0, (LPARAM)&request);
    }
    static DWORD StandInProcess() { return standin.process.dwProcessId; }
    static DWORD TaskbarThread() { return GetWindowThreadProcessId(standin.taskbar, NULL); }

    static StandIn standin;
};
StandIn LoadRequests::standin;

TEST_F(LoadRequests, TaskbarAnnouncesThatItTakesThem)
{
    EXPECT_NE((HANDLE)0, GetPropA(standin.taskbar, QV_LOADREQUEST_PROP));
}

TEST_F(LoadRequests, ObjectIsCreatedInTheStandInsProcessOnItsTaskbarThread)
{
    EXPECT_EQ(S_OK, (HRESULT)Request(QV_LOADREQUEST_TAG, &TestObjectClass, sizeof(GUID)));
    EXPECT_EQ(StandInProcess(), RecordedDword("LoadedInProcess"));
    EXPECT_NE(GetCurrentProcessId(), RecordedDword("LoadedInProcess"));
    EXPECT_EQ(TaskbarThread(), RecordedDword("LoadedOnThread"));
    EXPECT_EQ(1u, RecordedDword("Apartment")); // COM was initialised there, single-threaded
    EXPECT_EQ(1u, RecordedDword("ObjectReleased"));
}

TEST_F(LoadRequests, ServersRefusalComesBackAsTheAnswer)
{
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              (HRESULT)Request(QV_LOADREQUEST_TAG, &TestRefusingClass, sizeof(GUID)));
    EXPECT_EQ(StandInProcess(), RecordedDword("LoadedInProcess"));
}

TEST_F(LoadRequests, UnregisteredClassAnswersClassNotRegistered)
{
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              (HRESULT)Request(QV_LOADREQUEST_TAG, &UnknownClass, sizeof(GUID)));
}

TEST_F(LoadRequests, MalformedRequestsLoadNothing)
{
    EXPECT_EQ(E_INVALIDARG, (HRESULT)Request(QV_LOADREQUEST_TAG, &TestObjectClass, 8));
    EXPECT_EQ(E_INVALIDARG, (HRESULT)Request(QV_LOADREQUEST_TAG, NULL, 0));
    // Another program's WM_COPYDATA is not taken for a request.
    EXPECT_EQ(0, Request(0x12345678, &TestObjectClass, sizeof(GUID)));
    EXPECT_EQ(0u, RecordedDword("LoadedInProcess"));
}

// As a shell does, the stand-in lets go of servers that say they can be unloaded.
TEST_F(LoadRequests, UnusedServerIsUnloadedAfterAWhile)
{
    ASSERT_EQ(S_OK, (HRESULT)Request(QV_LOADREQUEST_TAG, &TestObjectClass, sizeof(GUID)));
    EXPECT_TRUE(WaitUntil([] { return RecordedDword("UnloadedFrom") != 0; }, 20000));
    EXPECT_EQ(StandInProcess(), RecordedDword("UnloadedFrom"));
}

// The module's route to the Start button: loaded into the shell's process, it swaps the
// button's picture with BM_SETIMAGE and later hands the shell's own back.
TEST_F(LoadRequests, ServerInTheStandInSwapsTheStartPictureAndPutsTheShellsBack)
{
    HWND button = FindWindowExA(standin.taskbar, NULL, "Button", NULL);
    ASSERT_TRUE(button);
    RECT rect;
    GetWindowRect(button, &rect);
    auto count = [&](COLORREF c) {
        std::vector<DWORD> pixels = CaptureScreen(rect);
        return std::count(pixels.begin(), pixels.end(), Rgb(c));
    };
    ASSERT_EQ(0, count(TESTSERVER_PICTURE_COLOUR));

    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              (HRESULT)Request(QV_LOADREQUEST_TAG, &TestStartPictureClass, sizeof(GUID)));
    EXPECT_EQ(1u, RecordedDword("HadStartPicture"));
    EXPECT_TRUE(WaitUntil([&] { return count(TESTSERVER_PICTURE_COLOUR) >= 40 * 16; }, 3000));
    EXPECT_EQ(0, count(RGB(255, 204, 0))); // the flag is gone

    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              (HRESULT)Request(QV_LOADREQUEST_TAG, &TestStartRestoreClass, sizeof(GUID)));
    EXPECT_EQ(1u, RecordedDword("GotOwnPictureBack"));
    EXPECT_TRUE(WaitUntil([&] { return count(TESTSERVER_PICTURE_COLOUR) == 0; }, 3000));
    EXPECT_GE(count(RGB(255, 204, 0)), 6);
}

} // namespace
