#include "lab/pilot/PngFile.h"

#include <windows.h>

namespace
{
const size_t c_storedBlockMax = 65535;

void PutBigEndian32(std::vector<unsigned char>& out, uint32_t value)
{
    out.push_back((unsigned char)(value >> 24));
    out.push_back((unsigned char)(value >> 16));
    out.push_back((unsigned char)(value >> 8));
    out.push_back((unsigned char)value);
}

// Length, type, data and the CRC of type and data.
void PutChunk(std::vector<unsigned char>& out, const char type[4], const std::vector<unsigned char>& data)
{
    PutBigEndian32(out, (uint32_t)data.size());
    size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBigEndian32(out, PngCrc32(&out[typeAt], 4 + data.size()));
}

// A zlib stream (no compression) of the raw bytes.
std::vector<unsigned char> StoredZlibStream(const std::vector<unsigned char>& raw)
{
    std::vector<unsigned char> out;
    out.reserve(raw.size() + raw.size() / c_storedBlockMax * 5 + 16);
    out.push_back(0x78);   // deflate, 32K window
    out.push_back(0x01);   // no preset dictionary, fastest; 0x7801 is a multiple of 31
    size_t at = 0;
    do
    {
        size_t length = raw.size() - at < c_storedBlockMax ? raw.size() - at : c_storedBlockMax;
        bool last = at + length == raw.size();
        out.push_back(last ? 1 : 0);   // BFINAL, BTYPE 00 (stored)
        out.push_back((unsigned char)length);
        out.push_back((unsigned char)(length >> 8));
        out.push_back((unsigned char)~length);
        out.push_back((unsigned char)(~length >> 8));
        out.insert(out.end(), raw.begin() + at, raw.begin() + at + length);
        at += length;
    } while (at < raw.size());
    PutBigEndian32(out, ZlibAdler32(raw.data(), raw.size()));
    return out;
}
}

uint32_t PngCrc32(const unsigned char* data, size_t len, uint32_t crc)
{
    static uint32_t table[256];
    static bool made = false;
    if (!made)
    {
        for (uint32_t n = 0; n < 256; n++)
        {
            uint32_t c = n;
            for (int k = 0; k < 8; k++)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        made = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < len; i++)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

uint32_t ZlibAdler32(const unsigned char* data, size_t len, uint32_t adler)
{
    uint32_t a = adler & 0xFFFF;
    uint32_t b = adler >> 16;
    for (size_t i = 0; i < len; i++)
    {
        a = (a + data[i]) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

std::vector<unsigned char> MakePngFile(int width, int height, const unsigned char* bgr, size_t stride)
{
    std::vector<unsigned char> file;
    // A 16-bit screen is the most we take: far below PNG's limits and size_t's.
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535 || bgr == nullptr
        || stride < (size_t)width * 3)
        return file;

    std::vector<unsigned char> raw;
    raw.reserve((size_t)height * ((size_t)width * 3 + 1));
    for (int y = 0; y < height; y++)
    {
        const unsigned char* row = bgr + (size_t)y * stride;
        raw.push_back(0);   // filter: none
        for (int x = 0; x < width; x++)
        {
            raw.push_back(row[x * 3 + 2]);
            raw.push_back(row[x * 3 + 1]);
            raw.push_back(row[x * 3]);
        }
    }

    static const unsigned char signature[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    file.assign(signature, signature + sizeof(signature));
    std::vector<unsigned char> header;
    PutBigEndian32(header, (uint32_t)width);
    PutBigEndian32(header, (uint32_t)height);
    header.push_back(8);   // bits per sample
    header.push_back(2);   // colour type: RGB
    header.push_back(0);   // compression: deflate
    header.push_back(0);   // filter method 0
    header.push_back(0);   // no interlace
    PutChunk(file, "IHDR", header);
    PutChunk(file, "IDAT", StoredZlibStream(raw));
    PutChunk(file, "IEND", std::vector<unsigned char>());
    return file;
}

bool WriteWholeFile(const std::wstring& path, const std::vector<unsigned char>& bytes)
{
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    size_t at = 0;
    while (ok && at < bytes.size())
    {
        DWORD chunk = bytes.size() - at > 0x100000 ? 0x100000 : (DWORD)(bytes.size() - at);
        DWORD written = 0;
        ok = ::WriteFile(file, bytes.data() + at, chunk, &written, NULL) && written == chunk;
        at += chunk;
    }
    return ::CloseHandle(file) && ok;
}
