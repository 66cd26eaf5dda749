// What every fuzz target shares: turning bytes into text, and telling an expected refusal
// (PlatformError) from a finding.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

#include "platform/error.h"

namespace duza::fuzz {

// Printable ASCII as it is, every other unit as \uXXXX, for reports.
std::string Shown(std::u16string_view text);

// Ends the run as a finding: libFuzzer keeps the input that led here.
[[noreturn]] void Fail(const char* what);
[[noreturn]] void Fail(const char* what, std::u16string_view expected,
                       std::u16string_view actual);

// Runs `step`; true when it ended normally, false when it raised a PlatformError (bad
// input refused the platform's way). Any other exception is a finding.
template <class Step>
bool Refuses(Step&& step) {
  try {
    step();
    return false;
  } catch (const PlatformError&) {
    return true;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "unexpected exception: %s\n", error.what());
    std::abort();
  } catch (...) {
    std::fprintf(stderr, "unexpected exception of an unknown type\n");
    std::abort();
  }
}

}  // namespace duza::fuzz

#define FUZZ_CHECK(condition) \
  ((condition) ? (void)0 : ::duza::fuzz::Fail("check failed: " #condition))
#define FUZZ_CHECK_EQ_TEXT(expected, actual)                                        \
  (((expected) == (actual)) ? (void)0                                               \
                            : ::duza::fuzz::Fail(#expected " == " #actual, expected, \
                                                 actual))
