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
