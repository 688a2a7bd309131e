// Registry helpers: argument orders, joined paths, refusal of over-long paths, and the
// depth-first tree deletion with its error passing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "module/module.h"
#include "common/import_slot.h"

namespace
{

const char TestRoot[] = "Software\\QuorviaTests\\Registry";

std::string ReadRaw(const char *path, const char *name, DWORD *type)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<no key>";
    char data[2048] = {};
    DWORD size = sizeof data;
    LONG r = RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE *>(data), &size);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS)
        return "<no value>";
    return std::string(data, size);
}

bool KeyExists(HKEY root, const std::string &path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void MakeKey(const std::string &path)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(key);
}

class RegistryHelpers : public ::testing::Test
{
  protected:
    void SetUp() override { RegDeleteTree(HKEY_CURRENT_USER, "Software\\QuorviaTests"); }
    void TearDown() override { RegDeleteTree(HKEY_CURRENT_USER, "Software\\QuorviaTests"); }
};

TEST_F(RegistryHelpers, WriteTakesDataBeforeNameAndCreatesTheWholePath)
{
    const char data[] = "C:\\Program Files\\a b.bmp";
    ASSERT_EQ(1, RegWriteValue(HKEY_CURRENT_USER, TestRoot, "Deep\\Er", data, "Name", sizeof data,
                               REG_SZ));
    DWORD type = 0;
    std::string path = std::string(TestRoot) + "\\Deep\\Er";
    EXPECT_EQ(std::string(data, sizeof data), ReadRaw(path.c_str(), "Name", &type));
    EXPECT_EQ((DWORD)REG_SZ, type);

    DWORD number = 0x12;
    ASSERT_EQ(1,
              RegWriteValue(HKEY_CURRENT_USER, TestRoot, nullptr, &number, nullptr, 4, REG_DWORD));
    EXPECT_EQ(std::string("\x12\0\0\0", 4), ReadRaw(TestRoot, nullptr, &type));
    EXPECT_EQ((DWORD)REG_DWORD, type);
}

TEST_F(RegistryHelpers, WriteWithoutDataOnlyMakesTheKey)
{
    ASSERT_EQ(1, RegWriteValue(HKEY_CURRENT_USER, TestRoot, "Empty", nullptr, "Name", 10, REG_SZ));
    std::string path = std::string(TestRoot) + "\\Empty";
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, path));
    DWORD type;
    EXPECT_EQ("<no value>", ReadRaw(path.c_str(), "Name", &type));
}

TEST_F(RegistryHelpers, ReadTakesNameBeforeBufferAndReportsTheType)
{
    const char data[] = "hello";
    ASSERT_EQ(1, RegWriteValue(HKEY_CURRENT_USER, TestRoot, "Sub", data, "Greeting", sizeof data,
                               REG_SZ));
    char buffer[1024] = {};
    DWORD type = 0xDEAD;
    ASSERT_EQ(1, RegReadValue(HKEY_CURRENT_USER, TestRoot, "Sub", "Greeting", buffer, sizeof buffer,
                              &type));
    EXPECT_STREQ("hello", buffer);
    EXPECT_EQ((DWORD)REG_SZ, type);

    DWORD size = 0;
    ASSERT_EQ(1, RegReadValueSized(HKEY_CURRENT_USER, TestRoot, "Sub", "Greeting", buffer,
                                   sizeof buffer, &type, &size));
    EXPECT_EQ(sizeof data, size);
}

TEST_F(RegistryHelpers, ReadFailsForMissingKeyMissingValueAndTooSmallBuffer)
{
    char buffer[8];
    DWORD type = 0xDEAD;
    EXPECT_EQ(0,
              RegReadValue(HKEY_CURRENT_USER, TestRoot, "Nope", "X", buffer, sizeof buffer, &type));
    EXPECT_EQ(0xDEADu, type) << "a key that cannot be opened leaves the type alone";

    const char longer[] = "more than eight bytes";
    RegWriteValue(HKEY_CURRENT_USER, TestRoot, nullptr, longer, "Long", sizeof longer, REG_SZ);
    EXPECT_EQ(0, RegReadValue(HKEY_CURRENT_USER, TestRoot, nullptr, "Missing", buffer,
                              sizeof buffer, &type));
    EXPECT_EQ(0, RegReadValue(HKEY_CURRENT_USER, TestRoot, nullptr, "Long", buffer, sizeof buffer,
                              &type));
}

TEST_F(RegistryHelpers, DeleteValueAnswersWhetherSomethingWasDeleted)
{
    DWORD one = 1;
    RegWriteValue(HKEY_CURRENT_USER, TestRoot, "K", &one, "V", 4, REG_DWORD);
    EXPECT_EQ(1, RegDeleteValueAt(HKEY_CURRENT_USER, TestRoot, "K", "V"));
    EXPECT_EQ(0, RegDeleteValueAt(HKEY_CURRENT_USER, TestRoot, "K", "V"));
    EXPECT_EQ(0, RegDeleteValueAt(HKEY_CURRENT_USER, TestRoot, "NoSuchKey", "V"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, std::string(TestRoot) + "\\K"));
}

TEST(JoinedPath, SubkeyAddsOneBackslashEvenWhenEmpty)
{
    char out[JoinedPathSize];
    ASSERT_EQ(1, JoinRegistryPath(out, sizeof out, "CLSID\\{X}", "InprocServer32"));
    EXPECT_STREQ("CLSID\\{X}\\InprocServer32", out);
    ASSERT_EQ(1, JoinRegistryPath(out, sizeof out, "CLSID\\{X}", nullptr));
    EXPECT_STREQ("CLSID\\{X}", out);
    ASSERT_EQ(1, JoinRegistryPath(out, sizeof out, "CLSID\\{X}", ""));
    EXPECT_STREQ("CLSID\\{X}\\", out);
}

TEST(JoinedPath, TooLongIsRefusedWithoutWritingPastTheBuffer)
{
    struct {
        char path[JoinedPathSize];
        char canary[16];
    } guarded;
    memset(guarded.canary, 0x5A, sizeof guarded.canary);

    std::string fits(JoinedPathSize - 1 - 4, 'a'); // 1019 + "\" + "abc" = 1023: fits
    ASSERT_EQ(1, JoinRegistryPath(guarded.path, sizeof guarded.path, fits.c_str(), "abc"));
    EXPECT_EQ(JoinedPathSize - 1, (int)strlen(guarded.path));

    std::string tooLong(JoinedPathSize - 1 - 3, 'a'); // 1020 + 4 = 1024 characters: refused
    EXPECT_EQ(0, JoinRegistryPath(guarded.path, sizeof guarded.path, tooLong.c_str(), "abc"));
    EXPECT_STREQ("", guarded.path);
    std::string huge(5000, 'b');
    EXPECT_EQ(0, JoinRegistryPath(guarded.path, sizeof guarded.path, huge.c_str(), nullptr));
    for (char c : guarded.canary)
        ASSERT_EQ(0x5A, (unsigned char)c);
}

TEST_F(RegistryHelpers, OverlongPathsTouchNothing)
{
    // A cut path would address another key; the helpers refuse instead.
    std::string prefix = std::string(TestRoot) + "\\";
    std::string path = prefix + std::string(JoinedPathSize, 'k');
    DWORD one = 1, type = 0;
    char buffer[8];
    EXPECT_EQ(0, RegWriteValue(HKEY_CURRENT_USER, path.c_str(), nullptr, &one, "V", 4, REG_DWORD));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, TestRoot));
    EXPECT_EQ(0, RegReadValue(HKEY_CURRENT_USER, path.c_str(), nullptr, "V", buffer, 8, &type));
    EXPECT_EQ(0, RegDeleteValueAt(HKEY_CURRENT_USER, path.c_str(), nullptr, "V"));
}

// ---- Tree deletion ----

std::vector<std::string> DeletedKeys;
const char *FailingKeyName = nullptr;
typedef LONG(WINAPI *RegDeleteKeyProc)(HKEY, LPCSTR);
RegDeleteKeyProc RealRegDeleteKeyA;

LONG WINAPI RecordingRegDeleteKeyA(HKEY root, LPCSTR path)
{
    if (FailingKeyName && lstrcmpiA(path, FailingKeyName) == 0)
        return ERROR_ACCESS_DENIED;
    LONG r = RealRegDeleteKeyA(root, path);
    if (r == ERROR_SUCCESS)
        DeletedKeys.push_back(path);
    return r;
}

// The helpers are linked into this program, so its import slot for RegDeleteKeyA is the
// one they call through: swapping it lets the test see and fail individual deletions.
extern "C" FARPROC ImportedRegDeleteKeyA __asm__("__imp__RegDeleteKeyA@8");

class TreeDeletion : public RegistryHelpers
{
  protected:
    void SetUp() override
    {
        RegistryHelpers::SetUp();
        RealRegDeleteKeyA = swap.original;
        DeletedKeys.clear();
        FailingKeyName = nullptr;
        base = std::string(TestRoot) + "\\Tree";
        for (const char *k : {"A\\A1\\A11", "A\\A2", "B", "C\\C1\\C11\\C111"})
            MakeKey(base + "\\" + k);
        MakeKey(std::string(TestRoot) + "\\Sibling");
    }
    ImportSlotSwap<RegDeleteKeyProc> swap{&ImportedRegDeleteKeyA, RecordingRegDeleteKeyA};
    std::string base;
};

TEST_F(TreeDeletion, MissingKeyAnswersFileNotFound)
{
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteTree(HKEY_CURRENT_USER, "Software\\QuorviaTests\\X"));
    EXPECT_TRUE(DeletedKeys.empty());
}

TEST_F(TreeDeletion, DeletesDeepestKeysFirstAndLeavesSiblings)
{
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTree(HKEY_CURRENT_USER, base.c_str()));
    std::vector<std::string> expected = {"A11",  "A1",  "A2", "A", "B",
                                         "C111", "C11", "C1", "C", base};
    EXPECT_EQ(expected, DeletedKeys);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, base));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, std::string(TestRoot) + "\\Sibling"));
}

TEST_F(TreeDeletion, KeyWithoutSubkeysIsDeletedDirectly)
{
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTree(HKEY_CURRENT_USER, (base + "\\B").c_str()));
    EXPECT_EQ(std::vector<std::string>{base + "\\B"}, DeletedKeys);
}

TEST_F(TreeDeletion, FirstErrorStopsTheWalkAndIsPassedUp)
{
    FailingKeyName = "C11";
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteTree(HKEY_CURRENT_USER, base.c_str()));
    // Everything before the failing key stays deleted; it, its ancestors and the key
    // itself remain, the subtree below it is gone.
    std::vector<std::string> expected = {"A11", "A1", "A2", "A", "B", "C111"};
    EXPECT_EQ(expected, DeletedKeys);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, base + "\\C\\C1\\C11"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, base + "\\C\\C1\\C11\\C111"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, base + "\\A"));
}

} // namespace
