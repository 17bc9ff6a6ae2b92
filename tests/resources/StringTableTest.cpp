// The program's resources as the system reads them: the string table in each of its
// languages, the icon and the version block.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/StringResource.h"

namespace {

const UINT kStringIds[] = {
    IDS_APP_ERR_TITLE,       IDS_WIZ_ERR_ALREADY_INSTALLED, IDS_WIZ_ERR_SETUP_INF,
    IDS_WIZ_ERR_MODEM_INF,   IDS_IN_WIZ_TITLE,              IDS_WIZ_ERR_NO_ACCESS,
    IDS_UN_WIZ_TITLE,        IDS_WIZ_ERR_TITLE,             IDS_IN_TRO_TOP_TITLE,
    IDS_IN_TRO_MIDDLE_TITLE, IDS_IN_TRO_BOTTOM_TITLE,       IDS_IN_DRV_TOP_TITLE,
    IDS_IN_DRV_BOTTOM_TITLE, IDS_IN_ROK_TOP_TITLE,          IDS_IN_ROK_BOTTOM_TITLE,
    IDS_IN_RNG_TOP_TITLE,    IDS_IN_RNG_BOTTOM_TITLE,       IDS_UN_DRV_TOP_TITLE,
    IDS_UN_DRV_BOTTOM_TITLE, IDS_UN_ROK_TOP_TITLE,          IDS_UN_ROK_BOTTOM_TITLE,
    IDS_UN_RNG_TOP_TITLE,
};

// Every text is loaded into a buffer of 256 characters; the table keeps below that.
const size_t kLongestText = 199;

const LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL);

HMODULE Self()
{
    return GetModuleHandleW(nullptr);
}

// The string of `id` exactly in `lang`, as this program's table holds it.
std::optional<std::wstring> ReadString(UINT id, LANGID lang)
{
    return ::ReadString(Self(), id, lang);
}

BOOL CALLBACK CollectBlock(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR blocks)
{
    if (IS_INTRESOURCE(name))
        reinterpret_cast<std::vector<UINT>*>(blocks)->push_back(LOWORD(name));
    return TRUE;
}

// The IDs of all non-empty strings that `lang` holds.
std::vector<UINT> IdsIn(LANGID lang)
{
    std::vector<UINT> blocks;
    EnumResourceNamesW(Self(), reinterpret_cast<LPCWSTR>(RT_STRING), CollectBlock,
                       reinterpret_cast<LONG_PTR>(&blocks));
    std::vector<UINT> ids;
    for (UINT block : blocks) {
        auto strings = ReadStringBlock(Self(), block, lang);
        if (!strings)
            continue;
        for (UINT i = 0; i < 16; ++i)
            if (!(*strings)[i].empty())
                ids.push_back((block - 1) * 16 + i);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

struct Language {
    const char* name;
    LANGID lang;
    UINT ansiCodePage;   // the code page LoadStringA converts to under that language
};

const Language kLanguages[] = {
    {"Danish", MAKELANGID(LANG_DANISH, SUBLANG_NEUTRAL), 1252},
    {"German", MAKELANGID(LANG_GERMAN, SUBLANG_NEUTRAL), 1252},
    {"English", kEnglish, 1252},
    {"Spanish", MAKELANGID(LANG_SPANISH, SUBLANG_NEUTRAL), 1252},
    {"Finnish", MAKELANGID(LANG_FINNISH, SUBLANG_NEUTRAL), 1252},
    {"French", MAKELANGID(LANG_FRENCH, SUBLANG_NEUTRAL), 1252},
    {"Italian", MAKELANGID(LANG_ITALIAN, SUBLANG_NEUTRAL), 1252},
    {"Japanese", MAKELANGID(LANG_JAPANESE, SUBLANG_NEUTRAL), 932},
    {"Dutch", MAKELANGID(LANG_DUTCH, SUBLANG_NEUTRAL), 1252},
    {"Norwegian", MAKELANGID(LANG_NORWEGIAN, SUBLANG_NEUTRAL), 1252},
    {"Portuguese", MAKELANGID(LANG_PORTUGUESE, SUBLANG_NEUTRAL), 1252},
    {"Swedish", MAKELANGID(LANG_SWEDISH, SUBLANG_NEUTRAL), 1252},
    {"ChineseTaiwan", MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL), 950},
    {"ChinesePRC", MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), 936},
};

void PrintTo(const Language& language, std::ostream* out)
{
    *out << language.name;
}

class StringTable : public testing::TestWithParam<Language> {};

TEST_P(StringTable, HoldsEveryTextNonEmptyAndShortEnough)
{
    for (UINT id : kStringIds) {
        auto text = ReadString(id, GetParam().lang);
        ASSERT_TRUE(text) << "string " << id;
        EXPECT_LE(text->size(), kLongestText) << "string " << id;
    }
}

TEST_P(StringTable, HoldsNoOtherIds)
{
    std::vector<UINT> expected(std::begin(kStringIds), std::end(kStringIds));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, IdsIn(GetParam().lang));
}

// LoadStringA hands the texts out in the language's ANSI code page, into 256 bytes.
TEST_P(StringTable, FitsTheAnsiBufferInItsCodePage)
{
    for (UINT id : kStringIds) {
        std::wstring text = ReadString(id, GetParam().lang).value_or(L"");
        char ansi[1024];
        BOOL lost = FALSE;
        int bytes = WideCharToMultiByte(GetParam().ansiCodePage, WC_NO_BEST_FIT_CHARS,
                                        text.c_str(), -1, ansi, sizeof ansi, nullptr, &lost);
        EXPECT_GT(bytes, 0) << "string " << id;
        EXPECT_LE(bytes, 256) << "string " << id;
        EXPECT_FALSE(lost) << "string " << id << " has a character outside code page "
                           << GetParam().ansiCodePage;
    }
}

// Line breaks arrive as real line feeds, and nothing else of the script's escapes.
TEST_P(StringTable, HoldsPlainTextWithLineFeedsOnly)
{
    for (UINT id : kStringIds) {
        std::wstring text = ReadString(id, GetParam().lang).value_or(L"");
        ASSERT_FALSE(text.empty()) << "string " << id;
        EXPECT_EQ(std::wstring::npos, text.find(L'\\')) << "string " << id;
        EXPECT_EQ(std::wstring::npos, text.find(L"\n\n")) << "string " << id;
        EXPECT_FALSE(iswspace(text.front()) || iswspace(text.back())) << "string " << id;
        for (wchar_t c : text)
            EXPECT_TRUE(c == L'\n' || !(c < 0x20 || (c >= 0x7F && c < 0xA0)))
                << "string " << id << " holds character " << int(c);
    }
}

TEST_P(StringTable, TranslatesTheLongerTexts)
{
    if (GetParam().lang == kEnglish)
        GTEST_SKIP() << "the English table is the original";
    for (UINT id : kStringIds) {
        std::wstring english = ReadString(id, kEnglish).value_or(L"");
        if (english.size() < 30)
            continue;
        EXPECT_NE(english, ReadString(id, GetParam().lang).value_or(L"")) << "string " << id;
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, StringTable, testing::ValuesIn(kLanguages),
                         [](const testing::TestParamInfo<Language>& info) {
                             return std::string(info.param.name);
                         });

TEST(StringTable, EnglishTextsAreTheProgramsOwn)
{
    struct {
        UINT id;
        const wchar_t* text;
    } const cases[] = {
        {1, L"Installation Error"},
        {10, L"The wizard was unable to install the modem because it is already installed. "
             L"Please un-install the modem from the control panel Add/Remove Programs applet "
             L"before running this program again."},
        {11, L"The wizard was unable to continue because it could not locate a valid setup  INF "
             L"file in its local directory. The file might be missing, or it might contain "
             L"entries the wizard cannot understand."},
        {12, L"The wizard was unable to continue because it could not locate a valid modem  INF "
             L"file in the system INF directory. The file might be missing, or it might contain "
             L"entries the wizard cannot understand."},
        {13, L"Modem Board Installation Wizard"},
        {14, L"The wizard cannot proceed because it does not have access to the system data "
             L"files. You must be logged in as a system administrator to run this program."},
        {15, L"Modem Board Uninstallation Wizard"},
        {16, L"Installation Error"},
        {111, L"Welcome to the modem board installation wizard."},
        {112, L"This wizard will install a new modem driver on your computer."},
        {113, L"To begin installing the modem driver, click Next."},
        {114, L"The wizard will install the modem driver shown below."},
        {116, L"To install the modem driver, click Next."},
        {117, L"The modem driver was installed successfully:"},
        {119, L"To return to Windows NT, click Finish."},
        {120, L"The driver could not be installed"},
        {121, L"If you would like to try again, click Back."},
        {122, L"The wizard will un-install the modem driver shown below."},
        {124, L"To un-install the modem driver, click Next."},
        {125, L"The modem driver was un-installed successfully:"},
        {127, L"To return to Windows NT, click Finish."},
        {128, L"The modem driver could not be un-installed."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::wstring(c.text), ReadString(c.id, kEnglish).value_or(L"(missing)"))
            << "string " << c.id;
}

// The scripts are UTF-8; these texts come out only when the compiler read them as such.
TEST(StringTable, KeepsTextsBeyondAscii)
{
    struct {
        LANGID lang;
        UINT id;
        const wchar_t* text;
    } const cases[] = {
        {MAKELANGID(LANG_GERMAN, SUBLANG_NEUTRAL), IDS_IN_ROK_BOTTOM_TITLE,
         L"Klicken Sie auf \u201EFertig stellen\u201C, um zu Windows NT zur\u00FCckzukehren."},
        {MAKELANGID(LANG_JAPANESE, SUBLANG_NEUTRAL), IDS_APP_ERR_TITLE,
         L"\u30A4\u30F3\u30B9\u30C8\u30FC\u30EB \u30A8\u30E9\u30FC"},
        {MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL), IDS_APP_ERR_TITLE,
         L"\u5B89\u88DD\u932F\u8AA4"},
        {MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), IDS_APP_ERR_TITLE,
         L"\u5B89\u88C5\u9519\u8BEF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::wstring(c.text), ReadString(c.id, c.lang).value_or(L"(missing)"))
            << "language " << std::hex << c.lang;
}

// ---- Icon ----

#pragma pack(push, 2)
struct GroupIconDir {
    WORD reserved;
    WORD type;
    WORD count;
};
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colorCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInRes;
    WORD id;
};
#pragma pack(pop)

const void* ResourceData(LPCSTR name, LPCSTR type, DWORD* size = nullptr)
{
    HRSRC found = FindResourceA(Self(), name, type);
    if (!found)
        return nullptr;
    if (size)
        *size = SizeofResource(Self(), found);
    return LockResource(LoadResource(Self(), found));
}

class Icon : public testing::TestWithParam<int> {};

TEST_P(Icon, LoadsAtItsSize)
{
    const int size = GetParam();
    HICON icon = static_cast<HICON>(
        LoadImageA(Self(), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, size, size, 0));
    ASSERT_NE(nullptr, icon);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP mask{};
    ASSERT_TRUE(GetObjectA(info.hbmMask, sizeof mask, &mask));
    EXPECT_EQ(size, mask.bmWidth);
    if (info.hbmColor) {
        BITMAP colour{};
        ASSERT_TRUE(GetObjectA(info.hbmColor, sizeof colour, &colour));
        EXPECT_EQ(size, colour.bmWidth);
        EXPECT_EQ(size, colour.bmHeight);
        DeleteObject(info.hbmColor);
    }
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
}

// The image of that size: 16 colours of the VGA palette, drawn on transparent ground.
TEST_P(Icon, HasA16ColourImageOnTransparentGround)
{
    const int size = GetParam();
    auto dir = static_cast<const GroupIconDir*>(
        ResourceData(MAKEINTRESOURCEA(IDR_MAINFRAME), RT_GROUP_ICON));
    ASSERT_NE(nullptr, dir);
    auto entries = reinterpret_cast<const GroupIconEntry*>(dir + 1);
    const GroupIconEntry* entry = std::find_if(entries, entries + dir->count, [&](auto& e) {
        return e.width == size && e.height == size;
    });
    ASSERT_NE(entries + dir->count, entry);
    EXPECT_EQ(4, entry->bitCount);
    EXPECT_EQ(16, entry->colorCount);

    DWORD bytes = 0;
    auto header = static_cast<const BITMAPINFOHEADER*>(
        ResourceData(MAKEINTRESOURCEA(entry->id), RT_ICON, &bytes));
    ASSERT_NE(nullptr, header);
    EXPECT_EQ(size, header->biWidth);
    EXPECT_EQ(2 * size, header->biHeight);
    EXPECT_EQ(4, header->biBitCount);

    static const COLORREF vga[16] = {
        RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
        RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(192, 192, 192),
        RGB(128, 128, 128), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
        RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255),
    };
    auto palette = reinterpret_cast<const RGBQUAD*>(header + 1);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(vga[i], RGB(palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue))
            << "colour " << i;

    // The AND mask follows the colour rows; rows run bottom up, padded to 4 bytes.
    const size_t colourRow = (size * 4 + 31) / 32 * 4, maskRow = (size + 31) / 32 * 4;
    auto mask = reinterpret_cast<const BYTE*>(palette + 16) + colourRow * size;
    ASSERT_LE(header->biSize + 16 * sizeof(RGBQUAD) + (colourRow + maskRow) * size, bytes);
    auto transparent = [&](int x, int y) {
        return (mask[(size - 1 - y) * maskRow + x / 8] & (0x80 >> (x % 8))) != 0;
    };
    EXPECT_TRUE(transparent(0, 0));
    EXPECT_TRUE(transparent(size - 1, size - 1));
    EXPECT_FALSE(transparent(size / 2, size / 2));
}

INSTANTIATE_TEST_SUITE_P(Sizes, Icon, testing::Values(32, 16),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::to_string(info.param) + "px";
                         });

TEST(IconGroup, HoldsExactlyTheTwoSizes)
{
    auto dir = static_cast<const GroupIconDir*>(
        ResourceData(MAKEINTRESOURCEA(IDR_MAINFRAME), RT_GROUP_ICON));
    ASSERT_NE(nullptr, dir);
    EXPECT_EQ(1, dir->type);
    ASSERT_EQ(2, dir->count);
    auto entries = reinterpret_cast<const GroupIconEntry*>(dir + 1);
    std::vector<int> sizes = {entries[0].width, entries[1].width};
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ((std::vector<int>{16, 32}), sizes);
}

// ---- Version block ----

class VersionBlock : public testing::Test {
protected:
    void SetUp() override
    {
        char path[MAX_PATH];
        ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
        DWORD handle = 0;
        DWORD size = GetFileVersionInfoSizeA(path, &handle);
        ASSERT_GT(size, 0u) << GetLastError();
        data_.resize(size);
        ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, data_.data())) << GetLastError();
    }

    const void* Query(const char* subBlock, UINT* length)
    {
        void* value = nullptr;
        if (!VerQueryValueA(data_.data(), subBlock, &value, length))
            return nullptr;
        return value;
    }

    std::vector<char> data_;
};

TEST_F(VersionBlock, GivesVersionOneZeroZeroOne)
{
    UINT length = 0;
    auto fixed = static_cast<const VS_FIXEDFILEINFO*>(Query("\\", &length));
    ASSERT_NE(nullptr, fixed);
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    EXPECT_EQ(MAKELONG(0, 1), fixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(1, 0), fixed->dwFileVersionLS);
    EXPECT_EQ(MAKELONG(0, 1), fixed->dwProductVersionMS);
    EXPECT_EQ(MAKELONG(1, 0), fixed->dwProductVersionLS);
}

TEST_F(VersionBlock, NamesTheProgram)
{
    struct {
        const char* name;
        const char* value;
    } const cases[] = {
        {"FileDescription", "SETUP Application"},
        {"ProductName", "SETUP Application"},
        {"InternalName", "SETUP"},
        {"OriginalFilename", "SETUP.EXE"},
        {"FileVersion", "1, 0, 0, 1"},
        {"ProductVersion", "1, 0, 0, 1"},
    };
    for (const auto& c : cases) {
        std::string subBlock = std::string("\\StringFileInfo\\040904B0\\") + c.name;
        UINT length = 0;
        auto value = static_cast<const char*>(Query(subBlock.c_str(), &length));
        ASSERT_NE(nullptr, value) << c.name;
        EXPECT_STREQ(c.value, value) << c.name;
    }
}

TEST_F(VersionBlock, DeclaresUsEnglishInUnicode)
{
    UINT length = 0;
    auto translation = static_cast<const WORD*>(Query("\\VarFileInfo\\Translation", &length));
    ASSERT_NE(nullptr, translation);
    ASSERT_EQ(2 * sizeof(WORD), length);
    EXPECT_EQ(0x409, translation[0]);
    EXPECT_EQ(1200, translation[1]);
}

}  // namespace
