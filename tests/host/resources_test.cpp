// jvmhost's resources as Windows reads them from the built program: icon
// group 101 in Chinese (PRC) with its eleven images, the manifest and the
// version resource.  Each
// case runs against the probe built from the same .rc and, once it is built,
// against jvmhost.exe itself, both loaded as image-resource data files.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/version_expectations.h"

namespace {

constexpr WORD kChinesePrc = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
constexpr WORD kIconGroupId = 101;
constexpr size_t kImageCount = 11;

#pragma pack(push, 2)
// The group directory as the resource compiler stores it (RT_GROUP_ICON).
struct GroupIconHeader {
  WORD reserved;
  WORD type;
  WORD count;
};
struct GroupIconEntry {
  BYTE width;  // 0 stands for 256
  BYTE height;
  BYTE colourCount;
  BYTE reserved;
  WORD planes;
  WORD bitCount;
  DWORD bytesInRes;
  WORD id;
};
#pragma pack(pop)
static_assert(sizeof(GroupIconEntry) == 14, "GRPICONDIRENTRY is 14 bytes");

struct Resource {
  const BYTE* data = nullptr;
  DWORD size = 0;
};

Resource FindResourceBytes(HMODULE module, LPCSTR type, LPCSTR name, WORD language) {
  Resource resource;
  HRSRC found = FindResourceExA(module, type, name, language);
  if (found == nullptr) return resource;
  HGLOBAL loaded = LoadResource(module, found);
  if (loaded == nullptr) return resource;
  resource.data = static_cast<const BYTE*>(LockResource(loaded));
  resource.size = SizeofResource(module, found);
  return resource;
}

int Side(BYTE stored) { return stored == 0 ? 256 : stored; }

int Stride(int width, int bits) { return (width * bits + 31) / 32 * 4; }

// One icon image (BITMAPINFOHEADER, palette, colour bitmap, AND mask).
struct IconImage {
  const BITMAPINFOHEADER* header;
  int side;
  int bits;
  const RGBQUAD* palette;
  const BYTE* colours;
  const BYTE* mask;

  // Rows are stored bottom-up; y counts from the top.
  bool Transparent(int x, int y) const {
    const BYTE* row = mask + (side - 1 - y) * Stride(side, 1);
    return (row[x / 8] & (0x80 >> (x % 8))) != 0;
  }
  // Straight RGBA; paletted pixels are opaque, the mask says where they show.
  RGBQUAD Colour(int x, int y) const {
    const BYTE* row = colours + (side - 1 - y) * Stride(side, bits);
    if (bits == 32) return reinterpret_cast<const RGBQUAD*>(row)[x];
    int index = bits == 8 ? row[x] : (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F;
    RGBQUAD colour = palette[index];
    colour.rgbReserved = 0xFF;
    return colour;
  }
};

size_t PaletteEntries(int bits) { return bits <= 8 ? size_t{1} << bits : 0; }

size_t ExpectedImageBytes(int side, int bits) {
  return sizeof(BITMAPINFOHEADER) + PaletteEntries(bits) * sizeof(RGBQUAD) +
         static_cast<size_t>(Stride(side, bits)) * side + static_cast<size_t>(Stride(side, 1)) * side;
}

IconImage ViewImage(const Resource& resource, int side, int bits) {
  IconImage image;
  image.header = reinterpret_cast<const BITMAPINFOHEADER*>(resource.data);
  image.side = side;
  image.bits = bits;
  image.palette = reinterpret_cast<const RGBQUAD*>(resource.data + sizeof(BITMAPINFOHEADER));
  image.colours = resource.data + sizeof(BITMAPINFOHEADER) + PaletteEntries(bits) * sizeof(RGBQUAD);
  image.mask = image.colours + static_cast<size_t>(Stride(side, bits)) * side;
  return image;
}

BOOL CALLBACK CountName(HMODULE, LPCSTR, LPSTR, LONG_PTR count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

int CountResources(HMODULE module, LPCSTR type) {
  int count = 0;
  EnumResourceNamesA(module, type, CountName, reinterpret_cast<LONG_PTR>(&count));
  return count;
}

class ModuleResourcesTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    ASSERT_GT(length, 0u) << "GetModuleFileNameA failed: " << GetLastError();
    std::string folder(path, length);
    folder.erase(folder.find_last_of('\\') + 1);
    path_ = folder + GetParam();
    if (GetFileAttributesA(path_.c_str()) == INVALID_FILE_ATTRIBUTES) {
      GTEST_SKIP() << path_ << " is not built";
    }
    module_ = LoadLibraryExA(path_.c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr) << "LoadLibraryExA(" << path_ << ") failed: " << GetLastError();
    group_ = FindResourceBytes(module_, RT_GROUP_ICON, MAKEINTRESOURCEA(kIconGroupId), kChinesePrc);
    ASSERT_NE(group_.data, nullptr) << "FindResourceExA(RT_GROUP_ICON, 101, 0x0804) failed: "
                                    << GetLastError();
    ASSERT_GE(group_.size, sizeof(GroupIconHeader));
  }
  void TearDown() override {
    if (module_ != nullptr) FreeLibrary(module_);
  }

  const GroupIconHeader& Header() const { return *reinterpret_cast<const GroupIconHeader*>(group_.data); }
  std::vector<GroupIconEntry> Entries() const {
    size_t available = (group_.size - sizeof(GroupIconHeader)) / sizeof(GroupIconEntry);
    const auto* first = reinterpret_cast<const GroupIconEntry*>(group_.data + sizeof(GroupIconHeader));
    return std::vector<GroupIconEntry>(first, first + std::min<size_t>(available, Header().count));
  }
  Resource Image(const GroupIconEntry& entry) const {
    return FindResourceBytes(module_, RT_ICON, MAKEINTRESOURCEA(entry.id), kChinesePrc);
  }

  std::string path_;
  HMODULE module_ = nullptr;
  Resource group_;
};

}  // namespace

TEST_P(ModuleResourcesTest, IconGroupIsAnIconDirectoryOfElevenImages) {
  EXPECT_EQ(Header().reserved, 0);
  EXPECT_EQ(Header().type, 1) << "1 marks icons, 2 cursors";
  EXPECT_EQ(Header().count, kImageCount);
  EXPECT_EQ(group_.size, sizeof(GroupIconHeader) + kImageCount * sizeof(GroupIconEntry));
}

TEST_P(ModuleResourcesTest, IconGroupListsEverySizeAndDepthExactlyOnce) {
  std::multiset<std::tuple<int, int, int>> listed;
  for (const GroupIconEntry& entry : Entries()) {
    listed.insert({Side(entry.width), Side(entry.height), entry.bitCount});
    EXPECT_EQ(entry.planes, 1) << "image " << entry.id;
    EXPECT_EQ(entry.colourCount, entry.bitCount == 4 ? 16 : 0) << "image " << entry.id;
  }
  std::multiset<std::tuple<int, int, int>> expected = {
      {16, 16, 4},  {32, 32, 4},  {48, 48, 4},    {16, 16, 8},    {32, 32, 8},   {48, 48, 8},
      {256, 256, 8}, {16, 16, 32}, {32, 32, 32}, {48, 48, 32}, {256, 256, 32}};
  EXPECT_EQ(listed, expected);
}

TEST_P(ModuleResourcesTest, EveryListedImageIsABitmapOfItsSizeAndDepth) {
  for (const GroupIconEntry& entry : Entries()) {
    SCOPED_TRACE("image " + std::to_string(entry.id));
    Resource image = Image(entry);
    ASSERT_NE(image.data, nullptr) << "FindResourceExA(RT_ICON) failed: " << GetLastError();
    EXPECT_EQ(image.size, entry.bytesInRes);
    ASSERT_GE(image.size, sizeof(BITMAPINFOHEADER));
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(image.data);
    int side = Side(entry.width);
    EXPECT_EQ(header->biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(header->biWidth, side);
    EXPECT_EQ(header->biHeight, 2 * side) << "the height counts colour bitmap and mask";
    EXPECT_EQ(header->biPlanes, 1);
    EXPECT_EQ(header->biBitCount, entry.bitCount);
    EXPECT_EQ(header->biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(header->biClrUsed, 0u) << "a paletted image carries its full palette";
    EXPECT_EQ(image.size, ExpectedImageBytes(side, entry.bitCount));
  }
}

TEST_P(ModuleResourcesTest, EveryImageIsRoundWithClearCornersAndASolidCentre) {
  for (const GroupIconEntry& entry : Entries()) {
    SCOPED_TRACE("image " + std::to_string(entry.id));
    Resource resource = Image(entry);
    ASSERT_EQ(resource.size, ExpectedImageBytes(Side(entry.width), entry.bitCount));
    IconImage image = ViewImage(resource, Side(entry.width), entry.bitCount);
    int last = image.side - 1;
    int middle = image.side / 2;
    for (auto [x, y] : {std::pair{0, 0}, {last, 0}, {0, last}, {last, last}}) {
      EXPECT_TRUE(image.Transparent(x, y)) << "corner " << x << "," << y;
    }
    EXPECT_FALSE(image.Transparent(middle, middle));
    if (image.bits == 32) {
      EXPECT_EQ(image.Colour(0, 0).rgbReserved, 0) << "corner alpha";
      EXPECT_EQ(image.Colour(middle, middle).rgbReserved, 255) << "centre alpha";
    }
  }
}

TEST_P(ModuleResourcesTest, TrueColourMasksAreSetExactlyWhereAlphaIsZero) {
  for (const GroupIconEntry& entry : Entries()) {
    if (entry.bitCount != 32) continue;
    SCOPED_TRACE("image " + std::to_string(entry.id));
    Resource resource = Image(entry);
    ASSERT_EQ(resource.size, ExpectedImageBytes(Side(entry.width), 32));
    IconImage image = ViewImage(resource, Side(entry.width), 32);
    int mismatches = 0;
    for (int y = 0; y < image.side; ++y) {
      for (int x = 0; x < image.side; ++x) {
        if (image.Transparent(x, y) != (image.Colour(x, y).rgbReserved == 0)) ++mismatches;
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
}

TEST_P(ModuleResourcesTest, EveryImageShowsSeveralColours) {
  for (const GroupIconEntry& entry : Entries()) {
    SCOPED_TRACE("image " + std::to_string(entry.id));
    Resource resource = Image(entry);
    ASSERT_EQ(resource.size, ExpectedImageBytes(Side(entry.width), entry.bitCount));
    IconImage image = ViewImage(resource, Side(entry.width), entry.bitCount);
    std::set<DWORD> shown;
    for (int y = 0; y < image.side; ++y) {
      for (int x = 0; x < image.side; ++x) {
        if (image.Transparent(x, y)) continue;
        RGBQUAD c = image.Colour(x, y);
        shown.insert(RGB(c.rgbRed, c.rgbGreen, c.rgbBlue));
      }
    }
    // Disc, rim, leaves and boat at the least; a zeroed palette shows one.
    EXPECT_GE(shown.size(), 4u);
  }
}

TEST_P(ModuleResourcesTest, WindowsMakesAnIconOfEveryImage) {
  for (const GroupIconEntry& entry : Entries()) {
    SCOPED_TRACE("image " + std::to_string(entry.id));
    Resource resource = Image(entry);
    ASSERT_NE(resource.data, nullptr) << "FindResourceExA(RT_ICON) failed: " << GetLastError();
    int side = Side(entry.width);
    HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(resource.data), resource.size, TRUE,
                                          0x00030000, side, side, LR_DEFAULTCOLOR);
    ASSERT_NE(icon, nullptr) << "CreateIconFromResourceEx failed: " << GetLastError();
    ICONINFO info = {};
    EXPECT_TRUE(GetIconInfo(icon, &info)) << "GetIconInfo failed: " << GetLastError();
    BITMAP mask = {};
    EXPECT_TRUE(GetObjectA(info.hbmMask, sizeof mask, &mask)) << "GetObjectA failed: " << GetLastError();
    EXPECT_EQ(mask.bmWidth, side);
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

TEST_P(ModuleResourcesTest, ProgramCarriesNoOtherIcons) {
  EXPECT_EQ(CountResources(module_, RT_GROUP_ICON), 1);
  EXPECT_EQ(CountResources(module_, RT_ICON), static_cast<int>(kImageCount));
}

TEST_P(ModuleResourcesTest, ManifestAsksForTheInvokersRightsWithoutUiAccess) {
  HRSRC found = FindResourceA(module_, MAKEINTRESOURCEA(1), RT_MANIFEST);
  ASSERT_NE(found, nullptr) << "FindResourceA(RT_MANIFEST, 1) failed: " << GetLastError();
  HGLOBAL loaded = LoadResource(module_, found);
  ASSERT_NE(loaded, nullptr) << "LoadResource failed: " << GetLastError();
  std::string manifest(static_cast<const char*>(LockResource(loaded)), SizeofResource(module_, found));
  EXPECT_NE(manifest.find("requestedExecutionLevel level=\"asInvoker\""), std::string::npos) << manifest;
  EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos) << manifest;
}

TEST_P(ModuleResourcesTest, VersionResourceNamesTheLauncherAndRelay) {
  // "青禾舟启动与打印中转程序": the product's launcher and print relay.  The
  // probe carries jvmhost's resources, so it carries jvmhost's names too.
  ExpectProductVersionResource(
      path_, "\xC7\xE0\xBA\xCC\xD6\xDB\xC6\xF4\xB6\xAF\xD3\xEB\xB4\xF2\xD3\xA1\xD6\xD0\xD7\xAA\xB3\xCC\xD0\xF2",
      "jvmhost");
}

INSTANTIATE_TEST_SUITE_P(Programs, ModuleResourcesTest,
                         ::testing::Values("jvmhost.exe", "resource_probe.exe"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find('.'));
                         });
