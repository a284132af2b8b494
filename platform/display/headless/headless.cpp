#include "platform/display/headless/headless.h"

#include "platform/display/compositor.h"

namespace zel::display {

Headless::Headless(LONG width, LONG height, UINT dpi) {
  monitor_ = Monitor{{0, 0, width, height}, {0, 0, width, height}, dpi, true};
}

bool Headless::wait(int64_t deadline) {
  if (deadline < 0) return false;
  if (deadline > clock_) clock_ = deadline;
  return true;
}

void Headless::click(int x, int y, input::Button b) {
  move(x, y);
  press(b);
  release(b);
}

POINT Headless::pointer() {
  POINT p;
  GetCursorPos(&p);
  return p;
}

bool Headless::snapshot(HWND id, const std::string& path) {
  flush_presentation();
  cairo_surface_t* picture = compose_picture(id);
  bool written = cairo_surface_write_to_png(picture, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(picture);
  return written;
}

}  // namespace zel::display
