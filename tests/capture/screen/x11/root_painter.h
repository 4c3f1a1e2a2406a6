// Drawing filled rectangles on a private X server's root window, for the
// capture tests. Kept apart from the test file because Xlib's None and Bool
// macros break gtest's headers.
#ifndef BOTTLEWATCH_TESTS_CAPTURE_ROOT_PAINTER_H_
#define BOTTLEWATCH_TESTS_CAPTURE_ROOT_PAINTER_H_

#include <memory>
#include <string>

struct PaintColour {
  int red, green, blue;  // 0 to 255
};

// A client connected to displayName. It stays connected for its lifetime so
// that colours it allocated on a palette display stay allocated. Throws when
// the display cannot be reached or a colour cannot be allocated.
class RootPainter {
 public:
  explicit RootPainter(const std::string& displayName);
  ~RootPainter();
  RootPainter(const RootPainter&) = delete;
  RootPainter& operator=(const RootPainter&) = delete;

  // Fills the rectangle with the colormap's nearest colour to colour and waits
  // until the server has drawn it.
  void Fill(int x, int y, int width, int height, PaintColour colour);

 private:
  struct Connection;
  std::unique_ptr<Connection> connection_;
};

#endif  // BOTTLEWATCH_TESTS_CAPTURE_ROOT_PAINTER_H_
