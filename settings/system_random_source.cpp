#include "settings/system_random_source.h"

#include <array>
#include <cstdint>

namespace duza {
namespace {

std::mt19937_64 SeededGenerator() {
  std::random_device entropy;
  std::array<std::uint32_t, 8> seed{};
  for (auto& word : seed) word = entropy();
  std::seed_seq sequence(seed.begin(), seed.end());
  return std::mt19937_64(sequence);
}

}  // namespace

SystemRandomSource::SystemRandomSource() : generator_(SeededGenerator()) {}

double SystemRandomSource::NextUnit() {
  // The distribution may round up to its upper bound on some libraries; [0, 1) is what
  // callers are promised.
  double value = unit_(generator_);
  while (value >= 1.0) value = unit_(generator_);
  return value;
}

}  // namespace duza
