#include "platform/display/display.h"

#include "platform/display/headless/headless.h"
#include "platform/display/window-table.h"
#include "platform/display/window.h"

namespace zel::display {
namespace {

std::unique_ptr<Display>& installed() {
  static std::unique_ptr<Display> display;
  return display;
}

}  // namespace

Display& current_display() {
  auto& display = installed();
  if (!display) display = std::make_unique<Headless>();
  return *display;
}

void install_display(std::unique_ptr<Display> display) {
  reset_display();
  installed() = std::move(display);
}

void reset_display() {
  auto& state = layer();
  if (installed()) {
    for (HWND top : std::vector<HWND>(state.top_levels)) DestroyWindow(top);
  }
  for (auto& [id, w] : state.windows) release_surfaces(*w);
  state = LayerState();
  installed().reset();
}

}  // namespace zel::display
