// Checks that the texts chosen for the info dialogs fit their one-line labels in a CJK system font.
#include <gtest/gtest.h>

#include <string>

#include "res/maker_info.h"

namespace {

// Width in half-width cells, as a CJK font such as SimSun draws it: ASCII one cell, any other
// character two. Dialog units are a quarter of the font's average (half-width) character.
int Cells(const std::string& utf8) {
  int cells = 0;
  for (unsigned char c : utf8) {
    if (c < 0x80) cells += 1;
    else if ((c & 0xC0) != 0x80) cells += 2;  // lead byte of a multi-byte character
  }
  return cells;
}

TEST(MakerLines, FitTheirLabelsOnOneLine) {
  const struct {
    const char* text;
    int widthDlu;
  } lines[] = {
      {"官网：" VANTREL_MAKER_HOST, 83},
      {"微博：" VANTREL_MAKER_BLOG_URL, 107},
      {"问题反馈建议：" VANTREL_MAKER_EMAIL, 127},
      {"支付宝捐赠账号：" VANTREL_MAKER_EMAIL, 127},
      {VANTREL_ABOUT_SECOND_LINE, 114},
      {VANTREL_COPYRIGHT, 114},
  };
  for (const auto& line : lines) {
    EXPECT_LE(Cells(line.text) * 4, line.widthDlu) << line.text;
  }
}

TEST(MakerLines, CellsCountChineseDouble) {
  EXPECT_EQ(Cells("ab"), 2);
  EXPECT_EQ(Cells("官网："), 6);
  EXPECT_EQ(Cells("版本：V1.0"), 10);
}

}  // namespace
