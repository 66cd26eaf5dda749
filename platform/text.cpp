#include "platform/text.h"

#include <algorithm>
#include <limits>

#include "platform/error.h"

namespace duza {
namespace {

std::size_t CheckedStart(std::int32_t start) {
  if (start < 1) Raise(err::kInvalidProcedureCall);
  return static_cast<std::size_t>(start) - 1;
}

void CheckCount(std::int32_t count) {
  if (count < 0) Raise(err::kInvalidProcedureCall);
}

constexpr char16_t kReplacement = u'\uFFFD';

}  // namespace

std::u16string Mid(std::u16string_view text, std::int32_t start) {
  const std::size_t from = CheckedStart(start);
  if (from >= text.size()) return {};
  return std::u16string(text.substr(from));
}

std::u16string Mid(std::u16string_view text, std::int32_t start, std::int32_t length) {
  const std::size_t from = CheckedStart(start);
  CheckCount(length);
  if (from >= text.size()) return {};
  return std::u16string(text.substr(from, static_cast<std::size_t>(length)));
}

std::u16string Left(std::u16string_view text, std::int32_t count) {
  CheckCount(count);
  return std::u16string(text.substr(0, static_cast<std::size_t>(count)));
}

std::u16string Right(std::u16string_view text, std::int32_t count) {
  CheckCount(count);
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(count));
  return std::u16string(text.substr(text.size() - n));
}

std::int32_t InStr(std::int32_t start, std::u16string_view text, std::u16string_view what) {
  const std::size_t from = CheckedStart(start);
  if (from >= text.size()) return 0;
  if (what.empty()) return start;
  const std::size_t found = text.find(what, from);
  if (found == std::u16string_view::npos) return 0;
  return static_cast<std::int32_t>(found + 1);
}

std::int32_t Len(std::u16string_view text) {
  if (text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    Raise(err::kOverflow);
  }
  return static_cast<std::int32_t>(text.size());
}

std::u16string TrimBlanks(std::u16string_view text) {
  const std::size_t first = text.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(u' ');
  return std::u16string(text.substr(first, last - first + 1));
}

std::u16string LowerCase(std::u16string_view text) {
  std::u16string result(text);
  for (char16_t& c : result) {
    const bool ascii_upper = c >= u'A' && c <= u'Z';
    const bool latin1_upper = c >= 0xC0 && c <= 0xDE && c != 0xD7;
    if (ascii_upper || latin1_upper) c = static_cast<char16_t>(c + 0x20);
  }
  return result;
}

std::string Utf8FromUtf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

std::u16string Utf16FromLittleEndian(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                         (static_cast<std::uint8_t>(bytes[i + 1]) << 8)));
  }
  return text;
}

std::u16string Utf16FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int extra = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
      cp = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1;
      cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
      cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3;
      cp = lead & 0x07;
    } else {
      out += kReplacement;
      ++i;
      continue;
    }
    bool valid = i + static_cast<std::size_t>(extra) < text.size();
    for (int k = 1; valid && k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) {
        valid = false;
      } else {
        cp = (cp << 6) | (next & 0x3F);
      }
    }
    constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (!valid || cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out += kReplacement;
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

}  // namespace duza
