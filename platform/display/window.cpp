#include "platform/display/window.h"

#include <algorithm>
#include <map>

#include "platform/display/compositor.h"
#include "platform/display/display.h"
#include "platform/display/system.h"
#include "platform/display/input.h"
#include "platform/display/message-loop.h"
#include "platform/display/window-table.h"

namespace zel::display {
namespace {

// Frame widths of the drawn-by-us frame (the X11 window manager draws its own; these are
// what AdjustWindowRectEx and the headless display report).
constexpr LONG caption_height = 23, thick_frame = 4, thin_border = 1, client_edge = 2, scroll_bar = 17;

RECT frame_insets(DWORD style, DWORD ex_style) {
  RECT r;
  LONG side = 0;
  if (style & WS_THICKFRAME)
    side = thick_frame;
  else if (style & (WS_BORDER | WS_DLGFRAME))
    side = thin_border;
  if (ex_style & WS_EX_CLIENTEDGE) side += client_edge;
  r.left = r.right = r.bottom = r.top = side;
  if ((style & WS_CAPTION) == WS_CAPTION) r.top += caption_height;
  return r;
}

void update_insets(Window& w) {
  w.insets = frame_insets(w.style, w.ex_style);
  if (w.scroll_shown[SB_VERT]) w.insets.right += scroll_bar;
  if (w.scroll_shown[SB_HORZ]) w.insets.bottom += scroll_bar;
}

std::vector<HWND>& siblings_of(Window& w) {
  if (w.parent) return window_of(w.parent)->children;
  return layer().top_levels;
}

void unlink(Window& w) {
  auto& list = siblings_of(w);
  list.erase(std::remove(list.begin(), list.end(), w.id), list.end());
}

POINT client_origin(const Window& w) {  // on the screen
  POINT p{w.rect.left + w.insets.left, w.rect.top + w.insets.top};
  for (HWND p_id = w.parent; p_id;) {
    const Window* p_w = window_of(p_id);
    p.x += p_w->rect.left + p_w->insets.left;
    p.y += p_w->rect.top + p_w->insets.top;
    p_id = p_w->parent;
  }
  return p;
}

void send_destroy(Window& w) {
  w.dying = true;
  call_procedure(w, WM_DESTROY, 0, 0);
  for (HWND child : std::vector<HWND>(w.children))
    if (Window* c = window_of(child)) send_destroy(*c);
}

void free_tree(HWND id) {
  auto& table = layer().windows;
  auto found = table.find(id);
  if (found == table.end()) return;
  Window& w = *found->second;
  for (HWND child : std::vector<HWND>(w.children)) free_tree(child);
  w.children.clear();
  w.destroyed = true;
  if (w.dispatching > 0) return;  // finished when the procedure returns
  if (w.proc && !std::uncaught_exceptions()) w.proc(w.id, WM_NCDESTROY, 0, 0);
  release_surfaces(w);
  table.erase(found);
}

// Keeps a window allocated while a procedure runs for it; a window destroyed meanwhile is
// freed when the last such call returns.
struct Kept {
  Window& w;
  explicit Kept(Window& window) : w(window) { ++w.dispatching; }
  ~Kept() {
    if (--w.dispatching == 0 && w.destroyed) free_tree(w.id);
  }
  Kept(const Kept&) = delete;
  Kept& operator=(const Kept&) = delete;
};

}  // namespace

LayerState& layer() {
  static LayerState state;
  return state;
}

Window* window_of(HWND id) {
  auto& table = layer().windows;
  auto found = table.find(id);
  if (found == table.end() || found->second->destroyed) return nullptr;
  return found->second.get();
}

LRESULT call_procedure(Window& w, UINT message, WPARAM wp, LPARAM lp) {
  Kept kept(w);
  return w.proc ? w.proc(w.id, message, wp, lp) : DefWindowProc(w.id, message, wp, lp);
}

ATOM RegisterClassEx(const WNDCLASSEX& info) {
  auto& classes = layer().classes;
  if (info.lpszClassName.empty() || classes.count(info.lpszClassName)) return 0;
  auto cls = std::make_shared<WindowClass>();
  cls->info = info;
  cls->atom = layer().next_atom++;
  classes.emplace(info.lpszClassName, cls);
  return cls->atom;
}

BOOL UnregisterClass(std::u16string_view name) { return layer().classes.erase(std::u16string(name)) ? 1 : 0; }

BOOL GetClassInfoEx(std::u16string_view name, WNDCLASSEX* out) {
  auto& classes = layer().classes;
  auto found = classes.find(std::u16string(name));
  if (found == classes.end()) return 0;
  if (out) *out = found->second->info;
  return 1;
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  Window* w = window_of(hwnd);
  if (!proc) return 0;
  if (!w) return proc(hwnd, message, wp, lp);
  Kept kept(*w);
  return proc(hwnd, message, wp, lp);
}

HWND CreateWindowEx(DWORD ex_style, std::u16string_view class_name, std::u16string_view title, DWORD style,
                    int x, int y, int width, int height, HWND parent, UINT_PTR menu_or_id, void* param) {
  auto& state = layer();
  auto found = state.classes.find(std::u16string(class_name));
  if (found == state.classes.end()) return 0;
  Window* parent_w = parent ? window_of(parent) : nullptr;
  if (parent && !parent_w) return 0;
  if ((style & WS_CHILD) && !parent_w) return 0;
  if (x == CW_USEDEFAULT) x = y = 100;
  if (width == CW_USEDEFAULT) width = 640, height = 480;
  auto owned = std::make_unique<Window>();
  Window& w = *owned;
  w.id = state.next_id++;
  w.cls = found->second;
  w.proc = w.cls->info.lpfnWndProc;
  w.style = style & ~WS_VISIBLE;
  w.ex_style = ex_style;
  if (style & WS_CHILD) {
    w.parent = parent;
    w.control_id = static_cast<LONG_PTR>(menu_or_id);
  } else {
    w.owner = parent_w ? GetAncestor(parent, GA_ROOT) : 0;
  }
  w.rect = {x, y, x + std::max(width, 0), y + std::max(height, 0)};
  w.text = std::u16string(title);
  w.extra.assign(static_cast<size_t>(std::max(w.cls->info.cbWndExtra, 0) + 7) / 8, 0);
  w.scroll_shown = {(style & WS_HSCROLL) != 0, (style & WS_VSCROLL) != 0};
  update_insets(w);
  HWND id = w.id;
  state.windows.emplace(id, std::move(owned));
  siblings_of(w).push_back(id);
  resize_surface(w);
  if (w.top_level()) current_display().create_window(id, w.client_rect(), w.style, w.ex_style);

  CREATESTRUCT create{param, parent, menu_or_id, x, y, width, height, style, ex_style, title, class_name};
  LPARAM lp = reinterpret_cast<LPARAM>(&create);
  if (!call_procedure(w, WM_NCCREATE, 0, lp) || call_procedure(w, WM_CREATE, 0, lp) == -1) {
    DestroyWindow(id);
    return 0;
  }
  Window* again = window_of(id);
  if (!again) return 0;
  RECT client = again->client_rect();
  call_procedure(*again, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.width(), client.height()));
  if ((again = window_of(id))) call_procedure(*again, WM_MOVE, 0, MAKELPARAM(client.left, client.top));
  if ((style & WS_VISIBLE) && window_of(id)) ShowWindow(id, SW_SHOW);
  return window_of(id) ? id : 0;
}

BOOL DestroyWindow(HWND id) {
  Window* w = window_of(id);
  if (!w || w->dying) return 0;
  auto& state = layer();
  for (HWND other : std::vector<HWND>(state.top_levels))
    if (Window* o = window_of(other); o && o->owner == id) DestroyWindow(other);
  if (!(w = window_of(id))) return 0;
  if (w->top_level()) current_display().destroy_window(id);
  HWND parent = w->parent;
  unlink(*w);
  w->dying = true;  // a DestroyWindow from inside WM_DESTROY does nothing
  send_destroy(*w);
  std::vector<HWND> tree{id};
  for (size_t i = 0; i < tree.size(); ++i)
    if (Window* t = window_of(tree[i])) tree.insert(tree.end(), t->children.begin(), t->children.end());
  for (HWND t : tree) {
    forget_window_input(t);
    forget_window_messages(t);
  }
  free_tree(id);
  if (parent) present_top_level(parent);
  return 1;
}

BOOL IsWindow(HWND id) { return window_of(id) ? 1 : 0; }

BOOL IsWindowVisible(HWND id) {
  for (Window* w = window_of(id); w; w = window_of(w->parent)) {
    if (!w->visible()) return 0;
    if (!w->parent) return 1;
  }
  return 0;
}

BOOL IsWindowEnabled(HWND id) {
  Window* w = window_of(id);
  return w && w->enabled() ? 1 : 0;
}

BOOL IsChild(HWND parent, HWND id) {
  for (Window* w = window_of(id); w && w->parent; w = window_of(w->parent))
    if (w->parent == parent) return 1;
  return 0;
}

BOOL ShowWindow(HWND id, int command) {
  Window* w = window_of(id);
  if (!w) return 0;
  BOOL was = w->visible() ? 1 : 0;
  bool show = command != SW_HIDE;
  bool minimize = command == SW_MINIMIZE || command == SW_SHOWMINIMIZED;
  if (show != w->visible()) {
    w->style = show ? (w->style | WS_VISIBLE) : (w->style & ~WS_VISIBLE);
    call_procedure(*w, WM_SHOWWINDOW, show ? 1 : 0, 0);
    if (!(w = window_of(id))) return was;
    if (w->top_level()) current_display().show_window(id, show);
  }
  if (minimize != w->minimized) {
    w->minimized = minimize;
    RECT c = w->client_rect();
    call_procedure(*w, WM_SIZE, minimize ? SIZE_MINIMIZED : SIZE_RESTORED, MAKELPARAM(c.width(), c.height()));
    if (!(w = window_of(id))) return was;
  }
  if (show && w->top_level() && command != SW_SHOWNA && command != SW_SHOWNOACTIVATE && !minimize &&
      !(w->ex_style & WS_EX_NOACTIVATE))
    SetActiveWindow(id);
  if (!show) forget_window_input(id);
  present_top_level(id);
  return was;
}

BOOL EnableWindow(HWND id, BOOL enable) {
  Window* w = window_of(id);
  if (!w) return 0;
  BOOL was_disabled = w->enabled() ? 0 : 1;
  if (enable == was_disabled) {
    w->style = enable ? (w->style & ~WS_DISABLED) : (w->style | WS_DISABLED);
    if (!enable) {
      auto& state = layer();
      if (state.focus == id || IsChild(id, state.focus)) SetFocus(0);
      if (state.capture == id) ReleaseCapture();
    }
    if ((w = window_of(id))) call_procedure(*w, WM_ENABLE, enable ? 1 : 0, 0);
  }
  return was_disabled;
}

HWND SetParent(HWND id, HWND parent) {
  Window* w = window_of(id);
  Window* p = parent ? window_of(parent) : nullptr;
  if (!w || (parent && !p) || parent == id || IsChild(id, parent)) return 0;
  HWND old = w->parent;
  bool was_top = w->top_level();
  unlink(*w);
  if (was_top && parent) current_display().destroy_window(id);
  w->parent = parent;
  if (parent) {
    w->style = (w->style | WS_CHILD) & ~WS_POPUP;
  } else {
    w->style &= ~WS_CHILD;
  }
  siblings_of(*w).push_back(id);
  if (!w->top_level() && was_top) {
  } else if (w->top_level() && !was_top) {
    current_display().create_window(id, w->client_rect(), w->style, w->ex_style);
    if (w->visible()) current_display().show_window(id, true);
  }
  if (old) present_top_level(old);
  present_top_level(id);
  return old ? old : 0;
}

HWND GetParent(HWND id) {
  Window* w = window_of(id);
  if (!w) return 0;
  return w->parent ? w->parent : w->owner;
}

HWND GetAncestor(HWND id, UINT flags) {
  Window* w = window_of(id);
  if (!w) return 0;
  if (flags == GA_PARENT) return w->parent;
  while (w->parent) w = window_of(w->parent);
  if (flags == GA_ROOTOWNER)
    while (w->owner && window_of(w->owner)) w = window_of(w->owner);
  return w->id;
}

std::vector<HWND> ChildWindows(HWND parent) {
  if (!parent) return layer().top_levels;
  Window* w = window_of(parent);
  return w ? w->children : std::vector<HWND>{};
}

LONG_PTR GetWindowLongPtr(HWND id, int index) {
  Window* w = window_of(id);
  if (!w) return 0;
  switch (index) {
    case GWL_STYLE: return w->style;
    case GWL_EXSTYLE: return w->ex_style;
    case GWLP_ID: return w->control_id;
    case GWLP_USERDATA: return w->user_data;
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    default:
      if (index < 0 || index % 8 || static_cast<size_t>(index / 8) >= w->extra.size()) return 0;
      return w->extra[static_cast<size_t>(index / 8)];
  }
}

LONG_PTR SetWindowLongPtr(HWND id, int index, LONG_PTR value) {
  Window* w = window_of(id);
  if (!w) return 0;
  LONG_PTR old = GetWindowLongPtr(id, index);
  switch (index) {
    case GWL_STYLE:
      w->style = static_cast<DWORD>(value);
      update_insets(*w);
      break;
    case GWL_EXSTYLE:
      w->ex_style = static_cast<DWORD>(value);
      update_insets(*w);
      break;
    case GWLP_ID: w->control_id = value; break;
    case GWLP_USERDATA: w->user_data = value; break;
    case GWLP_WNDPROC: w->proc = reinterpret_cast<WNDPROC>(value); break;
    default:
      if (index < 0 || index % 8 || static_cast<size_t>(index / 8) >= w->extra.size()) return 0;
      w->extra[static_cast<size_t>(index / 8)] = value;
  }
  return old;
}

void SetWindowData(HWND id, std::shared_ptr<void> data) {
  if (Window* w = window_of(id)) w->data = std::move(data);
}

std::shared_ptr<void> GetWindowDataPtr(HWND id) {
  Window* w = window_of(id);
  return w ? w->data : nullptr;
}

BOOL SetWindowText(HWND id, std::u16string_view text) {
  Window* w = window_of(id);
  if (!w) return 0;
  w->text = std::u16string(text);
  if (w->top_level()) current_display().set_title(id, text);
  return 1;
}

std::u16string GetWindowText(HWND id) {
  Window* w = window_of(id);
  return w ? w->text : std::u16string();
}

int GetWindowTextLength(HWND id) { return static_cast<int>(GetWindowText(id).size()); }

BOOL GetWindowRect(HWND id, RECT* out) {
  Window* w = window_of(id);
  if (!w || !out) return 0;
  POINT o = client_origin(*w);
  *out = {o.x - w->insets.left, o.y - w->insets.top, o.x - w->insets.left + w->rect.width(),
          o.y - w->insets.top + w->rect.height()};
  return 1;
}

BOOL GetClientRect(HWND id, RECT* out) {
  Window* w = window_of(id);
  if (!w || !out) return 0;
  RECT c = w->client_rect();
  *out = {0, 0, std::max(c.width(), 0), std::max(c.height(), 0)};
  return 1;
}

BOOL ClientToScreen(HWND id, POINT* p) {
  Window* w = window_of(id);
  if (!w || !p) return 0;
  POINT o = client_origin(*w);
  p->x += o.x;
  p->y += o.y;
  return 1;
}

BOOL ScreenToClient(HWND id, POINT* p) {
  Window* w = window_of(id);
  if (!w || !p) return 0;
  POINT o = client_origin(*w);
  p->x -= o.x;
  p->y -= o.y;
  return 1;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  POINT a, b;
  if (from) ClientToScreen(from, &a);
  if (to) ClientToScreen(to, &b);
  int dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; i < count; ++i) points[i].x += dx, points[i].y += dy;
  return static_cast<int>(MAKELPARAM(dx, dy));
}

BOOL MoveWindow(HWND id, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(id, 0, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL SetWindowPos(HWND id, HWND insert_after, int x, int y, int width, int height, UINT flags) {
  Window* w = window_of(id);
  if (!w) return 0;
  if (flags & SWP_NOMOVE) x = w->rect.left, y = w->rect.top;
  if (flags & SWP_NOSIZE) width = w->rect.width(), height = w->rect.height();
  width = std::max(width, 0);
  height = std::max(height, 0);
  RECT old = w->rect;
  w->rect = {x, y, x + width, y + height};
  if (flags & SWP_FRAMECHANGED) update_insets(*w);
  if (!(flags & SWP_NOZORDER)) {
    auto& list = siblings_of(*w);
    list.erase(std::remove(list.begin(), list.end(), id), list.end());
    if (insert_after == HWND_BOTTOM) {
      list.insert(list.begin(), id);
    } else if (insert_after == HWND_TOP || insert_after == HWND_TOPMOST || insert_after == HWND_NOTOPMOST) {
      list.push_back(id);
    } else {
      auto at = std::find(list.begin(), list.end(), insert_after);
      list.insert(at == list.end() ? list.end() : at, id);  // just below insert_after
    }
  }
  bool resized = old.width() != width || old.height() != height || (flags & SWP_FRAMECHANGED);
  if (resized) resize_surface(*w);
  if (w->top_level()) current_display().place_window(id, w->client_rect());
  WINDOWPOS pos{id, insert_after, x, y, width, height, flags | (resized ? 0u : SWP_NOSIZE) |
                                                          (old.left == x && old.top == y ? SWP_NOMOVE : 0u)};
  call_procedure(*w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  if (flags & SWP_SHOWWINDOW) ShowWindow(id, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  if (flags & SWP_HIDEWINDOW) ShowWindow(id, SW_HIDE);
  present_top_level(id);
  return 1;
}

BOOL AdjustWindowRectEx(RECT* r, DWORD style, BOOL menu, DWORD ex_style) {
  if (!r) return 0;
  RECT in = frame_insets(style, ex_style);
  r->left -= in.left;
  r->top -= in.top + (menu ? 20 : 0);
  r->right += in.right;
  r->bottom += in.bottom;
  return 1;
}

HWND ChildWindowFromPoint(HWND parent, POINT p) {
  Window* w = window_of(parent);
  if (!w) return 0;
  for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
    Window* c = window_of(*it);
    if (c && c->visible() && p.x >= c->rect.left && p.x < c->rect.right && p.y >= c->rect.top &&
        p.y < c->rect.bottom)
      return c->id;
  }
  return parent;
}

HWND WindowFromPoint(POINT p) {
  auto& tops = layer().top_levels;
  for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
    Window* w = window_of(*it);
    if (!w || !w->visible() || w->minimized || p.x < w->rect.left || p.x >= w->rect.right ||
        p.y < w->rect.top || p.y >= w->rect.bottom)
      continue;
    HWND at = w->id;
    for (;;) {
      POINT local = p;
      ScreenToClient(at, &local);
      HWND child = ChildWindowFromPoint(at, local);
      if (child == at || !IsWindowEnabled(child)) break;
      at = child;
    }
    return at;
  }
  return 0;
}

namespace {
std::map<HDWP, std::vector<WINDOWPOS>>& batches() {
  static std::map<HDWP, std::vector<WINDOWPOS>> open;
  return open;
}
}  // namespace

HDWP BeginDeferWindowPos(int count) {
  static HDWP next = 1;
  HDWP id = next++;
  batches()[id].reserve(static_cast<size_t>(std::max(count, 0)));
  return id;
}

HDWP DeferWindowPos(HDWP batch, HWND id, HWND insert_after, int x, int y, int width, int height, UINT flags) {
  auto found = batches().find(batch);
  if (found == batches().end() || !window_of(id)) return 0;
  found->second.push_back({id, insert_after, x, y, width, height, flags});
  return batch;
}

// The placements take effect together, in the order they were given.
BOOL EndDeferWindowPos(HDWP batch) {
  auto found = batches().find(batch);
  if (found == batches().end()) return 0;
  std::vector<WINDOWPOS> moves = std::move(found->second);
  batches().erase(found);
  BOOL all = 1;
  for (const WINDOWPOS& m : moves)
    if (!SetWindowPos(m.hwnd, m.hwndInsertAfter, m.x, m.y, m.cx, m.cy, m.flags)) all = 0;
  return all;
}

void placed_by_display(HWND id, const RECT& client) {
  Window* w = window_of(id);
  if (!w || !w->top_level()) return;
  RECT c = w->client_rect();
  if (c == client) return;
  RECT old = w->rect;
  w->rect = {client.left - w->insets.left, client.top - w->insets.top, client.right + w->insets.right,
             client.bottom + w->insets.bottom};
  bool resized = old.width() != w->rect.width() || old.height() != w->rect.height();
  if (resized) resize_surface(*w);
  WINDOWPOS pos{id, 0, w->rect.left, w->rect.top, w->rect.width(), w->rect.height(),
                SWP_NOZORDER | SWP_NOACTIVATE | (resized ? 0u : SWP_NOSIZE) |
                    (old.left == w->rect.left && old.top == w->rect.top ? SWP_NOMOVE : 0u)};
  call_procedure(*w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  present_top_level(id);
}

void set_scroll_bar_shown(HWND id, int bar, bool shown) {
  Window* w = window_of(id);
  if (!w || w->scroll_shown[static_cast<size_t>(bar)] == shown) return;
  w->scroll_shown[static_cast<size_t>(bar)] = shown;
  RECT before = w->client_rect();
  update_insets(*w);
  RECT c = w->client_rect();
  if (c.width() != before.width() || c.height() != before.height()) {
    resize_surface(*w);
    call_procedure(*w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.width(), c.height()));
  }
  present_top_level(id);
}

}  // namespace zel::display

namespace zel::display {

LRESULT DefWindowProc(HWND id, UINT message, WPARAM wp, LPARAM lp) {
  Window* w = window_of(id);
  if (!w) return 0;
  switch (message) {
    case WM_NCCREATE: return 1;
    case WM_CLOSE: DestroyWindow(id); return 0;
    case WM_ERASEBKGND: {
      HBRUSH brush = w->cls->info.hbrBackground;
      if (!brush || !wp) return 0;
      RECT c;
      GetClientRect(id, &c);
      FillRect(reinterpret_cast<HDC>(wp), &c, brush);
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      if (BeginPaint(id, &ps)) EndPaint(id, &ps);
      return 0;
    }
    case WM_WINDOWPOSCHANGED: {
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(lp);
      RECT c = w->client_rect();
      if (!(pos->flags & SWP_NOSIZE))
        call_procedure(*w, WM_SIZE, w->minimized ? SIZE_MINIMIZED : SIZE_RESTORED, MAKELPARAM(c.width(), c.height()));
      if (!(pos->flags & SWP_NOMOVE) && (w = window_of(id)))
        call_procedure(*w, WM_MOVE, 0, MAKELPARAM(c.left, c.top));
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE && !IsChild(id, GetFocus())) SetFocus(id);
      return 0;
    case WM_SETCURSOR:
      // The parent may choose first; otherwise the class's cursor.
      if (w->parent && SendMessage(w->parent, WM_SETCURSOR, wp, lp)) return 1;
      if (!(w = window_of(id))) return 0;
      if (w->cls->info.hCursor && LOWORD(static_cast<uint64_t>(lp)) == HTCLIENT) {
        SetCursor(w->cls->info.hCursor);
        return 1;
      }
      return 0;
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->text.size());
    case WM_SETTEXT:
      SetWindowText(id, lp ? std::u16string_view(reinterpret_cast<const char16_t*>(lp)) : std::u16string_view());
      return 1;
    case WM_MOUSEACTIVATE: return 1;  // MA_ACTIVATE
    default: return 0;
  }
}

}  // namespace zel::display
