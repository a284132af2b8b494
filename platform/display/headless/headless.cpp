#include "platform/display/headless/headless.h"

#include <algorithm>

#include "platform/display/compositor.h"

namespace zel::display {

Headless::Headless(LONG width, LONG height, UINT dpi)
    : monitors_{Monitor{{0, 0, width, height}, {0, 0, width, height}, dpi, true}} {}

Headless::Headless(std::vector<Monitor> monitors) : monitors_(std::move(monitors)) {
  if (monitors_.empty()) monitors_.push_back(Monitor{{0, 0, 1280, 1024}, {0, 0, 1280, 1024}, 96, true});
  if (std::none_of(monitors_.begin(), monitors_.end(), [](const Monitor& m) { return m.primary; }))
    monitors_.front().primary = true;
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
