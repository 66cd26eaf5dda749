// The encoder's random draws in a real program: one generator, seeded once from the
// system's entropy source, so that draws in quick succession are independent of each other
// and of the clock. Not for concurrent use; each caller keeps its own.
#pragma once

#include <random>

#include "settings/codec.h"

namespace duza {

class SystemRandomSource final : public RandomSource {
 public:
  SystemRandomSource();
  double NextUnit() override;

 private:
  std::mt19937_64 generator_;
  std::uniform_real_distribution<double> unit_{0.0, 1.0};
};

}  // namespace duza
