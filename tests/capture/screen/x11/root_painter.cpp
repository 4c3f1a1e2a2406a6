// Drawing on the root window through Xlib for the capture tests.
#include "root_painter.h"

#include <X11/Xlib.h>

#include <stdexcept>

struct RootPainter::Connection {
  Display* display = nullptr;
  Window root = 0;
  GC gc = nullptr;
};

RootPainter::RootPainter(const std::string& displayName) : connection_(new Connection) {
  connection_->display = XOpenDisplay(displayName.c_str());
  if (connection_->display == nullptr) throw std::runtime_error("cannot reach " + displayName);
  connection_->root = DefaultRootWindow(connection_->display);
  connection_->gc = XCreateGC(connection_->display, connection_->root, 0, nullptr);
}

RootPainter::~RootPainter() {
  XFreeGC(connection_->display, connection_->gc);
  XCloseDisplay(connection_->display);
}

void RootPainter::Fill(int x, int y, int width, int height, PaintColour colour) {
  Display* display = connection_->display;
  XColor cell = {};
  cell.red = static_cast<unsigned short>(colour.red * 257);
  cell.green = static_cast<unsigned short>(colour.green * 257);
  cell.blue = static_cast<unsigned short>(colour.blue * 257);
  if (!XAllocColor(display, DefaultColormap(display, DefaultScreen(display)), &cell)) {
    throw std::runtime_error("no colour cell left");
  }
  XSetForeground(display, connection_->gc, cell.pixel);
  XFillRectangle(display, connection_->root, connection_->gc, x, y, static_cast<unsigned>(width),
                 static_cast<unsigned>(height));
  XSync(display, False);
}
