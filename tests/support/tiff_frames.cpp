#include "support/tiff_frames.h"

#include <tiffio.h>

#include <algorithm>
#include <stdexcept>

Picture SolidPicture(int width, int height, uint32_t colour) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.pixels.assign(static_cast<size_t>(width) * height, colour);
  return picture;
}

void FillRect(Picture& picture, int x, int y, int w, int h, uint32_t colour) {
  for (int row = std::max(y, 0); row < std::min(y + h, picture.height); ++row) {
    for (int column = std::max(x, 0); column < std::min(x + w, picture.width); ++column) {
      picture.At(column, row) = colour;
    }
  }
}

void WriteRgbTiff(const std::string& path, const Picture& picture) {
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  if (tiff == nullptr) throw std::runtime_error("cannot create " + path);
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(picture.width));
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(picture.height));
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 16);
  std::vector<uint8_t> row(static_cast<size_t>(picture.width) * 3);
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const uint32_t p = picture.At(x, y);
      row[x * 3] = p & 0xFF;
      row[x * 3 + 1] = (p >> 8) & 0xFF;
      row[x * 3 + 2] = (p >> 16) & 0xFF;
    }
    if (TIFFWriteScanline(tiff, row.data(), static_cast<uint32_t>(y), 0) < 0) {
      TIFFClose(tiff);
      throw std::runtime_error("cannot write " + path);
    }
  }
  TIFFClose(tiff);
}

namespace {

void PutLittleEndian(std::string& bytes, uint32_t value, int width) {
  for (int i = 0; i < width; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

std::string ForgedTiff(uint32_t width, uint32_t height, uint32_t dataBytes) {
  struct Entry {
    uint16_t tag;
    uint16_t type;  // 3 = SHORT, 4 = LONG
    uint32_t value;
  };
  constexpr uint32_t kEntries = 9;
  constexpr uint32_t kDataOffset = 8 + 2 + kEntries * 12 + 4;
  const Entry entries[kEntries] = {
      {256, 4, width},       {257, 4, height}, {258, 3, 8},      {259, 3, 1},         {262, 3, 1},
      {273, 4, kDataOffset}, {277, 3, 1},      {278, 4, height}, {279, 4, dataBytes},
  };
  std::string bytes = "II";
  PutLittleEndian(bytes, 42, 2);
  PutLittleEndian(bytes, 8, 4);
  PutLittleEndian(bytes, kEntries, 2);
  for (const Entry& e : entries) {
    PutLittleEndian(bytes, e.tag, 2);
    PutLittleEndian(bytes, e.type, 2);
    PutLittleEndian(bytes, 1, 4);
    PutLittleEndian(bytes, e.value, e.type == 3 ? 2 : 4);
    if (e.type == 3) PutLittleEndian(bytes, 0, 2);
  }
  PutLittleEndian(bytes, 0, 4);  // no further directory
  for (uint32_t i = 0; i < dataBytes; ++i) bytes.push_back(static_cast<char>(i * 7));
  return bytes;
}
