// Writing a packed device-independent bitmap as a bitmap file: a 14-byte file
// header, then the block byte for byte. The header, and the check that spares
// rewriting a file that already holds the block, are here for every platform;
// WriteBitmapFileAnew is defined by each platform's file layer.
#ifndef BOTTLEWATCH_CAPTURE_BITMAP_FILE_BITMAP_FILE_H_
#define BOTTLEWATCH_CAPTURE_BITMAP_FILE_BITMAP_FILE_H_

#include <cstdint>
#include <vector>

#include "capture/bitmap_file/packed_dib.h"

constexpr uint32_t kFileHeaderSize = 14;

// Fills header[0..14) for block (which must hold at least its info header):
// "BM", the file's length (14 + block.length), two zero reserved words and the
// file offset of the pixel data (14 + biSize + 4 * colour-table entries, both
// read from the block's own header). Little-endian, no gaps.
void MakeBitmapFileHeader(const PackedDib& block, uint8_t* header);

// Writes the file header and then block as it stands to fileName, which is
// created when missing and otherwise ends up holding exactly these bytes (a
// longer file is cut). Returns 1 once the file is written and closed; 0 when
// there is no block (or one too short to hold its info header) or the file
// cannot be opened, and then nothing is written. A write that fails and a close
// that fails throw std::system_error. The block stays with the caller.
//
// A block byte for byte the one the last successful call wrote under the same
// name, to a file that still has that length, is not written again: the call
// returns 1 and BitmapFileUnchanged() tells so. The one kept copy takes its
// memory on the first call and again only when the block's length changes.
int WriteBitmapFile(const char* fileName, const PackedDib& block);

// Whether the last WriteBitmapFile call left the file alone because it held
// that very block already: the screen had not changed since the capture before.
bool BitmapFileUnchanged();

// The pixels of the block the last successful WriteBitmapFile call wrote (or
// left alone), top row first, red in the low byte (the raster's packing, with
// alpha 0xFF), when it is plain RGB of 24 or 32 bits a pixel; false, and
// pixels left as they were, for any other kind or before the first write. What
// the converter should give back for that file.
bool WrittenBitmapPixels(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height);

// As WriteBitmapFile, writing every time; each platform's file layer.
int WriteBitmapFileAnew(const char* fileName, const PackedDib& block);

#endif  // BOTTLEWATCH_CAPTURE_BITMAP_FILE_BITMAP_FILE_H_
