// Tests of the streaming UTF-8 decoder: whole input, every split point, bad input, zero bytes.
#include "tool_runtime/utf8_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The expected text as code points, turned into this platform's wchar_t form.
std::wstring Wide(const std::u32string& codePoints) {
  std::wstring out;
  for (char32_t cp : codePoints) {
    if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
      out.push_back(static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<wchar_t>(cp));
    }
  }
  return out;
}

struct DecodeCase {
  const char* name;
  std::string bytes;
  std::u32string text;
};

const std::vector<DecodeCase>& DecodeCases() {
  static const std::vector<DecodeCase> cases = {
      {"ascii", "List of devices attached\r\n", U"List of devices attached\r\n"},
      {"chinese", "\xE5\x88\xB7\xE5\x85\xA5", U"刷入"},
      {"two_byte", "\xC3\xA9t\xC3\xA9", U"été"},
      {"four_byte", "a\xF0\x9F\x98\x80z", U"a\U0001F600z"},
      {"highest", "\xF4\x8F\xBF\xBF", U"\U0010FFFF"},
      {"zero_bytes_dropped", std::string("AB\0CD\0", 6), U"ABCD"},
      {"stray_continuation", "a\x80z", U"a\uFFFDz"},
      {"overlong", "\xC0\xAF", U"\uFFFD\uFFFD"},
      {"overlong_three", "\xE0\x80\xAF", U"\uFFFD\uFFFD\uFFFD"},
      {"surrogate", "\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"},
      {"above_max", "\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"bad_lead", "\xFF" "a", U"\uFFFDa"},
      {"truncated_then_ascii", "\xE5\x88" "a", U"\uFFFDa"},
      {"truncated_then_lead", "\xE5\x88\xE5\x88\xB7", U"\uFFFD刷"},
      {"zero_inside_sequence", std::string("\xE5\0\x88\xB7", 4), U"\uFFFD\uFFFD\uFFFD"},
      {"incomplete_at_end", "ok\xF0\x9F\x98", U"ok\uFFFD"},
  };
  return cases;
}

class Utf8Decode : public testing::TestWithParam<DecodeCase> {};

TEST_P(Utf8Decode, WholeInput) {
  EXPECT_EQ(Utf8ToWide(GetParam().bytes), Wide(GetParam().text));
}

// However the bytes are cut into two chunks, the text is the same as in one piece.
TEST_P(Utf8Decode, EverySplitPoint) {
  const std::string& bytes = GetParam().bytes;
  for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
    Utf8StreamDecoder decoder;
    std::wstring out;
    decoder.Decode(std::string_view(bytes).substr(0, cut), out);
    decoder.Decode(std::string_view(bytes).substr(cut), out);
    decoder.Finish(out);
    EXPECT_EQ(out, Wide(GetParam().text)) << "cut at " << cut;
  }
}

// One byte at a time, the worst chunking a pipe can produce.
TEST_P(Utf8Decode, ByteByByte) {
  Utf8StreamDecoder decoder;
  std::wstring out;
  for (char b : GetParam().bytes) decoder.Decode(std::string_view(&b, 1), out);
  decoder.Finish(out);
  EXPECT_EQ(out, Wide(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Cases, Utf8Decode, testing::ValuesIn(DecodeCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Utf8StreamDecoder, HoldsAnIncompleteTailUntilTheNextChunk) {
  Utf8StreamDecoder decoder;
  std::wstring out = L"kept ";
  decoder.Decode("ab\xE4\xB8", out);
  EXPECT_EQ(out, L"kept ab");
  EXPECT_TRUE(decoder.HasPendingBytes());
  decoder.Decode("\xAD" "c", out);
  EXPECT_EQ(out, L"kept ab\u4E2Dc");
  EXPECT_FALSE(decoder.HasPendingBytes());
  decoder.Finish(out);
  EXPECT_EQ(out, L"kept ab\u4E2Dc");
}

TEST(WideToUtf8, RoundTripsWithUtf8ToWide) {
  const std::string samples[] = {"", "devices", "华为 小米", "a\xF0\x9F\x98\x80z", "\xF4\x8F\xBF\xBF"};
  for (const auto& utf8 : samples) EXPECT_EQ(WideToUtf8(Utf8ToWide(utf8)), utf8);
}

TEST(WideToUtf8, LoneSurrogateBecomesReplacement) {
  std::wstring lone(1, static_cast<wchar_t>(0xD800));
  EXPECT_EQ(WideToUtf8(lone + L"x"), "\xEF\xBF\xBDx");
}

}  // namespace
