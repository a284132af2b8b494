#include "platform/display/message-loop.h"

#include <algorithm>

#include "platform/display/compositor.h"
#include "platform/display/display.h"
#include "platform/display/input.h"
#include "platform/display/window-table.h"
#include "platform/display/window.h"

namespace zel::display {
namespace {

bool in_range(UINT message, UINT first, UINT last) {
  return (first == 0 && last == 0) || (message >= first && message <= last);
}

bool matches(const MSG& m, HWND filter, UINT first, UINT last) {
  return (!filter || m.hwnd == filter) && in_range(m.message, first, last);
}

bool take_from(std::deque<MSG>& queue, MSG* out, HWND filter, UINT first, UINT last, UINT remove) {
  for (auto it = queue.begin(); it != queue.end(); ++it) {
    if (!matches(*it, filter, first, last)) continue;
    *out = *it;
    if (remove & PM_REMOVE) queue.erase(it);
    return true;
  }
  return false;
}

void visit_tree(HWND id, std::vector<HWND>& out) {
  out.push_back(id);
  for (HWND child : ChildWindows(id)) visit_tree(child, out);
}

// The first window, top-levels bottom first and parents before children, whose invalid
// region waits for a paint now.
Window* window_to_paint(HWND filter, int64_t now) {
  std::vector<HWND> order;
  for (HWND top : layer().top_levels) visit_tree(top, order);
  for (HWND id : order) {
    Window* w = window_of(id);
    if (w && w->update && !cairo_region_is_empty(w->update) && IsWindowVisible(id) &&
        w->paint_not_before <= now && (!filter || filter == id))
      return w;
  }
  return nullptr;
}

Timer* due_timer(HWND filter, int64_t now) {
  Timer* best = nullptr;
  for (Timer& t : layer().timers)
    if (t.due <= now && (!filter || t.hwnd == filter) && (!best || t.due < best->due)) best = &t;
  return best;
}

// When something the caller may retrieve becomes due without input: the next timer, a
// held-back paint, a hover. What is already due but filtered out does not count, so that a
// filtered wait does not spin on it.
int64_t next_deadline(HWND filter, UINT first, UINT last) {
  auto& state = layer();
  int64_t now = clock_now(), next = -1;
  auto consider = [&](int64_t t) {
    if (t > now && (next < 0 || t < next)) next = t;
  };
  if (in_range(WM_TIMER, first, last))
    for (const Timer& t : state.timers)
      if (!filter || t.hwnd == filter) consider(t.due);
  if (in_range(WM_PAINT, first, last))
    for (auto& [id, w] : state.windows)
      if (!w->destroyed && (!filter || filter == id) && w->update && !cairo_region_is_empty(w->update) &&
          IsWindowVisible(id))
        consider(w->paint_not_before);
  if (in_range(WM_MOUSEHOVER, first, last) && (!filter || state.tracking.hwndTrack == filter))
    consider(state.hover_due);
  return next;
}

void stamp(MSG* m) {
  auto& state = layer();
  m->time = static_cast<DWORD>(clock_now());
  m->pt = state.mouse;
}

bool find_message(MSG* out, HWND filter, UINT first, UINT last, UINT remove) {
  auto& state = layer();
  int64_t now = clock_now();
  check_hover(now);
  if (take_from(state.posted, out, filter, first, last, remove)) return true;
  if (state.quit) {
    *out = MSG{0, WM_QUIT, static_cast<WPARAM>(state.quit_code), 0, 0, {}, 0};
    stamp(out);
    if (remove & PM_REMOVE) state.quit = false;
    return true;
  }
  if (take_from(state.input, out, filter, first, last, remove)) {
    if (remove & PM_REMOVE) {
      apply_input_state(*out);
      // The window under the pointer chooses the cursor as each mouse message comes out.
      if (out->message >= WM_MOUSEFIRST && out->message <= WM_MOUSELAST && out->message != WM_MOUSEWHEEL &&
          out->message != WM_MOUSEHWHEEL)
        SendMessage(out->hwnd, WM_SETCURSOR, out->hwnd, MAKELPARAM(HTCLIENT, static_cast<int>(out->message)));
    }
    return true;
  }
  if (in_range(WM_PAINT, first, last))
    if (Window* w = window_to_paint(filter, now)) {
      *out = MSG{w->id, WM_PAINT, 0, 0, 0, {}, 0};
      stamp(out);
      return true;
    }
  if (in_range(WM_TIMER, first, last))
    if (Timer* t = due_timer(filter, now)) {
      *out = MSG{t->hwnd, WM_TIMER, t->id, reinterpret_cast<LPARAM>(t->proc), 0, {}, 0};
      stamp(out);
      if (remove & PM_REMOVE) t->due = now + t->interval;
      return true;
    }
  return false;
}

void remember(const MSG& m) {
  if (m.message != WM_QUIT) layer().last = m;
}

}  // namespace

int64_t clock_now() { return current_display().now(); }

void queue_input(MSG m) {
  stamp(&m);
  layer().input.push_back(m);
}

void forget_window_messages(HWND id) {
  auto& state = layer();
  auto of = [id](const MSG& m) { return m.hwnd == id; };
  state.posted.erase(std::remove_if(state.posted.begin(), state.posted.end(), of), state.posted.end());
  state.input.erase(std::remove_if(state.input.begin(), state.input.end(), of), state.input.end());
  state.timers.erase(std::remove_if(state.timers.begin(), state.timers.end(),
                                    [id](const Timer& t) { return t.hwnd == id; }),
                     state.timers.end());
}

BOOL GetMessage(MSG* out, HWND filter, UINT first, UINT last) {
  if (!out) return -1;
  for (;;) {
    if (find_message(out, filter, first, last, PM_REMOVE)) {
      remember(*out);
      return out->message == WM_QUIT ? 0 : 1;
    }
    flush_presentation();
    if (!current_display().wait(next_deadline(filter, first, last))) return -1;
  }
}

BOOL PeekMessage(MSG* out, HWND filter, UINT first, UINT last, UINT remove) {
  if (!out) return 0;
  if (!find_message(out, filter, first, last, remove)) {
    flush_presentation();
    current_display().wait(clock_now());  // reads what input is pending, without waiting
    if (!find_message(out, filter, first, last, remove)) return 0;
  }
  if (remove & PM_REMOVE) remember(*out);
  return 1;
}

LRESULT DispatchMessage(const MSG* m) {
  if (!m) return 0;
  if (m->message == WM_TIMER && m->lParam) {
    auto proc = reinterpret_cast<TIMERPROC>(m->lParam);
    proc(m->hwnd, WM_TIMER, m->wParam, m->time);
    return 0;
  }
  Window* w = window_of(m->hwnd);
  if (!w) return 0;
  LRESULT result = call_procedure(*w, m->message, m->wParam, m->lParam);
  // A window that leaves its region invalid is painted again after a pause, not at once:
  // the loop never spins on it.
  if (m->message == WM_PAINT)
    if (Window* again = window_of(m->hwnd); again && again->update && !cairo_region_is_empty(again->update))
      again->paint_not_before = clock_now() + unvalidated_paint_delay;
  return result;
}

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  if (hwnd && !window_of(hwnd)) return 0;
  MSG m{hwnd, message, wp, lp, 0, {}, 0};
  stamp(&m);
  layer().posted.push_back(m);
  return 1;
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  Window* w = window_of(hwnd);
  return w ? call_procedure(*w, message, wp, lp) : 0;
}

void PostQuitMessage(int exit_code) {
  layer().quit = true;
  layer().quit_code = exit_code;
}

DWORD GetMessagePos() {
  const MSG& m = layer().last;
  return static_cast<DWORD>(MAKELPARAM(m.pt.x, m.pt.y));
}

LONG GetMessageTime() { return static_cast<LONG>(layer().last.time); }

DWORD GetTickCount() { return static_cast<DWORD>(clock_now()); }

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT milliseconds, TIMERPROC proc) {
  auto& state = layer();
  if (hwnd && !window_of(hwnd)) return 0;
  if (!hwnd) id = state.next_timer_id++;
  UINT interval = std::clamp<UINT>(milliseconds, timer_minimum, 0x7FFFFFFF);
  int64_t due = clock_now() + interval;
  for (Timer& t : state.timers)
    if (t.hwnd == hwnd && t.id == id) {
      t = Timer{hwnd, id, interval, proc, due};
      return id ? id : 1;
    }
  state.timers.push_back(Timer{hwnd, id, interval, proc, due});
  return id ? id : 1;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  auto& timers = layer().timers;
  auto it = std::find_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  if (it == timers.end()) return 0;
  timers.erase(it);  // WM_TIMER is made when due, never queued: nothing is left to withdraw
  return 1;
}

BOOL InvalidateRect(HWND hwnd, const RECT* r, BOOL erase) {
  if (!hwnd) {
    for (HWND top : layer().top_levels) RedrawWindow(top, r, RDW_INVALIDATE | RDW_ALLCHILDREN | (erase ? RDW_ERASE : 0));
    return 1;
  }
  Window* w = window_of(hwnd);
  if (!w || !w->update) return 0;
  RECT c;
  GetClientRect(hwnd, &c);
  RECT area = r ? *r : c;
  cairo_rectangle_int_t box{area.left, area.top, area.width(), area.height()};
  cairo_rectangle_int_t client{0, 0, c.width(), c.height()};
  cairo_region_t* part = cairo_region_create_rectangle(&box);
  cairo_region_intersect_rectangle(part, &client);
  if (!cairo_region_is_empty(part)) {
    cairo_region_union(w->update, part);
    w->paint_not_before = 0;
  }
  cairo_region_destroy(part);
  if (erase) w->erase = true;
  return 1;
}

BOOL ValidateRect(HWND hwnd, const RECT* r) {
  Window* w = window_of(hwnd);
  if (!w || !w->update) return 0;
  if (!r) {
    cairo_region_destroy(w->update);
    w->update = cairo_region_create();
    w->erase = false;
    return 1;
  }
  cairo_rectangle_int_t box{r->left, r->top, r->width(), r->height()};
  cairo_region_subtract_rectangle(w->update, &box);
  return 1;
}

BOOL GetUpdateRect(HWND hwnd, RECT* out, BOOL) {
  Window* w = window_of(hwnd);
  if (!w || !w->update) return 0;
  cairo_rectangle_int_t box{};
  cairo_region_get_extents(w->update, &box);
  if (out) *out = {box.x, box.y, box.x + box.width, box.y + box.height};
  return cairo_region_is_empty(w->update) ? 0 : 1;
}

BOOL UpdateWindow(HWND hwnd) {
  Window* w = window_of(hwnd);
  if (!w) return 0;
  if (w->update && !cairo_region_is_empty(w->update) && IsWindowVisible(hwnd)) {
    call_procedure(*w, WM_PAINT, 0, 0);
    if (Window* again = window_of(hwnd); again && again->update && !cairo_region_is_empty(again->update))
      again->paint_not_before = clock_now() + unvalidated_paint_delay;
  }
  return 1;
}

BOOL RedrawWindow(HWND hwnd, const RECT* r, UINT flags) {
  if (!window_of(hwnd)) return 0;
  if (flags & RDW_INVALIDATE) InvalidateRect(hwnd, r, (flags & RDW_ERASE) ? 1 : 0);
  if (flags & RDW_VALIDATE) ValidateRect(hwnd, r);
  if (flags & RDW_ALLCHILDREN)
    for (HWND child : ChildWindows(hwnd)) RedrawWindow(child, nullptr, flags & ~RDW_UPDATENOW);
  if (flags & RDW_UPDATENOW) {
    std::vector<HWND> order;
    if (flags & RDW_ALLCHILDREN)
      visit_tree(hwnd, order);
    else
      order.push_back(hwnd);
    for (HWND id : order) UpdateWindow(id);
  }
  return 1;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  Window* w = window_of(hwnd);
  if (!w || !ps || !w->surface) return nullptr;
  cairo_t* cr = cairo_create(w->surface);
  cairo_rectangle_int_t box{};
  cairo_region_get_extents(w->update, &box);
  int n = cairo_region_num_rectangles(w->update);
  for (int i = 0; i < n; ++i) {
    cairo_rectangle_int_t part;
    cairo_region_get_rectangle(w->update, i, &part);
    cairo_rectangle(cr, part.x, part.y, part.width, part.height);
  }
  cairo_clip(cr);
  bool erase = w->erase;
  ValidateRect(hwnd, nullptr);
  *ps = PAINTSTRUCT{cr, 1, {box.x, box.y, box.x + box.width, box.y + box.height}};
  if (erase && SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(cr), 0)) ps->fErase = 0;
  return cr;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (!ps || !ps->hdc) return 0;
  cairo_surface_flush(cairo_get_target(ps->hdc));
  cairo_destroy(ps->hdc);
  present_top_level(hwnd);
  return 1;
}

}  // namespace zel::display
