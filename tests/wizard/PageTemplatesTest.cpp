// The page templates and the wizard picture as stored in the program's resources.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include <windows.h>

#include "resources/resource.h"

namespace
{
const void* Resource(LPCSTR name, LPCSTR type, DWORD* size)
{
    HMODULE self = ::GetModuleHandleA(NULL);
    HRSRC found = ::FindResourceExA(self, type, name, MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL));
    if (found == NULL)
        return NULL;
    *size = ::SizeofResource(self, found);
    return ::LockResource(::LoadResource(self, found));
}

// Reads a template's words: ordinals as "#n", strings as their text.
class TemplateReader
{
public:
    TemplateReader(const void* data, DWORD size) : m_base((const BYTE*)data), m_end((const BYTE*)data + size), m_at(m_base) { }

    DWORD Dword()
    {
        DWORD value = 0;
        if (m_at + 4 <= m_end)
            memcpy(&value, m_at, 4);
        m_at += 4;
        return value;
    }
    WORD Word()
    {
        WORD value = 0;
        if (m_at + 2 <= m_end)
            memcpy(&value, m_at, 2);
        m_at += 2;
        return value;
    }
    std::string NameOrOrdinal()
    {
        WORD first = Word();
        if (first == 0xFFFF)
            return "#" + std::to_string(Word());
        std::string text;
        for (WORD c = first; c != 0 && m_at <= m_end; c = Word())
            text += (char)c;
        return text;
    }
    void AlignToDword() { m_at = m_base + (((m_at - m_base) + 3) & ~3); }
    bool Overran() const { return m_at > m_end; }

private:
    const BYTE* m_base;
    const BYTE* m_end;
    const BYTE* m_at;
};

std::string Describe(DWORD style, DWORD exStyle, int x, int y, int cx, int cy)
{
    char text[128];
    snprintf(text, sizeof(text), "style %08lx ex %08lx at %d,%d size %d,%d", style, exStyle, x, y, cx, cy);
    return text;
}

// The template as lines: the dialog, its font, then one line per control.
std::vector<std::string> ReadTemplate(UINT id)
{
    DWORD size = 0;
    const void* data = Resource(MAKEINTRESOURCEA(id), RT_DIALOG, &size);
    if (data == NULL)
        return { "no template" };
    TemplateReader reader(data, size);
    std::vector<std::string> lines;
    DWORD style = reader.Dword();
    DWORD exStyle = reader.Dword();
    int items = reader.Word();
    int x = (short)reader.Word(), y = (short)reader.Word(), cx = (short)reader.Word(), cy = (short)reader.Word();
    lines.push_back("dialog " + Describe(style, exStyle, x, y, cx, cy));
    std::string menu = reader.NameOrOrdinal();
    std::string windowClass = reader.NameOrOrdinal();
    std::string caption = reader.NameOrOrdinal();
    lines.push_back("menu '" + menu + "' class '" + windowClass + "' caption '" + caption + "'");
    if (style & DS_SETFONT)
    {
        int points = reader.Word();
        lines.push_back("font " + std::to_string(points) + " '" + reader.NameOrOrdinal() + "'");
    }
    for (int i = 0; i < items; i++)
    {
        reader.AlignToDword();
        DWORD itemStyle = reader.Dword();
        DWORD itemExStyle = reader.Dword();
        int ix = (short)reader.Word(), iy = (short)reader.Word(), icx = (short)reader.Word(), icy = (short)reader.Word();
        int itemId = (short)reader.Word();
        std::string itemClass = reader.NameOrOrdinal();
        if (itemClass == "#130" || lstrcmpiA(itemClass.c_str(), "Static") == 0)
            itemClass = "Static";   // the predefined class, by ordinal or by name
        std::string text = reader.NameOrOrdinal();
        WORD extra = reader.Word();
        lines.push_back("control " + std::to_string(itemId) + " class " + itemClass + " text '" + text + "' "
                        + Describe(itemStyle, itemExStyle, ix, iy, icx, icy) + " extra " + std::to_string(extra));
    }
    if (reader.Overran())
        lines.push_back("overran the resource");
    return lines;
}

TEST(PageTemplates, AreTheSixPagesWithTheirControls)
{
    // The picture's text is the bitmap's ordinal.
    const std::string dialog = "dialog " + Describe(WS_CHILD | DS_MODALFRAME | DS_SETFONT, 0, 0, 0, 304, 172);
    const std::string noMenu = "menu '' class '' caption ''";
    const std::string font = "font 8 'MS Sans Serif'";
    const std::string picture =
        "control -1 class Static text '#110' " + Describe(WS_CHILD | WS_VISIBLE | SS_BITMAP, 0, 0, 0, 105, 171) + " extra 0";
    const DWORD text = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;
    const std::string top = "control 1000 class Static text '' " + Describe(text, 0, 118, 4, 175, 32) + " extra 0";
    const std::string middle = "control 1002 class Static text '' " + Describe(text, 0, 118, 50, 175, 80) + " extra 0";
    const std::string box = "control 1002 class Static text '' "
                            + Describe(text | SS_SUNKEN | WS_BORDER, 0, 118, 50, 175, 80) + " extra 0";
    const std::string bottom = "control 1001 class Static text '' " + Describe(text, 0, 118, 134, 175, 32) + " extra 0";

    const std::map<UINT, std::vector<std::string>> expected = {
        { IDD_IN_TRO, { dialog, noMenu, font, picture, top, middle, bottom } },
        { IDD_IN_DRV, { dialog, noMenu, font, picture, top, box, bottom } },
        { IDD_IN_ROK, { dialog, noMenu, font, picture, top, bottom } },
        { IDD_IN_RNG, { dialog, noMenu, font, picture, top, bottom } },
        { IDD_UN_DRV, { dialog, noMenu, font, picture, top, box, bottom } },
        { IDD_UN_ROK, { dialog, noMenu, font, picture, top, bottom } },
    };
    for (const auto& page : expected)
    {
        SCOPED_TRACE(page.first);
        EXPECT_EQ(page.second, ReadTemplate(page.first));
    }
}

TEST(WizardPicture, IsA158By278BitmapInTheSixteenVgaColoursOnATealGround)
{
    DWORD size = 0;
    const BYTE* data = (const BYTE*)Resource(MAKEINTRESOURCEA(IDB_WIZ_PICTURE), RT_BITMAP, &size);
    ASSERT_NE(nullptr, data);
    ASSERT_LE(sizeof(BITMAPINFOHEADER) + 16 * sizeof(RGBQUAD), size);
    BITMAPINFOHEADER header;
    memcpy(&header, data, sizeof(header));
    EXPECT_EQ(sizeof(BITMAPINFOHEADER), header.biSize);
    EXPECT_EQ(158, header.biWidth);
    EXPECT_EQ(278, header.biHeight);
    EXPECT_EQ(1, header.biPlanes);
    EXPECT_EQ(4, header.biBitCount);
    EXPECT_EQ((DWORD)BI_RGB, header.biCompression);
    EXPECT_TRUE(header.biClrUsed == 0 || header.biClrUsed == 16) << header.biClrUsed;

    const DWORD vga[16] = { 0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
                            0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF };
    const RGBQUAD* palette = (const RGBQUAD*)(data + header.biSize);
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(vga[i], (DWORD)(palette[i].rgbRed << 16 | palette[i].rgbGreen << 8 | palette[i].rgbBlue)) << i;

    // The ground: teal is the picture's commonest colour.
    const DWORD stride = ((158 * 4 + 31) / 32) * 4;
    const BYTE* pixels = (const BYTE*)(palette + 16);
    ASSERT_LE((DWORD)(pixels - data) + stride * 278, size);
    int counts[16] = {};
    for (int y = 0; y < 278; y++)
        for (int x = 0; x < 158; x++)
            counts[(pixels[y * stride + x / 2] >> (x % 2 ? 0 : 4)) & 0xF]++;
    int commonest = 0;
    for (int i = 1; i < 16; i++)
        if (counts[i] > counts[commonest])
            commonest = i;
    EXPECT_EQ(6, commonest);

    HBITMAP bitmap = (HBITMAP)::LoadImageA(::GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDB_WIZ_PICTURE), IMAGE_BITMAP, 0,
                                           0, 0);
    ASSERT_NE(nullptr, bitmap);
    ::DeleteObject(bitmap);
}
}
