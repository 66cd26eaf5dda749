// Stands in for the operating system's name lookups: answers every call by running the
// script a test gives it, and notes what the caller handed over.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>

#include "identity/name_lookup_api.h"

namespace duza::testing {

using NameCall = std::function<bool(char* buffer, std::int32_t& size)>;

// What a call saw on entry: the buffer's first `size` bytes and `size` itself.
struct SeenCall {
  int count = 0;
  std::string buffer;
  std::int32_t size = 0;
};

class FakeNameApi final : public NameLookupApi {
 public:
  FakeNameApi(NameCall computer, NameCall user)
      : computer_(std::move(computer)), user_(std::move(user)) {}

  bool GetComputerNameA(char* buffer, std::int32_t& size) override {
    Note(computer_seen, buffer, size);
    return computer_(buffer, size);
  }
  bool GetUserNameA(char* buffer, std::int32_t& size) override {
    Note(user_seen, buffer, size);
    return user_(buffer, size);
  }

  SeenCall computer_seen;
  SeenCall user_seen;

 private:
  static void Note(SeenCall& seen, const char* buffer, std::int32_t size) {
    ++seen.count;
    seen.size = size;
    seen.buffer.assign(buffer, size > 0 ? static_cast<std::size_t>(size) : 0);
  }

  NameCall computer_;
  NameCall user_;
};

// The Win32 answer for `name` (bytes in the ANSI code page): fails with the size needed when
// the buffer is too small; otherwise writes the name and its NUL. On success the computer
// call reports the length without the NUL, the user call with it.
enum class SizeAfter { kWithoutNul, kWithNul };

inline NameCall Answers(std::string name, SizeAfter after) {
  return [name = std::move(name), after](char* buffer, std::int32_t& size) {
    const auto needed = static_cast<std::int32_t>(name.size() + 1);
    if (size < needed) {
      size = needed;
      return false;
    }
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    size = after == SizeAfter::kWithNul ? needed : needed - 1;
    return true;
  };
}

inline NameCall FailsWithoutWriting() {
  return [](char*, std::int32_t&) { return false; };
}

inline NameCall NeverCalled() {
  return [](char*, std::int32_t&) -> bool { throw std::logic_error("not expected"); };
}

}  // namespace duza::testing
