// Test helpers for asserting the platform error a call raises: number first, since that is
// what callers branch on, then the text users read.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "platform/error.h"

namespace duza::testing {

// The number of the platform error that `call` raises, or nothing when it returns.
template <class Call>
std::optional<std::int32_t> RaisedNumber(Call&& call) {
  try {
    call();
  } catch (const PlatformError& error) {
    return error.number();
  }
  return std::nullopt;
}

// The platform error that `call` raises; fails the test when it raises none.
template <class Call>
PlatformError RaisedBy(Call&& call) {
  try {
    call();
  } catch (const PlatformError& error) {
    return error;
  }
  ADD_FAILURE() << "nothing was raised";
  return PlatformError(0, u"(nothing raised)");
}

}  // namespace duza::testing

// Asserts that `statement` raises the platform error `number` with its standard text.
#define EXPECT_RAISES(statement, expected_number)                                 \
  do {                                                                            \
    try {                                                                         \
      statement;                                                                  \
      ADD_FAILURE() << #statement " raised nothing; expected error "              \
                    << (expected_number);                                         \
    } catch (const ::duza::PlatformError& raised_error) {                         \
      EXPECT_EQ(raised_error.number(), (expected_number)) << raised_error.what(); \
      EXPECT_EQ(raised_error.description(),                                       \
                ::duza::StandardDescription(expected_number));                    \
    }                                                                             \
  } while (false)
