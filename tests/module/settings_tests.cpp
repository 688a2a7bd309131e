// The stored "FrameControls" list: exact byte layout, round trips, type checks, and a
// stored value treated as hostile input (guard pages catch any read or write past bounds).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "module/module.h"
#include "common/guarded.h"

namespace
{

std::string ReadStored(DWORD *type)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<no key>";
    std::string data(8192, '\0');
    DWORD size = data.size();
    LONG r = RegQueryValueExA(key, FrameControlsValue, nullptr, type,
                              reinterpret_cast<BYTE *>(&data[0]), &size);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS)
        return "<no value>";
    data.resize(size);
    return data;
}

void StoreRaw(const std::string &data, DWORD type)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKeyPath, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegSetValueExA(key, FrameControlsValue, 0, type, reinterpret_cast<const BYTE *>(data.data()),
                   data.size());
    RegCloseKey(key);
}

class FrameImageStore : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        RegDeleteTree(HKEY_CURRENT_USER, "Software\\Tovan");
        memset(FrameImageList, 0, sizeof FrameImageList);
    }
    void TearDown() override { RegDeleteTree(HKEY_CURRENT_USER, "Software\\Tovan"); }
};

TEST_F(FrameImageStore, EmptyListIsFourteenNulBytes)
{
    EXPECT_EQ(FrameImageList, SaveFrameImages());
    DWORD type = 0;
    EXPECT_EQ(std::string(14, '\0'), ReadStored(&type));
    EXPECT_EQ((DWORD)REG_BINARY, type);

    strcpy(FrameImageList[4], "left over");
    EXPECT_EQ(FrameImageList, LoadFrameImages());
    for (auto &entry : FrameImageList)
        EXPECT_STREQ("", entry);
}

TEST_F(FrameImageStore, FullListIs3381BytesAndLoadsBack)
{
    std::string expected;
    for (int i = 0; i < FrameImageCount; i++) {
        std::string entry(FrameImagePathSize - 1, 'a' + i);
        CopyText(FrameImageList[i], FrameImagePathSize, entry.c_str());
        expected += entry + '\0';
    }
    expected += '\0';
    SaveFrameImages();
    DWORD type = 0;
    std::string stored = ReadStored(&type);
    EXPECT_EQ(3381u, stored.size());
    EXPECT_EQ(expected, stored);

    memset(FrameImageList, 0, sizeof FrameImageList);
    LoadFrameImages();
    for (int i = 0; i < FrameImageCount; i++)
        EXPECT_EQ(std::string(FrameImagePathSize - 1, 'a' + i), FrameImageList[i]);
}

TEST_F(FrameImageStore, MixedEntriesRoundTripInIndexOrder)
{
    const char *entries[FrameImageCount] = {
        "C:\\close up.bmp", "", " ", "d:\\x.bmp", "", "", "", "", "", "", "", "", "Z:\\last.bmp"};
    for (int i = 0; i < FrameImageCount; i++)
        CopyText(FrameImageList[i], FrameImagePathSize, entries[i]);
    SaveFrameImages();
    DWORD type;
    std::string stored = ReadStored(&type);
    const char layout[] = "C:\\close up.bmp\0\0 \0d:\\x.bmp\0\0\0\0\0\0\0\0\0Z:\\last.bmp\0";
    EXPECT_EQ(std::string(layout, sizeof layout), stored); // the literal's own NUL ends the list
    memset(FrameImageList, 0x7F, sizeof FrameImageList);
    LoadFrameImages();
    for (int i = 0; i < FrameImageCount; i++)
        EXPECT_STREQ(entries[i], FrameImageList[i]) << "entry " << i;
}

TEST_F(FrameImageStore, WrongTypeOrOversizedValueGivesAnEmptyList)
{
    StoreRaw(std::string("C:\\a.bmp\0\0\0\0\0\0\0\0\0\0\0\0\0", 22), REG_SZ);
    strcpy(FrameImageList[0], "stale");
    LoadFrameImages();
    EXPECT_STREQ("", FrameImageList[0]);

    std::string big(3382, 'x');
    StoreRaw(big, REG_BINARY);
    strcpy(FrameImageList[0], "stale");
    LoadFrameImages();
    EXPECT_STREQ("", FrameImageList[0]);
}

TEST_F(FrameImageStore, EntriesInMemoryWithoutTerminatorAreCutWhenSaved)
{
    memset(FrameImageList, 'q', sizeof FrameImageList);
    BYTE out[FrameControlsMaxBytes + 64];
    memset(out, 0xEE, sizeof out);
    EXPECT_EQ(FrameControlsMaxBytes, FormatFrameImages(FrameImageList, out));
    for (DWORD i = FrameControlsMaxBytes; i < sizeof out; i++)
        ASSERT_EQ(0xEE, out[i]);
    EXPECT_EQ(0, out[259]);
    EXPECT_EQ(0, out[FrameControlsMaxBytes - 1]);
}

// ---- Hostile stored values ----

class GuardedBytes : GuardedEnd
{
  public:
    const BYTE *Place(const std::string &data)
    {
        BYTE *start = EndingWith(data.size());
        memcpy(start, data.data(), data.size());
        return start;
    }
};

// The list ends at the guard; its entries are pre-filled with a pattern to see that each
// one is terminated within its 260 bytes.
class GuardedList : GuardedEnd
{
  public:
    GuardedList() : list(reinterpret_cast<FrameImagePath *>(EndingWith(sizeof FrameImageList))) {}
    FrameImagePath *Fresh()
    {
        memset(list, 0xA5, sizeof(FrameImageList));
        return list;
    }
    FrameImagePath *list;
};

std::string Format(const std::vector<std::string> &entries)
{
    std::string out;
    for (auto &e : entries)
        out += e + '\0';
    return out + '\0';
}

void ExpectAllTerminated(FrameImagePath *list)
{
    for (int i = 0; i < FrameImageCount; i++)
        ASSERT_NE(nullptr, memchr(list[i], 0, FrameImagePathSize)) << "entry " << i;
}

TEST(HostileFrameControls, HandMadeValues)
{
    GuardedBytes bytes;
    GuardedList guarded;

    struct Case {
        const char *what;
        std::string data;
    };
    std::vector<Case> cases = {
        {"no bytes at all", ""},
        {"one byte", "x"},
        {"no terminator anywhere", std::string(3381, 'A')},
        {"fewer than 13 strings", std::string("a\0b\0c", 5)},
        {"entry of exactly 260 characters", std::string(260, 'L') + '\0' + "next" + '\0'},
        {"entry of 1000 characters", std::string(1000, 'M') + '\0' + "after" + '\0'},
        {"all NULs", std::string(3381, '\0')},
        {"13 full entries and garbage after", std::string(3381 + 500, 'G')},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        FrameImagePath *list = guarded.Fresh();
        ParseFrameImages(bytes.Place(c.data), c.data.size(), list);
        ExpectAllTerminated(list);
    }

    // What the parse keeps of them.
    FrameImagePath *list = guarded.Fresh();
    ParseFrameImages(bytes.Place(std::string("a\0b\0c", 5)), 5, list);
    EXPECT_STREQ("a", list[0]);
    EXPECT_STREQ("b", list[1]);
    EXPECT_STREQ("c", list[2]);
    EXPECT_STREQ("", list[3]);
    EXPECT_STREQ("", list[12]);

    std::string overlong = std::string(260, 'L') + '\0' + "next" + '\0';
    list = guarded.Fresh();
    ParseFrameImages(bytes.Place(overlong), overlong.size(), list);
    EXPECT_STREQ("", list[0]) << "a path too long to be a path is dropped, not cut";
    EXPECT_STREQ("next", list[1]) << "the entries after it keep their places";

    std::string longest = std::string(259, 'K') + '\0';
    list = guarded.Fresh();
    ParseFrameImages(bytes.Place(longest), longest.size(), list);
    EXPECT_EQ(std::string(259, 'K'), list[0]);
}

TEST(HostileFrameControls, TenThousandRandomValuesNeverReadOrWritePastBounds)
{
    GuardedBytes bytes;
    GuardedList guarded;
    std::mt19937 random(20261207); // fixed seed: failures reproduce
    int roundTrips = 0, truncations = 0, noise = 0;

    for (int n = 0; n < 10000; n++) {
        std::vector<std::string> entries(FrameImageCount);
        for (auto &e : entries) {
            int length = random() % 4 == 0 ? 0 : random() % 300; // some over 259
            for (int i = 0; i < length; i++)
                e += static_cast<char>(1 + random() % 255);
        }
        std::string data = Format(entries);
        int kind = random() % 3;
        if (kind == 1)
            data.resize(random() % (data.size() + 1));
        else if (kind == 2)
            for (int flips = random() % 8; flips > 0 && !data.empty(); flips--)
                data[random() % data.size()] = random() % 2 ? '\0' : 'Z';
        if (data.size() > 3600)
            data.resize(3600);

        FrameImagePath *list = guarded.Fresh();
        ParseFrameImages(bytes.Place(data), data.size(), list);
        ExpectAllTerminated(list);

        // Entries that arrived whole and fit keep their text exactly.
        if (kind == 0) {
            size_t end = 0;
            for (int i = 0; i < FrameImageCount; i++) {
                end += entries[i].size() + 1;
                if (end > data.size())
                    break;
                std::string want = entries[i].size() < 260 ? entries[i] : "";
                ASSERT_EQ(want, list[i]) << "value " << n << " entry " << i;
            }
            roundTrips++;
        } else if (kind == 1) {
            size_t end = 0;
            for (int i = 0; i < FrameImageCount; i++) {
                end += entries[i].size() + 1;
                if (end > data.size())
                    break;
                if (entries[i].size() < 260)
                    ASSERT_EQ(entries[i], list[i]) << "value " << n << " entry " << i;
            }
            truncations++;
        } else {
            noise++;
        }
    }
    EXPECT_GT(roundTrips, 3000);
    EXPECT_GT(truncations, 3000);
    EXPECT_GT(noise, 3000);
}

TEST_F(FrameImageStore, RandomStoredValuesThroughTheRegistry)
{
    std::mt19937 random(4242);
    for (int n = 0; n < 300; n++) {
        std::string data(random() % 3500, '\0');
        for (auto &c : data)
            c = random() % 5 == 0 ? '\0' : static_cast<char>('a' + random() % 26);
        StoreRaw(data, REG_BINARY);
        memset(FrameImageList, 0xA5, sizeof FrameImageList);
        LoadFrameImages();
        ExpectAllTerminated(FrameImageList);
        if (data.size() > FrameControlsMaxBytes)
            EXPECT_STREQ("", FrameImageList[0]) << "an oversized value is not read at all";
    }
}

} // namespace
