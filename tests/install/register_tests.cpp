#include <gtest/gtest.h>
#include <gmock/gmock.h>
#include <objbase.h>
#include <string>
#include "install/install_test_util.h"
#include "common/import_slot.h"
#include "common/win9x_rules.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace
{

typedef HRESULT(STDAPICALLTYPE *ServerFunction)();

// The real module, loaded from a given path, with its exports.
struct LoadedModule {
    HMODULE handle = nullptr;
    std::string path; // as the module itself sees it
    explicit LoadedModule(const std::string &file)
    {
        handle = LoadLibraryA(file.c_str());
        char name[MAX_PATH] = {};
        GetModuleFileNameA(handle, name, sizeof name);
        path = name;
    }
    ~LoadedModule()
    {
        if (handle)
            FreeLibrary(handle);
    }
    HRESULT Call(const char *name)
    {
        auto f = reinterpret_cast<ServerFunction>(GetProcAddress(handle, name));
        return f ? f() : E_NOTIMPL;
    }
};

class Registration : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_FALSE(ModulePath().empty());
        RemoveAllRegistration();
    }
    void TearDown() override { RemoveAllRegistration(); }

    // The five values, and nothing else, for a module at the given path.
    void ExpectRegisteredFor(const std::string &path)
    {
        std::string classKey = ClassKeyPath();
        std::string server = classKey + "\\InprocServer32";
        std::string entry = UninstallEntryPath();
        EXPECT_EQ(ProductName, ReadText(HKEY_CLASSES_ROOT, classKey, nullptr));
        EXPECT_EQ(path, ReadText(HKEY_CLASSES_ROOT, server, nullptr));
        EXPECT_EQ("Apartment", ReadText(HKEY_CLASSES_ROOT, server, "ThreadingModel"));
        EXPECT_EQ(ProductName, ReadText(HKEY_LOCAL_MACHINE, entry, "DisplayName"));
        // COM takes any path; the uninstall command must be one rundll32 can run, and a path it
        // can take is written as it is, as earlier versions wrote it.
        std::string uninstall = ReadText(HKEY_LOCAL_MACHINE, entry, "UninstallString");
        EXPECT_TRUE(RunsOnWin9x(uninstall, "RUNDLL_Remove", path));
        if (path.find_first_of(" ,\"") == std::string::npos)
            EXPECT_EQ("RUNDLL32.EXE " + path + ",RUNDLL_Remove", uninstall);
        KeyCounts c = CountKey(HKEY_CLASSES_ROOT, classKey);
        EXPECT_EQ(1u, c.subkeys);
        EXPECT_EQ(1u, c.values);
        c = CountKey(HKEY_CLASSES_ROOT, server);
        EXPECT_EQ(0u, c.subkeys);
        EXPECT_EQ(2u, c.values);
        c = CountKey(HKEY_LOCAL_MACHINE, entry);
        EXPECT_EQ(0u, c.subkeys);
        EXPECT_EQ(2u, c.values);
    }
};

} // namespace

TEST(ClassIdText, IsTheBracedUpperCaseRegistryForm)
{
    char text[64];
    ASSERT_EQ(text, ClsidToString(&ModuleClassId, text, sizeof text));
    EXPECT_EQ(38, lstrlenA(text));
    EXPECT_EQ(ClassIdText(), text);
}

// Byte for byte the text COM itself makes, for the module's class and for identifiers whose
// every field is at its lowest, its highest and a digit apart in each nibble.
TEST(ClassIdText, IsByteForByteWhatComMakes)
{
    const GUID ids[] = {
        ModuleClassId,
        {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}},
        {0xFFFFFFFF, 0xFFFF, 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {0x01234567, 0x89AB, 0xCDEF, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10}},
        {0xA0000009, 0x0A09, 0x90A0, {0x0F, 0xF0, 0x1E, 0xE1, 0x2D, 0xD2, 0x3C, 0xC3}},
    };
    for (const GUID &id : ids) {
        LPOLESTR wide = nullptr;
        ASSERT_EQ(S_OK, StringFromCLSID(id, &wide));
        char com[64], text[64];
        WideCharToMultiByte(CP_ACP, 0, wide, -1, com, sizeof com, nullptr, nullptr);
        CoTaskMemFree(wide);
        memset(text, '#', sizeof text);
        ASSERT_EQ(text, ClsidToString(&id, text, sizeof text));
        EXPECT_EQ(0, memcmp(com, text, 39)) << com << " against " << text;
    }
}

TEST(ClassIdText, ASmallBufferIsFilledNoFurtherAndTerminated)
{
    char text[16];
    memset(text, '#', sizeof text);
    ASSERT_EQ(text, ClsidToString(&ModuleClassId, text, 10));
    EXPECT_EQ(ClassIdText().substr(0, 9), text);
    for (int i = 10; i < 16; i++)
        EXPECT_EQ('#', text[i]);
}

TEST_F(Registration, WritesExactlyFiveValuesForAModuleInAFolderWithSpacesAndIsIdempotent)
{
    LoadedModule module(ModuleCopyWithSpaces());
    ASSERT_NE(nullptr, module.handle);
    ASSERT_THAT(module.path, HasSubstr(" ")); // the test is about a path with spaces
    EXPECT_EQ(S_OK, module.Call("DllRegisterServer"));
    ExpectRegisteredFor(module.path);
    EXPECT_EQ(S_OK, module.Call("DllRegisterServer"));
    ExpectRegisteredFor(module.path);
}

TEST_F(Registration, RegisteringAgainFromAnotherPlaceMovesThePath)
{
    {
        LoadedModule copy(ModuleCopyWithSpaces());
        EXPECT_EQ(S_OK, copy.Call("DllRegisterServer"));
    }
    LoadedModule module(ModulePath());
    EXPECT_EQ(S_OK, module.Call("DllRegisterServer"));
    ExpectRegisteredFor(module.path);
}

TEST_F(Registration, UnregisteringRemovesTheClassOnly)
{
    HKEY settings;
    RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &settings, nullptr);
    RegCloseKey(settings);
    LoadedModule module(ModulePath());
    EXPECT_EQ(S_OK, module.Call("DllRegisterServer"));
    EXPECT_EQ(S_OK, module.Call("DllUnregisterServer"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKeyPath()));
    EXPECT_EQ(ProductName, ReadText(HKEY_LOCAL_MACHINE, UninstallEntryPath(), "DisplayName"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, SettingsKeyPath));

    // Nothing registered: still S_OK, and the classes around it are untouched.
    KeyCounts before = CountKey(HKEY_CLASSES_ROOT, "CLSID");
    EXPECT_EQ(S_OK, module.Call("DllUnregisterServer"));
    KeyCounts after = CountKey(HKEY_CLASSES_ROOT, "CLSID");
    EXPECT_EQ(before.subkeys, after.subkeys);
    EXPECT_GT(after.subkeys, 10u);
}

// The module's code linked into this program, acting for the real module, where the
// module's own path cannot be had.
TEST_F(Registration, WritesNothingItCannotWriteWhole)
{
    RemoveAllRegistration();
    ModuleInstance = reinterpret_cast<HINSTANCE>(0x12340000); // no module: no path
    EXPECT_EQ(S_OK, DllRegisterServer());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallEntryPath()));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKeyPath()));
    ModuleInstance = nullptr;
}

TEST_F(Registration, TheUninstallEntryIsListedAsAnInstalledProgram)
{
    LoadedModule module(ModulePath());
    EXPECT_EQ(S_OK, module.Call("DllRegisterServer"));
    std::string listed = RunAndCapture("uninstaller.exe --list");
    EXPECT_THAT(listed, HasSubstr(ProductName));
    RegDeleteTree(HKEY_LOCAL_MACHINE, UninstallEntryPath().c_str());
    EXPECT_THAT(RunAndCapture("uninstaller.exe --list"), Not(HasSubstr(ProductName)));
}

// The removal notice is a message box; the test reads it and presses OK itself.
namespace
{

typedef int(WINAPI *RundllFunction)(HWND, HINSTANCE, LPSTR, int);

struct RemovalCall {
    RundllFunction remove;
    int answer = -1;
};

DWORD WINAPI CallRemove(void *param)
{
    auto *call = static_cast<RemovalCall *>(param);
    call->answer = call->remove(nullptr, nullptr, nullptr, 0);
    return 0;
}

} // namespace

TEST_F(Registration, RemovalDeletesTheEntryAndRunValueAndNamesTheFile)
{
    LoadedModule module(ModuleCopyWithSpaces());
    ASSERT_EQ(S_OK, module.Call("DllRegisterServer"));
    const char run[] = "RUNDLL32.EXE x,RUNDLL_QvIn";
    RegWriteValue(HKEY_CURRENT_USER, RunKeyPath, nullptr, run, ProductName, sizeof run, REG_SZ);
    RegWriteValue(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, "keep", "StartButtonFileName", 5,
                  REG_SZ);

    // The second time there is nothing to delete; it is made by the module's code linked into
    // this program, acting for the copy.
    ModuleInstance = module.handle;
    for (int round = 0; round < 2; round++) {
        SCOPED_TRACE(round);
        RemovalCall call;
        call.remove =
            round
                ? RUNDLL_Remove
                : reinterpret_cast<RundllFunction>(GetProcAddress(module.handle, "RUNDLL_Remove"));
        ASSERT_NE(nullptr, call.remove);
        HANDLE thread = CreateThread(nullptr, 0, CallRemove, &call, 0, nullptr);
        std::string notice = ReadAndDismissNotice().text;
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 10000));
        CloseHandle(thread);
        std::string folder = module.path.substr(0, module.path.rfind('\\') + 1);
        EXPECT_EQ("This program has been removed. Please restart your system, and then remove "
                  "the file " +
                      module.path + " and the folder " + folder + "QVTHEMES.",
                  notice);
        EXPECT_EQ(IDOK, call.answer);
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallEntryPath()));
        EXPECT_EQ("<missing>", ReadText(HKEY_CURRENT_USER, RunKeyPath, ProductName));
        // The settings stay; the class goes with the agent, as RUNDLL_QvOut takes it.
        EXPECT_EQ("keep", ReadText(HKEY_CURRENT_USER, SettingsKeyPath, "StartButtonFileName"));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKeyPath()));
    }
    RegDeleteValueAt(HKEY_CURRENT_USER, SettingsKeyPath, nullptr, "StartButtonFileName");
    ModuleInstance = nullptr;
}
