// Text on Pango: fonts, layouts in character indices, hit tests, carets, lines and the
// DrawText measuring, with the DejaVu faces the test machines install.
#include <gtest/gtest.h>

#include <cairo.h>

#include "platform/display/text.h"

namespace zel::display {
namespace {

HFONT font(const char16_t* face, int height, int weight = FW_NORMAL) {
  return CreateFont(height, 0, 0, 0, weight, 0, 0, 0, 0, 0, 0, 0, 0, face);
}

TEST(DisplayText, MonospaceCaretAdvancesOneCellPerCharacter) {
  HFONT mono = font(u"DejaVu Sans Mono", -16);
  TextLayout layout("abcdef", mono);
  double advance = layout.caret_position(1).x;
  EXPECT_GT(advance, 5.0);
  EXPECT_NEAR(layout.caret_position(3).x, 3 * advance, 0.01);
  EXPECT_NEAR(layout.caret_position(2, true).x, 3 * advance, 0.01);
  EXPECT_NEAR(layout.extent().width, 6 * advance, 0.01);
  DeleteFont(mono);
}

TEST(DisplayText, HitTestsAndCaretsCountCharactersNotBytes) {
  HFONT sans = font(u"DejaVu Sans", -20);
  TextLayout layout("\xC3\xA9\xF0\x9F\x98\x80" "a", sans);  // é, U+1F600, a
  ASSERT_EQ(layout.length(), 3u);
  double x[4];
  for (size_t i = 0; i < 4; ++i) x[i] = layout.caret_position(i).x;
  EXPECT_EQ(x[0], 0);
  EXPECT_LT(x[0], x[1]);
  EXPECT_LT(x[1], x[2]);
  EXPECT_LT(x[2], x[3]);
  double middle_y = layout.caret_position(0).height / 2;
  struct Case {
    double x;
    size_t index;
    bool trailing, inside;
  } cases[] = {
      {x[0] + 1, 0, false, true},
      {x[1] + 1, 1, false, true},
      {x[2] - 1, 1, true, true},
      {x[2] + 1, 2, false, true},
      {x[3] + 50, 2, true, false},
  };
  for (const Case& c : cases) {
    TextLayout::Hit hit = layout.hit_test_point(c.x, middle_y);
    EXPECT_EQ(hit.index, c.index) << c.x;
    EXPECT_EQ(hit.trailing, c.trailing) << c.x;
    EXPECT_EQ(hit.inside, c.inside) << c.x;
  }
  auto boxes = layout.range_boxes(1, 1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NEAR(boxes[0].x, x[1], 0.01);
  EXPECT_NEAR(boxes[0].width, x[2] - x[1], 0.01);
  EXPECT_TRUE(layout.range_boxes(3, 5).empty());
  // Bytes that are not UTF-8 are mended, not read beyond.
  TextLayout broken("a\xFF" "b", sans);
  EXPECT_EQ(broken.length(), 3u);
  DeleteFont(sans);
}

TEST(DisplayText, WrappingLinesSpacingAlignmentAndTabs) {
  HFONT mono = font(u"DejaVu Sans Mono", -10);
  TextLayout probe("x", mono);
  double cell = probe.caret_position(1).x;
  TextLayout layout("one two three", mono);
  layout.set_width(cell * 8);
  layout.set_wrap(TextLayout::Wrap::word);
  auto lines = layout.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].start, 0u);
  EXPECT_EQ(lines[0].length, 8u);  // "one two " with its break
  EXPECT_EQ(lines[1].start, 8u);
  EXPECT_EQ(lines[1].length, 5u);
  layout.set_line_spacing(30);
  lines = layout.lines();
  EXPECT_NEAR(lines[1].baseline - lines[0].baseline, 30, 0.01);
  EXPECT_NEAR(layout.caret_position(8).y - layout.caret_position(0).y, 30, 0.01);
  layout.set_wrap(TextLayout::Wrap::none);
  EXPECT_EQ(layout.lines().size(), 1u);

  TextLayout centred("ab", mono);
  centred.set_width(cell * 10);
  centred.set_alignment(TextLayout::Align::center);
  EXPECT_NEAR(centred.caret_position(0).x, cell * 4, 0.01);

  TextLayout tabbed("a\tb", mono);
  tabbed.set_tabs({100});
  EXPECT_NEAR(tabbed.caret_position(2).x, 100, 0.01);

  TextLayout styled("abcd", mono);
  double plain = styled.extent().width;
  styled.add_run({1, 3, 0xFFFF0000u, {}, {}, {}, {}, {}, {}, 20.0});
  EXPECT_GT(styled.extent().width, plain);
  EXPECT_NEAR(styled.caret_position(1).x, cell, 0.01);  // before the run: unchanged
  DeleteFont(mono);
}

TEST(DisplayText, FontsRecordsAndMetrics) {
  LOGFONT asked;
  asked.lfHeight = -14;
  asked.lfWeight = FW_BOLD;
  asked.lfItalic = 1;
  asked.lfFaceName = u"DejaVu Serif";
  HFONT f = CreateFontIndirect(asked);
  LOGFONT back;
  ASSERT_TRUE(GetObject(f, &back));
  EXPECT_EQ(back.lfFaceName, u"DejaVu Serif");
  EXPECT_EQ(back.lfWeight, FW_BOLD);
  const PangoFontDescription* d = font_description(f);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(pango_font_description_get_size(d), 14 * PANGO_SCALE);
  EXPECT_EQ(pango_font_description_get_style(d), PANGO_STYLE_ITALIC);
  TEXTMETRIC tm;
  ASSERT_TRUE(GetTextMetrics(f, &tm));
  EXPECT_GT(tm.tmAscent, tm.tmDescent);
  EXPECT_GE(tm.tmHeight, 14);
  EXPECT_TRUE(DeleteFont(f));
  EXPECT_FALSE(DeleteFont(f));
  EXPECT_FALSE(GetObject(f, &back));
  SIZE size;
  EXPECT_FALSE(GetTextExtentPoint32(f, u"x", &size));
}

TEST(DisplayText, DrawTextMeasuresWrapsAndDrawsInsideItsRectangle) {
  HFONT mono = font(u"DejaVu Sans Mono", -12);
  SIZE one;
  ASSERT_TRUE(GetTextExtentPoint32(mono, u"hello", &one));
  RECT r{10, 20, 1000, 1000};
  int height = DrawText(nullptr, u"hello", &r, DT_CALCRECT | DT_SINGLELINE, mono);
  EXPECT_EQ(r.width(), one.cx);
  EXPECT_EQ(r.height(), height);
  RECT narrow{0, 0, one.cx, 1000};
  int wrapped = DrawText(nullptr, u"hello hello hello", &narrow, DT_CALCRECT | DT_WORDBREAK, mono);
  EXPECT_GE(wrapped, 3 * height - 1);
  SIZE pair;
  GetTextExtentPoint32(mono, u"\xD83D\xDE00", &pair);  // a surrogate pair is one character
  EXPECT_GT(pair.cx, 0);

  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 100, 40);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 0, 0, 0);
  RECT box{0, 0, 50, 40};
  DrawText(cr, u"WWWWWWWWWWWWWWWWWWWW", &box, DT_SINGLELINE | DT_VCENTER, mono);
  cairo_destroy(cr);
  cairo_surface_flush(s);
  int inked_inside = 0, inked_outside = 0;
  unsigned char* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 100; ++x)
      if (data[y * stride + x * 4 + 3]) (x < 50 ? inked_inside : inked_outside)++;
  EXPECT_GT(inked_inside, 50);
  EXPECT_EQ(inked_outside, 0);
  cairo_surface_destroy(s);
  DeleteFont(mono);
}

}  // namespace
}  // namespace zel::display
