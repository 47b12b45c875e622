// Streaming UTF-8 decoder: a byte-at-a-time state machine with an ASCII fast path.
#include "tool_runtime/utf8_stream.h"

namespace {
constexpr char32_t kReplacement = 0xFFFD;
}

void Utf8StreamDecoder::Emit(char32_t cp, std::wstring& out) {
  if constexpr (sizeof(wchar_t) == 2) {
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
      return;
    }
  }
  out.push_back(static_cast<wchar_t>(cp));
}

void Utf8StreamDecoder::Decode(std::string_view bytes, std::wstring& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  out.reserve(out.size() + bytes.size());
  while (p != end) {
    const unsigned char b = *p;
    if (needed_ == 0) {
      if (b < 0x80) {
        // Runs of ASCII are the common case (adb/fastboot print nothing else).
        const auto* run = p;
        while (p != end && *p < 0x80 && *p != 0) ++p;
        out.append(run, p);
        if (p != end && *p == 0) ++p;  // a zero byte carries no text
        continue;
      }
      ++p;
      if (b >= 0xC2 && b <= 0xDF) {
        needed_ = 1;
        codePoint_ = b & 0x1F;
      } else if (b >= 0xE0 && b <= 0xEF) {
        needed_ = 2;
        codePoint_ = b & 0x0F;
        if (b == 0xE0) lower_ = 0xA0;  // no overlong forms
        if (b == 0xED) upper_ = 0x9F;  // no surrogates
      } else if (b >= 0xF0 && b <= 0xF4) {
        needed_ = 3;
        codePoint_ = b & 0x07;
        if (b == 0xF0) lower_ = 0x90;
        if (b == 0xF4) upper_ = 0x8F;  // nothing above U+10FFFF
      } else {
        Emit(kReplacement, out);
      }
      continue;
    }
    if (b < lower_ || b > upper_) {
      // The sequence so far is one ill-formed part; this byte starts afresh.
      needed_ = 0;
      lower_ = 0x80;
      upper_ = 0xBF;
      Emit(kReplacement, out);
      continue;
    }
    ++p;
    lower_ = 0x80;
    upper_ = 0xBF;
    codePoint_ = (codePoint_ << 6) | (b & 0x3F);
    if (--needed_ == 0) Emit(codePoint_, out);
  }
}

void Utf8StreamDecoder::Finish(std::wstring& out) {
  if (needed_ != 0) {
    needed_ = 0;
    lower_ = 0x80;
    upper_ = 0xBF;
    Emit(kReplacement, out);
  }
}

std::wstring Utf8ToWide(std::string_view utf8) {
  std::wstring out;
  Utf8StreamDecoder decoder;
  decoder.Decode(utf8, out);
  decoder.Finish(out);
  return out;
}

std::string WideToUtf8(std::wstring_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    char32_t cp = static_cast<char32_t>(wide[i]);
    if constexpr (sizeof(wchar_t) == 2) cp &= 0xFFFF;
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < wide.size()) {
      const char32_t low = static_cast<char32_t>(wide[i + 1]) & 0xFFFF;
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = kReplacement;
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}
