// A random source that hands out the draws a test chose, so that encoded values are known
// in advance.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/codec.h"

namespace duza::testing {

// The draw r for which floor(r * range) is `wanted`: the middle of its interval, far from
// either edge.
inline double DrawFor(std::int32_t wanted, std::int32_t range) {
  return (wanted + 0.5) / range;
}

class ScriptedRandomSource final : public RandomSource {
 public:
  explicit ScriptedRandomSource(std::vector<double> draws) : draws_(std::move(draws)) {}

  double NextUnit() override {
    if (used_ == draws_.size()) {
      ADD_FAILURE() << "more draws than the " << draws_.size() << " scripted";
      return 0.0;
    }
    return draws_[used_++];
  }

  std::size_t used() const { return used_; }

 private:
  std::vector<double> draws_;
  std::size_t used_ = 0;
};

// The encoder's two draws, in its order: the mask (0..32), then the prefix (0..999).
inline ScriptedRandomSource MaskAndPrefix(std::int32_t mask, std::int32_t prefix) {
  return ScriptedRandomSource({DrawFor(mask, 33), DrawFor(prefix, 1000)});
}

inline std::u16string EncodeWith(std::u16string_view plain, std::int32_t mask,
                                 std::int32_t prefix) {
  auto source = MaskAndPrefix(mask, prefix);
  return EncodeConnectionString(plain, source);
}

inline std::u16string Repeated(std::u16string_view piece, std::size_t times) {
  std::u16string text;
  text.reserve(piece.size() * times);
  for (std::size_t i = 0; i < times; ++i) text += piece;
  return text;
}

}  // namespace duza::testing
