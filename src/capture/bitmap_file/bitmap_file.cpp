// The bitmap file header, built from the block it precedes.
#include "capture/bitmap_file/bitmap_file.h"

#include "capture/bitmap_file/little_endian.h"

void MakeBitmapFileHeader(const PackedDib& block, uint8_t* header) {
  const DibHeader info = LoadDibHeader(block.bytes);
  header[0] = 'B';
  header[1] = 'M';
  StoreLittleEndian32(header + 2, kFileHeaderSize + block.length);
  StoreLittleEndian16(header + 6, 0);
  StoreLittleEndian16(header + 8, 0);
  StoreLittleEndian32(header + 10, kFileHeaderSize + DibPixelOffset(info));
}
