// Text on Pango: fonts made from LOGFONT-like records, laid-out paragraphs with style runs,
// and the DrawText-style measuring and drawing the widgets use. Every index a caller sees is
// a character (code point) index into the paragraph's text; the UTF-8 byte offsets Pango
// works in stay inside. Sizes are in device pixels.
#pragma once
#include <pango/pango.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/display/types.h"

namespace zel::display {

inline constexpr LONG FW_NORMAL = 400, FW_BOLD = 700;
struct LOGFONT {
  LONG lfHeight = 0;  // negative: the em size in pixels; positive: the cell height
  LONG lfWidth = 0, lfEscapement = 0, lfOrientation = 0;
  LONG lfWeight = FW_NORMAL;
  BYTE lfItalic = 0, lfUnderline = 0, lfStrikeOut = 0, lfCharSet = 0, lfOutPrecision = 0, lfClipPrecision = 0,
       lfQuality = 0, lfPitchAndFamily = 0;
  std::u16string lfFaceName;
};

HFONT CreateFontIndirect(const LOGFONT&);
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                 DWORD strike_out, DWORD char_set, DWORD out_precision, DWORD clip_precision, DWORD quality,
                 DWORD pitch_and_family, std::u16string_view face);
BOOL GetObject(HFONT, LOGFONT*);
BOOL DeleteFont(HFONT);
HFONT GetStockFont();  // the default GUI font
// Pango's description of a font (owned by the font; null for an unknown one).
const PangoFontDescription* font_description(HFONT);

struct TEXTMETRIC {
  LONG tmHeight = 0, tmAscent = 0, tmDescent = 0, tmAveCharWidth = 0, tmMaxCharWidth = 0;
};
BOOL GetTextMetrics(HFONT, TEXTMETRIC*);
BOOL GetTextExtentPoint32(HFONT, std::u16string_view, SIZE*);

inline constexpr UINT DT_TOP = 0, DT_LEFT = 0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_VCENTER = 0x4,
                      DT_BOTTOM = 0x8, DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20, DT_EXPANDTABS = 0x40,
                      DT_NOCLIP = 0x100, DT_CALCRECT = 0x400, DT_NOPREFIX = 0x800;
// Draws (in the context's current source) or, with DT_CALCRECT, measures: the rectangle's
// right and bottom become the text's extent. Returns the text's height. '&' is kept as is.
int DrawText(HDC, std::u16string_view, RECT*, UINT format, HFONT);

// A paragraph laid out once and asked many questions.
class TextLayout {
 public:
  enum class Wrap { none, word, character };
  enum class Align { left, center, right, justify };
  struct Run {
    size_t start = 0, end = 0;  // characters [start, end)
    std::optional<uint32_t> color, background;  // 0xAARRGGBB
    std::optional<bool> bold, italic, underline, strike;
    std::optional<std::string> family;
    std::optional<double> size;  // pixels
  };
  struct Hit {
    size_t index = 0;     // the character hit
    bool trailing = false;  // in its second half
    bool inside = false;    // within the text's extent
  };
  struct Caret {
    double x = 0, y = 0, height = 0;
  };
  struct Box {
    double x = 0, y = 0, width = 0, height = 0;
  };
  struct Line {
    size_t start = 0, length = 0;  // characters, the line's end of line included
    double top = 0, baseline = 0, height = 0, width = 0;
  };

  TextLayout(std::string_view utf8, HFONT);
  TextLayout(const TextLayout&) = delete;
  TextLayout& operator=(const TextLayout&) = delete;
  ~TextLayout();

  void set_width(double pixels);  // 0 or less: no limit
  void set_wrap(Wrap);
  void set_alignment(Align);
  void set_tabs(const std::vector<double>& stops);
  void set_line_spacing(double pixels);  // uniform distance between baselines; 0: the font's
  void add_run(const Run&);

  size_t length() const { return byte_of_.size() - 1; }
  Box extent() const;  // the laid-out text's logical extent
  Hit hit_test_point(double x, double y) const;
  // Where the caret stands before the character (or after it, when trailing).
  Caret caret_position(size_t index, bool trailing = false) const;
  std::vector<Box> range_boxes(size_t start, size_t length) const;
  std::vector<Line> lines() const;
  void draw(cairo_t*, double x, double y) const;

 private:
  int byte_index(size_t character) const;
  size_t character_index(int byte) const;
  void apply();

  PangoLayout* layout_;
  PangoAttrList* attributes_;
  std::vector<int> byte_of_;  // byte offset of each character, and of the end
};

}  // namespace zel::display
