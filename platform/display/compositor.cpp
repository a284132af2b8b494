#include "platform/display/compositor.h"

#include <algorithm>
#include <set>

#include "platform/display/display.h"
#include "platform/display/system.h"
#include "platform/display/text.h"
#include "platform/display/window-table.h"
#include "platform/display/window.h"

namespace zel::display {
namespace {

constexpr HBRUSH brush_tag = 0x01000000, system_brush_tag = 0x02000000;

std::set<HWND>& changed_top_levels() {
  static std::set<HWND> changed;
  return changed;
}

void set_colour(cairo_t* cr, COLORREF c) {
  cairo_set_source_rgb(cr, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0);
}

// The window's own scroll bars, in its non-client area (client coordinates).
void draw_scroll_bars(cairo_t* cr, const Window& w) {
  RECT c = w.client_rect();
  for (int bar : {SB_VERT, SB_HORZ}) {
    if (!w.scroll_shown[static_cast<size_t>(bar)]) continue;
    const SCROLLINFO& info = w.scroll[static_cast<size_t>(bar)];
    bool vertical = bar == SB_VERT;
    double x = vertical ? c.width() : 0, y = vertical ? 0 : c.height();
    double length = vertical ? c.height() : c.width(), thickness = GetSystemMetrics(SM_CXVSCROLL);
    set_colour(cr, GetSysColor(COLOR_SCROLLBAR));
    cairo_rectangle(cr, x, y, vertical ? thickness : length, vertical ? length : thickness);
    cairo_fill(cr);
    double range = std::max(1, info.nMax - info.nMin + 1);
    double page = info.nPage ? std::min<double>(info.nPage, range) : range;
    double thumb = std::max(8.0, length * page / range);
    double at = range > page ? (length - thumb) * (info.nPos - info.nMin) / (range - page) : 0;
    set_colour(cr, GetSysColor(COLOR_BTNSHADOW));
    if (vertical)
      cairo_rectangle(cr, x + 2, at, thickness - 4, thumb);
    else
      cairo_rectangle(cr, at, y + 2, thumb, thickness - 4);
    cairo_fill(cr);
  }
}

// Draws `w` with its client origin at the context's origin.
void compose_into(cairo_t* cr, const Window& w) {
  cairo_surface_t* content = w.layered ? w.layered : w.surface;
  if (content) {
    cairo_set_source_surface(cr, content, 0, 0);
    if (w.layered && w.layered_alpha != 255)
      cairo_paint_with_alpha(cr, w.layered_alpha / 255.0);
    else
      cairo_paint(cr);
  }
  draw_scroll_bars(cr, w);
  RECT c = w.client_rect();
  for (HWND id : w.children) {
    const Window* child = window_of(id);
    if (!child || !child->visible()) continue;
    cairo_save(cr);
    cairo_rectangle(cr, 0, 0, c.width(), c.height());
    cairo_clip(cr);
    RECT cc = child->client_rect();
    cairo_translate(cr, cc.left, cc.top);
    compose_into(cr, *child);
    cairo_restore(cr);
  }
}

cairo_t* context_on(cairo_surface_t* surface) {
  cairo_t* cr = cairo_create(surface);
  cairo_surface_destroy(surface);  // the context holds it
  return cr;
}

}  // namespace

void present_top_level(HWND id) {
  if (HWND top = GetAncestor(id, GA_ROOT)) changed_top_levels().insert(top);
}

void flush_presentation() {
  std::set<HWND> changed;
  changed.swap(changed_top_levels());
  for (HWND top : changed) {
    if (!IsWindowVisible(top)) continue;
    cairo_surface_t* picture = compose_picture(top);
    current_display().present(top, picture);
    cairo_surface_destroy(picture);
  }
}

void release_surfaces(Window& w) {
  if (w.surface) cairo_surface_destroy(w.surface);
  if (w.layered) cairo_surface_destroy(w.layered);
  if (w.update) cairo_region_destroy(w.update);
  w.surface = w.layered = nullptr;
  w.update = nullptr;
}

void resize_surface(Window& w) {
  RECT c = w.client_rect();
  int width = std::max(c.width(), 0), height = std::max(c.height(), 0);
  cairo_surface_t* fresh = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  if (w.surface) {
    cairo_t* cr = cairo_create(fresh);
    cairo_set_source_surface(cr, w.surface, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(w.surface);
  }
  w.surface = fresh;
  if (w.update) cairo_region_destroy(w.update);
  cairo_rectangle_int_t all{0, 0, width, height};
  w.update = cairo_region_create_rectangle(&all);
  w.erase = true;
  w.paint_not_before = 0;
}

cairo_surface_t* compose_picture(HWND id) {
  if (!id) {
    RECT screen{};
    for (const Monitor& m : current_display().monitors()) {
      screen.right = std::max(screen.right, m.area.right);
      screen.bottom = std::max(screen.bottom, m.area.bottom);
    }
    cairo_surface_t* picture = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, screen.right, screen.bottom);
    cairo_t* cr = cairo_create(picture);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    for (HWND top : layer().top_levels) {
      const Window* w = window_of(top);
      if (!w || !w->visible() || w->minimized) continue;
      RECT c = w->client_rect();
      cairo_save(cr);
      cairo_translate(cr, c.left, c.top);
      compose_into(cr, *w);
      cairo_restore(cr);
    }
    cairo_destroy(cr);
    return picture;
  }
  RECT c;
  if (!GetClientRect(id, &c)) return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 0, 0);
  cairo_surface_t* picture = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, c.right, c.bottom);
  cairo_t* cr = cairo_create(picture);
  compose_into(cr, *window_of(id));
  cairo_destroy(cr);
  cairo_surface_flush(picture);
  return picture;
}

HDC GetDC(HWND id) {
  if (!id) return context_on(compose_picture(0));
  Window* w = window_of(id);
  return w && w->surface ? cairo_create(w->surface) : nullptr;
}

int ReleaseDC(HWND id, HDC dc) {
  if (!dc) return 0;
  cairo_surface_flush(cairo_get_target(dc));
  cairo_destroy(dc);
  if (id) present_top_level(id);
  return 1;
}

HDC CreateCompatibleDC(int width, int height) {
  return context_on(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(width, 0), std::max(height, 0)));
}

HDC CreateDCForPixels(uint32_t* pixels, int width, int height, int stride) {
  if (!pixels || width <= 0 || height <= 0 || stride < width * 4) return nullptr;
  return context_on(cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels),
                                                        CAIRO_FORMAT_ARGB32, width, height, stride));
}

BOOL DeleteDC(HDC dc) {
  if (!dc) return 0;
  cairo_surface_flush(cairo_get_target(dc));
  cairo_destroy(dc);
  return 1;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int source_x, int source_y, DWORD) {
  if (!dest || !source) return 0;
  cairo_surface_t* from = cairo_get_target(source);
  cairo_surface_flush(from);
  cairo_save(dest);
  cairo_identity_matrix(dest);
  cairo_set_operator(dest, CAIRO_OPERATOR_SOURCE);
  cairo_rectangle(dest, x, y, width, height);
  cairo_clip(dest);
  cairo_set_source_surface(dest, from, x - source_x, y - source_y);
  cairo_paint(dest);
  cairo_restore(dest);
  return 1;
}

BOOL PrintWindow(HWND id, HDC dest, UINT) {
  if (!dest || !window_of(id)) return 0;
  cairo_surface_t* picture = compose_picture(id);
  cairo_save(dest);
  cairo_set_source_surface(dest, picture, 0, 0);
  cairo_paint(dest);
  cairo_restore(dest);
  cairo_surface_destroy(picture);
  return 1;
}

BOOL UpdateLayeredWindow(HWND id, HDC, const POINT* position, const SIZE* size, HDC source, const POINT* source_at,
                         COLORREF, const BLENDFUNCTION* blend, DWORD) {
  Window* w = window_of(id);
  if (!w || !(w->ex_style & WS_EX_LAYERED)) return 0;
  if (position || size) {
    RECT r = w->rect;
    if (!w->top_level()) {
      SetWindowPos(id, 0, position ? position->x : r.left, position ? position->y : r.top,
                   size ? size->cx : r.width(), size ? size->cy : r.height(), SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
      POINT at = position ? *position : POINT{r.left, r.top};
      SetWindowPos(id, 0, at.x, at.y, size ? size->cx : r.width(), size ? size->cy : r.height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (!(w = window_of(id))) return 0;
  }
  if (source) {
    RECT c = w->client_rect();
    cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, c.width(), c.height());
    cairo_t* cr = cairo_create(copy);
    cairo_surface_t* from = cairo_get_target(source);
    cairo_surface_flush(from);
    cairo_set_source_surface(cr, from, source_at ? -source_at->x : 0, source_at ? -source_at->y : 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    if (w->layered) cairo_surface_destroy(w->layered);
    w->layered = copy;
  }
  if (blend) w->layered_alpha = blend->SourceConstantAlpha;
  present_top_level(id);
  return 1;
}

BOOL SetLayeredWindowAttributes(HWND id, COLORREF, BYTE alpha, DWORD flags) {
  Window* w = window_of(id);
  if (!w || !(w->ex_style & WS_EX_LAYERED)) return 0;
  if (flags & LWA_ALPHA) w->layered_alpha = alpha;
  present_top_level(id);
  return 1;
}

HBRUSH CreateSolidBrush(COLORREF c) { return brush_tag | (c & 0xFFFFFF); }
HBRUSH GetSysColorBrush(int index) { return system_brush_tag | static_cast<HBRUSH>(index & 0xFF); }
BOOL DeleteObject(uint32_t object) {
  if (font_description(object)) return DeleteFont(object);
  return object ? 1 : 0;  // brushes hold nothing
}

BOOL FillRect(HDC dc, const RECT* r, HBRUSH brush) {
  if (!dc || !r || !brush) return 0;
  // A system colour index plus one also stands for its brush, as class backgrounds give it.
  COLORREF c = brush <= COLOR_HOTLIGHT + 1          ? GetSysColor(static_cast<int>(brush) - 1)
               : (brush & system_brush_tag) ? GetSysColor(static_cast<int>(brush & 0xFF))
                                            : (brush & 0xFFFFFF);
  cairo_save(dc);
  set_colour(dc, c);
  cairo_rectangle(dc, r->left, r->top, r->width(), r->height());
  cairo_fill(dc);
  cairo_restore(dc);
  return 1;
}

}  // namespace zel::display
