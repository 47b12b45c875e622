// Streaming UTF-8 decoder for child-process output, and plain UTF-8 <-> wide conversions.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Decodes UTF-8 that arrives in arbitrary chunks. A character split between two chunks comes
// out whole; each ill-formed part becomes one U+FFFD (maximal-subpart rule); zero bytes are
// dropped. wchar_t output is UTF-16 (surrogate pairs) where wchar_t is 16 bits, else UTF-32.
class Utf8StreamDecoder {
 public:
  // Appends the text of `bytes` to `out`; an incomplete sequence at the end is held back.
  void Decode(std::string_view bytes, std::wstring& out);
  // Ends the stream: a sequence still incomplete becomes U+FFFD.
  void Finish(std::wstring& out);
  bool HasPendingBytes() const { return needed_ != 0; }

 private:
  void Emit(char32_t codePoint, std::wstring& out);

  char32_t codePoint_ = 0;
  unsigned needed_ = 0;  // continuation bytes still expected
  unsigned char lower_ = 0x80;
  unsigned char upper_ = 0xBF;
};

// Whole-string conversions (ill-formed input becomes U+FFFD; lone surrogates likewise).
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);
