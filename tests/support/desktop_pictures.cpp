#include "support/desktop_pictures.h"

#include <algorithm>
#include <cstdlib>
#include <random>
#include <stdexcept>

#include "support/temp_dir.h"

namespace {

uint32_t Grey(int level) {
  return Rgb(level, level, level);
}

// A dark blue-grey gradient with a little grain, as most dark wallpapers.
void DarkWallpaper(Picture& picture, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> grain(0, 6);
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const int base = 12 + (x + y) * 30 / (picture.width + picture.height);
      picture.At(x, y) = Rgb(base / 2 + grain(random), base + grain(random), base * 3 / 2 + 8);
    }
  }
}

// A light icon with its label below it.
void Icon(Picture& picture, int left, int top, unsigned seed) {
  FillRect(picture, left + 8, top, 40, 36, Rgb(210, 200, 150));
  FillRect(picture, left + 8, top, 40, 6, Rgb(230, 225, 190));
  DrawText(picture, left, top + 42, 7, Grey(235), seed);
}

// A window of a dark theme: a title bar with its title, and a body.
void DarkWindow(Picture& picture, int left, int top, int width, int height, unsigned seed) {
  FillRect(picture, left, top, width, 24, Rgb(48, 48, 52));
  DrawText(picture, left + width / 2 - 40, top + 7, 10, Grey(220), seed);
  FillRect(picture, left + width - 20, top + 7, 10, 10, Grey(180));
  FillRect(picture, left, top + 24, width, height - 24, Rgb(28, 28, 32));
}

void Terminal(Picture& picture, int left, int top, int width, int height, unsigned seed) {
  DarkWindow(picture, left, top, width, height, seed);
  std::mt19937 random(seed);
  for (int y = top + 30; y + 12 < top + height; y += 16) {
    const int count = static_cast<int>(random() % static_cast<unsigned>(width / 8 - 2));
    DrawText(picture, left + 6, y, count, (y / 16) % 3 ? Grey(200) : Rgb(120, 220, 120),
             static_cast<unsigned>(random()));
  }
}

void FileManager(Picture& picture, int left, int top, int width, int height, unsigned seed) {
  DarkWindow(picture, left, top, width, height, seed);
  FillRect(picture, left, top + 24, 120, height - 24, Rgb(38, 38, 44));
  for (int y = top + 34; y + 12 < top + height; y += 24) {
    DrawText(picture, left + 10, y, 9, Grey(210), seed + static_cast<unsigned>(y));
  }
  for (int y = top + 40; y + 60 < top + height; y += 80) {
    for (int x = left + 140; x + 64 < left + width; x += 80) {
      FillRect(picture, x + 8, y, 48, 36, Rgb(90, 140, 200));
      DrawText(picture, x, y + 44, 8, Grey(220), seed + static_cast<unsigned>(x * 7 + y));
    }
  }
}

void Browser(Picture& picture, int left, int top, int width, int height, unsigned seed) {
  DarkWindow(picture, left, top, width, height, seed);
  FillRect(picture, left, top + 24, width, 30, Rgb(60, 60, 66));
  FillRect(picture, left + 80, top + 29, width - 160, 20, Rgb(35, 35, 40));
  DrawText(picture, left + 90, top + 34, 30, Grey(200), seed);
  FillRect(picture, left, top + 54, width, height - 54, Rgb(22, 22, 26));
  FillRect(picture, left + width - 220, top + 80, 180, 120, Rgb(200, 170, 120));
  std::mt19937 random(seed);
  for (int y = top + 80; y + 12 < top + height; y += 18) {
    if ((y / 18) % 6 == 0) continue;
    const int room = (y < top + 210 ? width - 260 : width - 60) / 8;
    DrawText(picture, left + 30, y, room - static_cast<int>(random() % 8), Grey(190),
             static_cast<unsigned>(random()));
  }
}

void TopBar(Picture& picture, unsigned seed) {
  FillRect(picture, 0, 0, picture.width, 28, Grey(0));
  DrawText(picture, 8, 9, 10, Grey(230), seed);
  DrawText(picture, picture.width / 2 - 40, 9, 10, Grey(230), seed + 1);
  DrawText(picture, picture.width - 90, 9, 8, Grey(230), seed + 2);
}

void Dock(Picture& picture) {
  const int top = picture.height - 60;
  FillRect(picture, 120, top, picture.width - 240, 56, Rgb(40, 40, 46));
  for (int x = 132; x + 44 < picture.width - 120; x += 56) {
    FillRect(picture, x, top + 8, 40, 40, Rgb(100 + x % 120, 160, 220 - x % 90));
  }
}

// Smooth blobs of every brightness, as a photograph: value noise of three
// octaves.
void Photograph(Picture& picture, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> value(0, 255);
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) picture.At(x, y) = 0;
  }
  std::vector<int> sum(static_cast<size_t>(picture.width) * picture.height, 0);
  for (int cell : {96, 32, 8}) {
    const int gw = picture.width / cell + 2;
    const int gh = picture.height / cell + 2;
    std::vector<int> grid(static_cast<size_t>(gw) * gh);
    for (int& v : grid) v = value(random);
    for (int y = 0; y < picture.height; ++y) {
      for (int x = 0; x < picture.width; ++x) {
        const int gx = x / cell, gy = y / cell;
        const int fx = x % cell, fy = y % cell;
        const int a = grid[gy * gw + gx], b = grid[gy * gw + gx + 1];
        const int c = grid[(gy + 1) * gw + gx], d = grid[(gy + 1) * gw + gx + 1];
        const int top = a * (cell - fx) + b * fx, bottom = c * (cell - fx) + d * fx;
        sum[static_cast<size_t>(y) * picture.width + x] += (top * (cell - fy) + bottom * fy) /
                                                           (cell * cell) *
                                                           (cell == 96   ? 4
                                                            : cell == 32 ? 2
                                                                         : 1);
      }
    }
  }
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const int v = sum[static_cast<size_t>(y) * picture.width + x] / 7;
      picture.At(x, y) = Rgb(v, v * 9 / 10, v * 7 / 10);
    }
  }
}

// A pale gradient with a little grain, as a light theme's wallpaper.
void PaleWallpaper(Picture& picture, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> grain(0, 4);
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const int base = 200 + (x + 2 * y) * 40 / (picture.width + 2 * picture.height);
      picture.At(x, y) =
          Rgb(base - 10 + grain(random), base - 4 + grain(random), std::min(255, base + 12));
    }
  }
}

}  // namespace

void DrawText(Picture& picture, int left, int top, int count, uint32_t colour, unsigned seed) {
  std::mt19937 random(seed);
  for (int i = 0; i < count; ++i) {
    const int x = left + i * 8;
    const unsigned shape = random();
    if (shape % 7 == 0) continue;  // a space
    FillRect(picture, x + 1, top + 2, 1, 8, colour);
    if (shape & 2) FillRect(picture, x + 5, top + 2, 1, 8, colour);
    if (shape & 4) FillRect(picture, x + 1, top + 2, 5, 1, colour);
    if (shape & 8) FillRect(picture, x + 1, top + 6, 5, 1, colour);
    if (shape & 16) FillRect(picture, x + 1, top + 9, 5, 1, colour);
    if (shape & 32) FillRect(picture, x + 3, top, 1, 3, colour);
  }
}

std::vector<std::string> DesktopNames() {
  return {"bright",       "black",   "icons", "top bar",       "dock", "terminal",
          "file manager", "browser", "photo", "light windows", "pale", "light window"};
}

Picture DrawDesktop(const std::string& name, int width, int height) {
  Picture picture = SolidPicture(width, height, Grey(220));
  if (name == "bright") return picture;
  if (name == "black") return SolidPicture(width, height, 0);
  if (name == "photo") {
    Photograph(picture, 7);
    return picture;
  }
  if (name == "pale" || name == "light window") {
    PaleWallpaper(picture, 16);
    if (name == "light window") {
      // A light theme's window over most of the screen: a title bar, then
      // lines of dark text on white.
      FillRect(picture, 40, 20, width - 80, 24, Grey(200));
      DrawText(picture, width / 2 - 40, 27, 10, Grey(30), 17);
      FillRect(picture, 40, 44, width - 80, height - 64, Grey(250));
      for (int y = 56; y + 12 < height - 20; y += 16) {
        DrawText(picture, 50, y, (width - 100) / 8 - (y / 16) % 9, Grey(20),
                 18u + static_cast<unsigned>(y));
      }
    }
    return picture;
  }
  DarkWallpaper(picture, 3);
  if (name == "icons") {
    for (int k = 0; k < 3; ++k) Icon(picture, 16, 16 + 90 * k, 20u + static_cast<unsigned>(k));
  } else if (name == "top bar") {
    TopBar(picture, 5);
  } else if (name == "dock") {
    TopBar(picture, 6);
    Dock(picture);
    Icon(picture, 16, 40, 9);
  } else if (name == "terminal") {
    Terminal(picture, 340, 20, 300, 260, 11);
  } else if (name == "file manager") {
    FileManager(picture, 0, 0, 420, 300, 12);
  } else if (name == "browser") {
    Browser(picture, 0, 0, 640, 400, 13);
  } else if (name == "light windows") {
    // Two light windows with a strip of dark wallpaper between them, walled
    // on both sides from top to bottom.
    FillRect(picture, 0, 0, 230, height, Grey(235));
    DrawText(picture, 10, 40, 25, Grey(40), 14);
    FillRect(picture, 330, 0, width - 330, height, Grey(225));
    DrawText(picture, 340, 40, 30, Grey(40), 15);
  } else {
    throw std::invalid_argument("no such desktop: " + name);
  }
  return picture;
}

Picture DrawGameWindow(const std::string& board, int side, bool simLook, int& bottleLeft,
                       int& bottleTop) {
  if (board.size() != 128) throw std::invalid_argument("a board has 128 cells");
  const int marginX = std::max(24, 3 * side);
  const int marginTop = std::max(16, 2 * side);
  const int marginBottom = std::max(24, 2 * side);
  Picture picture = SolidPicture(8 * side + 2 * marginX, 16 * side + marginTop + marginBottom, 0);
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      if (simLook) {
        picture.At(x, y) = ((x / 16 + y / 16) % 2) ? Rgb(196, 208, 222) : Rgb(236, 232, 220);
      } else {
        picture.At(x, y) = ((x / 5 + y / 3) % 2) ? Rgb(220, 220, 220) : Rgb(180, 200, 230);
      }
    }
  }
  bottleLeft = marginX;
  bottleTop = marginTop;
  if (simLook) {
    const uint32_t frame = Rgb(160, 170, 185);
    FillRect(picture, marginX - 3, marginTop, 3, 16 * side + 3, frame);
    FillRect(picture, marginX + 8 * side, marginTop, 3, 16 * side + 3, frame);
    FillRect(picture, marginX, marginTop + 16 * side, 8 * side, 3, frame);
  }
  FillRect(picture, marginX, marginTop, 8 * side, 16 * side, 0);
  static const struct {
    char code;
    uint32_t colour;
  } kColours[] = {{'r', Rgb(230, 40, 40)}, {'y', Rgb(240, 220, 40)}, {'b', Rgb(40, 170, 250)},
                  {'R', Rgb(130, 25, 25)}, {'Y', Rgb(120, 110, 20)}, {'B', Rgb(20, 90, 130)}};
  for (int row = 0; row < 16; ++row) {
    for (int column = 0; column < 8; ++column) {
      for (const auto& c : kColours) {
        if (board[row * 8 + column] == c.code) {
          FillRect(picture, marginX + column * side, marginTop + row * side, side, side, c.colour);
        }
      }
    }
  }
  return picture;
}

Picture Scaled2x(const Picture& picture, const std::string& filter) {
  TempDir dir;
  std::string bytes;
  bytes.reserve(picture.pixels.size() * 3);
  for (uint32_t pixel : picture.pixels) {
    for (int shift = 0; shift < 24; shift += 8) bytes += static_cast<char>(pixel >> shift);
  }
  WriteFile(dir.File("in.rgb"), bytes);
  const std::string command = "convert -size " + std::to_string(picture.width) + "x" +
                              std::to_string(picture.height) +
                              " -depth 8 'rgb:" + dir.File("in.rgb") + "' -filter " + filter +
                              " -resize 200% -depth 8 'rgb:" + dir.File("out.rgb") + "'";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
  const std::string out = ReadFile(dir.File("out.rgb"));
  Picture scaled = SolidPicture(picture.width * 2, picture.height * 2, 0);
  if (out.size() != scaled.pixels.size() * 3) throw std::runtime_error("short: " + command);
  for (size_t i = 0; i < scaled.pixels.size(); ++i) {
    uint32_t pixel = 0;
    for (int k = 0; k < 3; ++k)
      pixel |= static_cast<uint32_t>(static_cast<unsigned char>(out[i * 3 + k])) << (8 * k);
    scaled.pixels[i] = pixel;
  }
  return scaled;
}

void Paste(Picture& picture, const Picture& part, int left, int top) {
  for (int y = 0; y < part.height; ++y) {
    for (int x = 0; x < part.width; ++x) {
      const int px = left + x, py = top + y;
      if (px >= 0 && py >= 0 && px < picture.width && py < picture.height) {
        picture.At(px, py) = part.At(x, y);
      }
    }
  }
}

void DrawDarkDialog(Picture& picture, int left, int top, int width, int height, bool titleLine) {
  int bodyTop = top;
  if (titleLine) {
    FillRect(picture, left, top, width, 22, Grey(225));
    DrawText(picture, left + 8, top + 6, std::min(20, width / 8 - 2), Grey(30), 21);
    bodyTop = top + 22;
  }
  FillRect(picture, left, bodyTop, width, top + height - bodyTop, Rgb(36, 38, 46));
  DrawText(picture, left + 16, bodyTop + 20, std::min(24, width / 8 - 4), Grey(230), 22);
  // Its button, lit, in the bottom-right corner.
  FillRect(picture, left + width - 80, top + height - 34, 64, 22, Rgb(70, 120, 200));
  DrawText(picture, left + width - 72, top + height - 28, 6, Grey(245), 23);
}
