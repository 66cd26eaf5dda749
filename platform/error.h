// The platform's error state: a raised failure carries a number, a description and a
// source, exactly as the tool's users see them in status lines and message boxes.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace duza {

// The platform's own error numbers that the tool raises or meets.
namespace err {
inline constexpr std::int32_t kInvalidProcedureCall = 5;
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kOutOfMemory = 7;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kInternalError = 51;
inline constexpr std::int32_t kBadFileNameOrNumber = 52;
inline constexpr std::int32_t kFileNotFound = 53;
inline constexpr std::int32_t kDeviceIoError = 57;
inline constexpr std::int32_t kInputPastEndOfFile = 62;
inline constexpr std::int32_t kPermissionDenied = 70;
inline constexpr std::int32_t kPathFileAccessError = 75;
inline constexpr std::int32_t kPathNotFound = 76;
inline constexpr std::int32_t kCannotCreateObject = 429;
inline constexpr std::int32_t kAutomationError = 440;
}  // namespace err

// The source that the platform gives to errors raised inside this program.
inline constexpr char16_t kApplicationSource[] = u"DuzaUpdate";

// The platform's usual English description of one of its numbers; a generic text for a
// number it does not know.
std::u16string StandardDescription(std::int32_t number);

class PlatformError : public std::exception {
 public:
  // An empty description takes the platform's text for the number; an empty source
  // takes the application's.
  explicit PlatformError(std::int32_t number, std::u16string description = {},
                         std::u16string source = {});

  std::int32_t number() const noexcept { return number_; }
  const std::u16string& description() const noexcept { return description_; }
  const std::u16string& source() const noexcept { return source_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  std::int32_t number_;
  std::u16string description_;
  std::u16string source_;
  std::string what_;  // UTF-8 copy of the description, for std::exception users
};

[[noreturn]] void Raise(std::int32_t number, std::u16string description = {});

// The error record that a procedure reads and clears between steps. Owned by whoever runs
// the steps; there is no global one.
struct ErrorRecord {
  std::int32_t number = 0;
  std::u16string description;
  std::u16string source;

  bool IsSet() const noexcept { return number != 0; }
  void Clear() noexcept {
    number = 0;
    description.clear();
    source.clear();
  }
  void Capture(const PlatformError& error);
  // Captures whatever exception is in flight (call inside a catch block): platform errors
  // as they are, memory exhaustion as 7, any other exception as an internal error with its
  // text, so nothing is lost.
  void CaptureCurrentException();
};

// Runs one step of a stretch whose failures go on with the next step: a failure lands in
// the record, success leaves the record as it was.
template <class Step>
void ContinueOnError(ErrorRecord& record, Step&& step) {
  try {
    step();
  } catch (...) {
    record.CaptureCurrentException();
  }
}

}  // namespace duza
