// A PNG file of a 24-bit picture, written without any library: 8-bit RGB, no
// interlace, every row with filter 0, the zlib stream made of stored deflate blocks
// (so the file is as large as the picture; scripts/lab recompresses it afterwards).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The whole file for a picture of width x height pixels whose rows, top row first, lie
// stride bytes apart at bgr, each pixel blue, green, red (a 24-bit DIB's layout).
// Empty for a picture of no pixels or one too large for a PNG.
std::vector<unsigned char> MakePngFile(int width, int height, const unsigned char* bgr, size_t stride);

// CRC-32 of the PNG chunks (ISO 3309, the one of zlib and Ethernet) and Adler-32 of
// the zlib stream, each over len bytes at data, continuing from crc or adler.
uint32_t PngCrc32(const unsigned char* data, size_t len, uint32_t crc = 0);
uint32_t ZlibAdler32(const unsigned char* data, size_t len, uint32_t adler = 1);

// Writes the bytes to the file (created anew); false when it cannot.
bool WriteWholeFile(const std::wstring& path, const std::vector<unsigned char>& bytes);
