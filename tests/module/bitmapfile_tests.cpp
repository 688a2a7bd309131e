// The check every bitmap file passes before the system's loader sees it: each kind of file the
// loader takes is still taken (and really loads), and hostile headers are refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/testfiles.h"
#include "common/win9x_rules.h"
#include "module/module.h"

namespace
{

std::string Folder()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "qvbmp\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

// Writes the bytes as a file and answers the check's verdict on it. The check must close
// what it opened: nobody else could then open the file alone.
int Verdict(const std::vector<BYTE> &bytes, const std::string &path)
{
    EXPECT_TRUE(WriteBmpBytes(path, bytes));
    int verdict = IsUsableBitmapFile(path.c_str());
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, h) << "the check left the file open";
    CloseHandle(h);
    return verdict;
}

// Which loaders read a kind of file the check takes: the check is about safety, not about
// what one system's loader happens to know.
enum LoadedBy { Everywhere, NotOnWindows95, NotOnWindows9x, NotOnWine };

struct Kind {
    const char *what;
    std::vector<BYTE> bytes;
    LoadedBy loadedBy = Everywhere;
};

bool LoadsHere(LoadedBy by)
{
    return by == Everywhere || (by == NotOnWindows95 && !Win95RulesActive()) ||
           (by == NotOnWindows9x && !Win9xRulesActive());
}

// Four pixels a row, two rows: a run of four and the row's end, then the bitmap's end.
const std::vector<BYTE> Rle8 = {4, 1, 0, 0, 4, 2, 0, 1};
const std::vector<BYTE> Rle4 = {4, 0x12, 0, 0, 4, 0x34, 0, 1};

std::vector<BYTE> With(std::vector<BYTE> bytes, size_t offset, DWORD value, size_t size = 4)
{
    PokeBmp(bytes, offset, value, size);
    return bytes;
}

std::vector<BYTE> Cut(std::vector<BYTE> bytes, size_t size)
{
    bytes.resize(size);
    return bytes;
}

} // namespace

TEST(BitmapFileCheck, TakesEveryKindOfBitmapTheLoaderTakes)
{
    const Kind kinds[] = {
        {"24-bit bottom-up", MakeBmpBytes(5, 3, 24)},
        {"24-bit top-down", MakeBmpBytes(5, -3, 24)},
        {"1-bit", MakeBmpBytes(9, 2, 1)},
        {"4-bit", MakeBmpBytes(3, 3, 4)},
        {"8-bit using 2 of its colours", With(MakeBmpBytes(3, 3, 8), BmpClrUsed, 2)},
        {"8-bit, core header", MakeBmpBytes(3, 3, 8, 12)},
        {"24-bit, core header", MakeBmpBytes(3, 3, 24, 12)},
        {"RLE8", MakeBmpBytes(4, 2, 8, 40, BI_RLE8, Rle8)},
        {"RLE4", MakeBmpBytes(4, 2, 4, 40, BI_RLE4, Rle4)},
        {"16-bit bit-fields", MakeBmpBytes(3, 2, 16, 40, BI_BITFIELDS)},
        {"32-bit bit-fields, 124-byte header", MakeBmpBytes(3, 2, 32, 124, BI_BITFIELDS),
         NotOnWindows95},
        {"16-bit bit-fields, 4-4-4 masks",
         With(With(With(MakeBmpBytes(3, 2, 16, 40, BI_BITFIELDS), 54, 0x0F00), 58, 0x00F0), 62,
              0x000F),
         NotOnWindows9x},
        {"16-bit, 108-byte header", MakeBmpBytes(3, 2, 16, 108)},
        // Wine's loader knows no 52- or 56-byte header and refuses it itself.
        {"32-bit, 56-byte header", MakeBmpBytes(2, 2, 32, 56), NotOnWine},
        {"4096 pixels wide", MakeBmpBytes(4096, 1, 32)},
    };
    for (const Kind &k : kinds) {
        SCOPED_TRACE(k.what);
        std::string path = Folder() + "valid.bmp";
        EXPECT_EQ(1, Verdict(k.bytes, path));
        // The file is what it claims to be: the loader takes it.
        HANDLE image = LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
        EXPECT_EQ(LoadsHere(k.loadedBy), image != nullptr);
        DeleteObject(image);
    }
}

TEST(BitmapFileCheck, RefusesHostileHeaders)
{
    const std::vector<BYTE> eight = MakeBmpBytes(4, 2, 8);
    const std::vector<BYTE> tiny = MakeBmpBytes(1, 1, 24);
    const std::vector<BYTE> rle = MakeBmpBytes(4, 2, 8, 40, BI_RLE8, Rle8);
    const size_t size = eight.size();
    for (const std::vector<BYTE> *base : {&eight, &tiny, &rle})
        ASSERT_EQ(1, Verdict(*base, Folder() + "base.bmp"))
            << "each hostile file spoils a good one";
    const Kind kinds[] = {
        {"empty", {}},
        {"file header only", Cut(eight, 14)},
        {"no BM signature", With(eight, 0, 0x4142, 2)},
        {"info header cut short", Cut(eight, 30)},
        {"16-byte header (an OS/2 form)", With(eight, BmpInfoSize, 16)},
        {"124-byte header in a smaller file", With(tiny, BmpInfoSize, 124)},
        {"2 planes", With(eight, BmpPlanes, 2, 2)},
        {"2 bits per pixel", With(eight, BmpBitCount, 2, 2)},
        {"width 0", With(eight, BmpWidth, 0)},
        {"height 0", With(eight, BmpHeight, 0)},
        {"4097 wide, all its pixels there", MakeBmpBytes(4097, 1, 8)},
        {"4097 high top-down, all its pixels there", MakeBmpBytes(1, -4097, 8)},
        {"most negative width", With(eight, BmpWidth, 0x80000000)},
        {"30000 x 30000 at 32 bits in 118 bytes",
         With(With(MakeBmpBytes(16, 1, 32), BmpWidth, 30000), BmpHeight, 30000)},
        {"8-bit claiming 2^31 colours", With(eight, BmpClrUsed, 0x80000000)},
        {"4-bit claiming 17 colours", With(MakeBmpBytes(4, 2, 4), BmpClrUsed, 17)},
        {"colour table past the end", With(tiny, BmpClrUsed, 1000)},
        {"JPEG", With(eight, BmpCompression, BI_JPEG)},
        {"PNG", With(eight, BmpCompression, BI_PNG)},
        {"RLE8 at 4 bits", With(MakeBmpBytes(4, 2, 4), BmpCompression, BI_RLE8)},
        {"RLE4 at 8 bits", With(eight, BmpCompression, BI_RLE4)},
        {"bit-fields at 24 bits", With(tiny, BmpCompression, BI_BITFIELDS)},
        {"bit-field masks cut off",
         With(Cut(MakeBmpBytes(1, 1, 16, 40, BI_BITFIELDS), 14 + 40 + 6), BmpOffBits, 54)},
        {"pixels cut short by a byte", Cut(eight, size - 1)},
        {"pixels start at the end", With(eight, BmpOffBits, (DWORD)size)},
        {"pixels start far past the end", With(eight, BmpOffBits, 0xFFFFFFF0)},
        {"pixels start inside the headers", With(eight, BmpOffBits, 0)},
        {"4096 x 4096 at 32 bits in a small file",
         With(With(MakeBmpBytes(16, 1, 32), BmpWidth, 4096), BmpHeight, 4096)},
        {"RLE8 without a declared size", With(rle, BmpSizeImage, 0)},
        {"RLE8 declaring more than the file holds", With(rle, BmpSizeImage, 9)},
    };
    for (const Kind &k : kinds)
        EXPECT_EQ(0, Verdict(k.bytes, Folder() + "hostile.bmp")) << k.what;
}

TEST(BitmapFileCheck, TakesTheLongestPathAndRefusesWhatIsNoFile)
{
    std::string folder = Folder();
    std::string longest = folder + std::string(259 - folder.size() - 4, 'p') + ".bmp";
    ASSERT_EQ(259u, longest.size());
    EXPECT_EQ(1, Verdict(MakeBmpBytes(5, 3, 24), longest));
    DeleteFileA(longest.c_str());
    EXPECT_EQ(0, IsUsableBitmapFile(longest.c_str())) << "missing";
    EXPECT_EQ(0, IsUsableBitmapFile(folder.c_str())) << "a folder";
    EXPECT_EQ(0, IsUsableBitmapFile("")) << "no name";
}
