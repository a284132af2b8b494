// The display on an X server through Xlib. Top-level windows become X windows (decorated by
// the window manager according to their style); their composited pictures are drawn into
// them; key, mouse, focus and configure events become the layer's input; waiting polls the
// connection until the next deadline. The CLIPBOARD selection is served from the loop
// (UTF8_STRING, text/uri-list, image/png, large transfers in INCR steps) and read from other
// owners within a size and time bound.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/display/display.h"

struct _XDisplay;

namespace zel::display {

class X11Display : public Display {
 public:
  // Connects to the server named by `name` (DISPLAY when null); null when none answers.
  static std::unique_ptr<X11Display> open(const char* name = nullptr);
  ~X11Display() override;

  int64_t now() override;
  bool wait(int64_t deadline) override;
  std::vector<Monitor> monitors() override;
  void create_window(HWND, const RECT& client, DWORD style, DWORD ex_style) override;
  void destroy_window(HWND) override;
  void place_window(HWND, const RECT& client) override;
  void show_window(HWND, bool shown) override;
  void set_title(HWND, std::u16string_view) override;
  void focus_window(HWND) override;
  void present(HWND, cairo_surface_t*) override;
  void set_cursor(HCURSOR) override;
  void own_clipboard() override;
  std::vector<std::pair<UINT, std::string>> foreign_clipboard() override;

  _XDisplay* connection() const { return x_; }
  unsigned long x_window(HWND) const;

  // Largest clipboard content read from another program, and how long to wait for it.
  static constexpr size_t clipboard_read_limit = 64 << 20;
  static constexpr int64_t clipboard_read_timeout = 2000;

 private:
  struct Transfer;
  explicit X11Display(_XDisplay*);
  void handle(void* event);
  void answer_selection_request(void* event);
  void continue_transfer(unsigned long requestor, unsigned long property);
  std::string selection_bytes(unsigned long target, unsigned long* type);
  bool read_selection(unsigned long target, std::string* out);
  HWND hwnd_of(unsigned long x_window) const;
  unsigned long image_cursor(HCURSOR);

  _XDisplay* x_;
  unsigned long helper_ = 0;  // owns the selection, receives what others send
  std::map<HWND, unsigned long> windows_;
  std::map<unsigned long, unsigned long> cursors_;
  std::vector<std::unique_ptr<Transfer>> transfers_;
  HCURSOR cursor_ = 0;
};

}  // namespace zel::display
