#include "fuzz/fuzz_support.h"

#include <cstdint>

namespace duza::fuzz {

std::string Shown(std::u16string_view text) {
  std::string shown;
  for (const char16_t c : text) {
    if (c >= 0x20 && c < 0x7F && c != u'\\') {
      shown += static_cast<char>(c);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
      shown += escape;
    }
  }
  return shown;
}

void Fail(const char* what) {
  std::fprintf(stderr, "finding: %s\n", what);
  std::abort();
}

void Fail(const char* what, std::u16string_view expected, std::u16string_view actual) {
  std::fprintf(stderr, "finding: %s\n  expected: \"%s\"\n  actual:   \"%s\"\n", what,
               Shown(expected).c_str(), Shown(actual).c_str());
  std::abort();
}

}  // namespace duza::fuzz
