#include "platform/display/text.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "platform/display/utf16.h"

namespace zel::display {
namespace {

struct Font {
  LOGFONT record;
  PangoFontDescription* description = nullptr;
};

std::map<HFONT, Font>& fonts() {
  static std::map<HFONT, Font> table;
  return table;
}

// One context for measuring, at 96 DPI with unhinted metrics, so that sizes do not depend
// on where a layout is drawn.
PangoContext* measuring_context() {
  static PangoContext* context = [] {
    PangoFontMap* map = pango_cairo_font_map_get_default();
    PangoContext* made = pango_font_map_create_context(map);
    pango_cairo_context_set_resolution(made, 96);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(made, options);
    cairo_font_options_destroy(options);
    return made;
  }();
  return context;
}

double pixels(int pango_units) { return pango_units / static_cast<double>(PANGO_SCALE); }
int units(double px) { return static_cast<int>(std::lround(px * PANGO_SCALE)); }

HFONT default_font() {
  static HFONT font = [] {
    LOGFONT record;
    record.lfHeight = -12;
    record.lfFaceName = u"DejaVu Sans";
    return CreateFontIndirect(record);
  }();
  return font;
}

}  // namespace

HFONT CreateFontIndirect(const LOGFONT& record) {
  static HFONT next = 0x04000001;
  PangoFontDescription* d = pango_font_description_new();
  std::string face = utf8_of(record.lfFaceName);
  pango_font_description_set_family(d, face.empty() ? "DejaVu Sans" : face.c_str());
  LONG height = record.lfHeight ? std::abs(record.lfHeight) : 16;
  // A positive height counts the cell: the em is about 80% of it in the usual faces.
  double em = record.lfHeight > 0 ? height * 0.8 : height;
  pango_font_description_set_absolute_size(d, em * PANGO_SCALE);
  pango_font_description_set_weight(d, static_cast<PangoWeight>(std::clamp<LONG>(record.lfWeight ? record.lfWeight : FW_NORMAL, 100, 1000)));
  pango_font_description_set_style(d, record.lfItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  fonts().emplace(next, Font{record, d});
  return next++;
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                 DWORD strike_out, DWORD char_set, DWORD out_precision, DWORD clip_precision, DWORD quality,
                 DWORD pitch_and_family, std::u16string_view face) {
  LOGFONT r;
  r.lfHeight = height, r.lfWidth = width, r.lfEscapement = escapement, r.lfOrientation = orientation;
  r.lfWeight = weight;
  r.lfItalic = static_cast<BYTE>(italic), r.lfUnderline = static_cast<BYTE>(underline);
  r.lfStrikeOut = static_cast<BYTE>(strike_out), r.lfCharSet = static_cast<BYTE>(char_set);
  r.lfOutPrecision = static_cast<BYTE>(out_precision), r.lfClipPrecision = static_cast<BYTE>(clip_precision);
  r.lfQuality = static_cast<BYTE>(quality), r.lfPitchAndFamily = static_cast<BYTE>(pitch_and_family);
  r.lfFaceName = std::u16string(face);
  return CreateFontIndirect(r);
}

BOOL GetObject(HFONT font, LOGFONT* out) {
  auto found = fonts().find(font);
  if (found == fonts().end() || !out) return 0;
  *out = found->second.record;
  return 1;
}

BOOL DeleteFont(HFONT font) {
  auto found = fonts().find(font);
  if (found == fonts().end() || font == default_font()) return 0;
  pango_font_description_free(found->second.description);
  fonts().erase(found);
  return 1;
}

HFONT GetStockFont() { return default_font(); }

const PangoFontDescription* font_description(HFONT font) {
  auto found = fonts().find(font);
  return found == fonts().end() ? nullptr : found->second.description;
}

BOOL GetTextMetrics(HFONT font, TEXTMETRIC* out) {
  const PangoFontDescription* d = font_description(font);
  if (!d || !out) return 0;
  PangoFontMetrics* m = pango_context_get_metrics(measuring_context(), d, nullptr);
  int ascent = pango_font_metrics_get_ascent(m), descent = pango_font_metrics_get_descent(m);
  out->tmAscent = static_cast<LONG>(std::lround(pixels(ascent)));
  out->tmDescent = static_cast<LONG>(std::lround(pixels(descent)));
  out->tmHeight = out->tmAscent + out->tmDescent;
  out->tmAveCharWidth = static_cast<LONG>(std::lround(pixels(pango_font_metrics_get_approximate_char_width(m))));
  out->tmMaxCharWidth = out->tmAveCharWidth * 2;
  pango_font_metrics_unref(m);
  return 1;
}

BOOL GetTextExtentPoint32(HFONT font, std::u16string_view text, SIZE* out) {
  if (!font_description(font) || !out) return 0;
  TextLayout layout(utf8_of(text), font);
  TextLayout::Box box = layout.extent();
  *out = {static_cast<LONG>(std::ceil(box.width)), static_cast<LONG>(std::ceil(box.height))};
  return 1;
}

int DrawText(HDC dc, std::u16string_view text, RECT* r, UINT format, HFONT font) {
  if (!r || !font_description(font)) return 0;
  TextLayout layout(utf8_of(text), font);
  layout.set_alignment(format & DT_CENTER ? TextLayout::Align::center
                       : format & DT_RIGHT ? TextLayout::Align::right
                                           : TextLayout::Align::left);
  bool wraps = (format & DT_WORDBREAK) && !(format & DT_SINGLELINE);
  if (wraps || (format & (DT_CENTER | DT_RIGHT))) layout.set_width(r->width());
  layout.set_wrap(wraps ? TextLayout::Wrap::word : TextLayout::Wrap::none);
  if (format & DT_EXPANDTABS) {
    TEXTMETRIC tm;
    GetTextMetrics(font, &tm);
    std::vector<double> stops;
    for (int i = 1; i <= 32; ++i) stops.push_back(8.0 * tm.tmAveCharWidth * i);
    layout.set_tabs(stops);
  }
  TextLayout::Box box = layout.extent();
  LONG height = static_cast<LONG>(std::ceil(box.height));
  if (format & DT_CALCRECT) {
    r->right = r->left + static_cast<LONG>(std::ceil(box.x + box.width));
    r->bottom = r->top + height;
    return height;
  }
  if (!dc) return 0;
  double y = r->top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) y = r->top + (r->height() - box.height) / 2;
    if (format & DT_BOTTOM) y = r->bottom - box.height;
  }
  cairo_save(dc);
  if (!(format & DT_NOCLIP)) {
    cairo_rectangle(dc, r->left, r->top, r->width(), r->height());
    cairo_clip(dc);
  }
  layout.draw(dc, r->left, y);
  cairo_restore(dc);
  return height;
}

TextLayout::TextLayout(std::string_view utf8, HFONT font)
    : layout_(pango_layout_new(measuring_context())), attributes_(pango_attr_list_new()) {
  std::string valid(utf8);
  if (!g_utf8_validate(valid.data(), static_cast<gssize>(valid.size()), nullptr)) {
    gchar* mended = g_utf8_make_valid(valid.data(), static_cast<gssize>(valid.size()));
    valid = mended;
    g_free(mended);
  }
  for (size_t i = 0; i < valid.size(); ++i)
    if ((static_cast<unsigned char>(valid[i]) & 0xC0) != 0x80) byte_of_.push_back(static_cast<int>(i));
  byte_of_.push_back(static_cast<int>(valid.size()));
  pango_layout_set_text(layout_, valid.data(), static_cast<int>(valid.size()));
  const PangoFontDescription* d = font_description(font);
  pango_layout_set_font_description(layout_, d ? d : font_description(default_font()));
  if (auto found = fonts().find(font); found != fonts().end()) {
    if (found->second.record.lfUnderline) add_run({0, length(), {}, {}, {}, {}, true, {}, {}, {}});
    if (found->second.record.lfStrikeOut) add_run({0, length(), {}, {}, {}, {}, {}, true, {}, {}});
  }
  pango_layout_set_wrap(layout_, PANGO_WRAP_WORD);
  apply();
}

TextLayout::~TextLayout() {
  pango_attr_list_unref(attributes_);
  g_object_unref(layout_);
}

int TextLayout::byte_index(size_t character) const { return byte_of_[std::min(character, length())]; }

size_t TextLayout::character_index(int byte) const {
  auto at = std::upper_bound(byte_of_.begin(), byte_of_.end(), byte);
  return static_cast<size_t>(std::max<ptrdiff_t>(at - byte_of_.begin() - 1, 0));
}

// Pango keeps the list it was given and does not see later changes to it: set it afresh.
void TextLayout::apply() {
  pango_layout_set_attributes(layout_, nullptr);
  pango_layout_set_attributes(layout_, attributes_);
}

void TextLayout::set_width(double px) {
  pango_layout_set_width(layout_, px > 0 ? units(px) : -1);
}

void TextLayout::set_wrap(Wrap wrap) {
  if (wrap == Wrap::none) {
    pango_layout_set_width(layout_, -1);
    return;
  }
  pango_layout_set_wrap(layout_, wrap == Wrap::word ? PANGO_WRAP_WORD_CHAR : PANGO_WRAP_CHAR);
}

void TextLayout::set_alignment(Align align) {
  pango_layout_set_justify(layout_, align == Align::justify);
  pango_layout_set_alignment(layout_, align == Align::center  ? PANGO_ALIGN_CENTER
                                      : align == Align::right ? PANGO_ALIGN_RIGHT
                                                              : PANGO_ALIGN_LEFT);
}

void TextLayout::set_tabs(const std::vector<double>& stops) {
  PangoTabArray* tabs = pango_tab_array_new(static_cast<int>(stops.size()), FALSE);
  for (size_t i = 0; i < stops.size(); ++i) pango_tab_array_set_tab(tabs, static_cast<int>(i), PANGO_TAB_LEFT, units(stops[i]));
  pango_layout_set_tabs(layout_, tabs);
  pango_tab_array_free(tabs);
}

void TextLayout::set_line_spacing(double px) {
  PangoAttribute* a = pango_attr_line_height_new_absolute(px > 0 ? units(px) : 0);
  if (px <= 0) {
    pango_attribute_destroy(a);
    a = pango_attr_line_height_new(0);
  }
  a->start_index = 0;
  a->end_index = PANGO_ATTR_INDEX_TO_TEXT_END;
  pango_attr_list_change(attributes_, a);
  apply();
}

void TextLayout::add_run(const Run& run) {
  guint start = static_cast<guint>(byte_index(run.start));
  guint end = static_cast<guint>(byte_index(std::max(run.start, run.end)));
  auto add = [&](PangoAttribute* a) {
    a->start_index = start;
    a->end_index = end;
    pango_attr_list_change(attributes_, a);
  };
  auto channel = [](uint32_t c, int shift) { return static_cast<guint16>(((c >> shift) & 0xFF) * 257); };
  if (run.color) {
    add(pango_attr_foreground_new(channel(*run.color, 16), channel(*run.color, 8), channel(*run.color, 0)));
    add(pango_attr_foreground_alpha_new(std::max<guint16>(channel(*run.color, 24), 1)));
  }
  if (run.background) {
    add(pango_attr_background_new(channel(*run.background, 16), channel(*run.background, 8), channel(*run.background, 0)));
    add(pango_attr_background_alpha_new(std::max<guint16>(channel(*run.background, 24), 1)));
  }
  if (run.bold) add(pango_attr_weight_new(*run.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL));
  if (run.italic) add(pango_attr_style_new(*run.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL));
  if (run.underline) add(pango_attr_underline_new(*run.underline ? PANGO_UNDERLINE_SINGLE : PANGO_UNDERLINE_NONE));
  if (run.strike) add(pango_attr_strikethrough_new(*run.strike));
  if (run.family) add(pango_attr_family_new(run.family->c_str()));
  if (run.size) add(pango_attr_size_new_absolute(units(*run.size)));
  apply();
}

TextLayout::Box TextLayout::extent() const {
  PangoRectangle logical;
  pango_layout_get_extents(layout_, nullptr, &logical);
  return {pixels(logical.x), pixels(logical.y), pixels(logical.width), pixels(logical.height)};
}

TextLayout::Hit TextLayout::hit_test_point(double x, double y) const {
  int byte = 0, trailing = 0;
  bool inside = pango_layout_xy_to_index(layout_, units(x), units(y), &byte, &trailing);
  size_t index = character_index(byte);
  // Pango counts the trailing half in characters (graphemes): we answer per character.
  Hit hit{index, trailing > 0, inside};
  if (hit.index >= length()) hit = {length(), false, inside};
  return hit;
}

TextLayout::Caret TextLayout::caret_position(size_t index, bool trailing) const {
  size_t at = std::min(index + (trailing ? 1 : 0), length());
  PangoRectangle strong;
  pango_layout_get_cursor_pos(layout_, byte_index(at), &strong, nullptr);
  return {pixels(strong.x), pixels(strong.y), pixels(strong.height)};
}

std::vector<TextLayout::Box> TextLayout::range_boxes(size_t start, size_t count) const {
  std::vector<Box> boxes;
  size_t end = std::min(start + count, length());
  if (start >= end) return boxes;
  int from = byte_index(start), to = byte_index(end);
  PangoLayoutIter* it = pango_layout_get_iter(layout_);
  do {
    PangoLayoutLine* line = pango_layout_iter_get_line_readonly(it);
    int line_end = line->start_index + line->length;
    if (line_end < from || line->start_index > to) continue;
    int* ranges = nullptr;
    int n = 0;
    pango_layout_line_get_x_ranges(line, std::max(from, line->start_index), std::min(to, line_end), &ranges, &n);
    PangoRectangle logical;
    pango_layout_iter_get_line_extents(it, nullptr, &logical);
    for (int i = 0; i < n; ++i)
      if (ranges[2 * i + 1] > ranges[2 * i])
        boxes.push_back({pixels(ranges[2 * i]), pixels(logical.y), pixels(ranges[2 * i + 1] - ranges[2 * i]),
                         pixels(logical.height)});
    g_free(ranges);
  } while (pango_layout_iter_next_line(it));
  pango_layout_iter_free(it);
  return boxes;
}

std::vector<TextLayout::Line> TextLayout::lines() const {
  std::vector<Line> out;
  PangoLayoutIter* it = pango_layout_get_iter(layout_);
  do {
    PangoLayoutLine* line = pango_layout_iter_get_line_readonly(it);
    PangoRectangle logical;
    pango_layout_iter_get_line_extents(it, nullptr, &logical);
    size_t first = character_index(line->start_index);
    PangoLayoutIter* next = pango_layout_iter_copy(it);
    int next_start = pango_layout_iter_next_line(next) ? pango_layout_iter_get_line_readonly(next)->start_index
                                                       : byte_of_.back();
    pango_layout_iter_free(next);
    size_t last = character_index(next_start);
    if (next_start >= byte_of_.back()) last = length();
    out.push_back({first, last - first, pixels(logical.y), pixels(pango_layout_iter_get_baseline(it)),
                   pixels(logical.height), pixels(logical.width)});
  } while (pango_layout_iter_next_line(it));
  pango_layout_iter_free(it);
  return out;
}

void TextLayout::draw(cairo_t* cr, double x, double y) const {
  cairo_save(cr);
  cairo_move_to(cr, x, y);
  pango_cairo_show_layout(cr, layout_);
  cairo_restore(cr);
}

}  // namespace zel::display
