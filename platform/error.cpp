#include "platform/error.h"

#include <array>
#include <new>
#include <utility>

#include "platform/text.h"

namespace duza {
namespace {

struct NumberText {
  std::int32_t number;
  const char16_t* text;
};

constexpr std::array kDescriptions{
    NumberText{err::kInvalidProcedureCall, u"Invalid procedure call or argument"},
    NumberText{err::kOverflow, u"Overflow"},
    NumberText{err::kOutOfMemory, u"Out of memory"},
    NumberText{err::kTypeMismatch, u"Type mismatch"},
    NumberText{err::kInternalError, u"Internal error"},
    NumberText{err::kBadFileNameOrNumber, u"Bad file name or number"},
    NumberText{err::kFileNotFound, u"File not found"},
    NumberText{err::kDeviceIoError, u"Device I/O error"},
    NumberText{err::kInputPastEndOfFile, u"Input past end of file"},
    NumberText{err::kPermissionDenied, u"Permission denied"},
    NumberText{err::kPathFileAccessError, u"Path/File access error"},
    NumberText{err::kPathNotFound, u"Path not found"},
    NumberText{err::kCannotCreateObject, u"ActiveX component can't create object"},
    NumberText{err::kAutomationError, u"Automation error"},
};

}  // namespace

std::u16string StandardDescription(std::int32_t number) {
  for (const auto& entry : kDescriptions) {
    if (entry.number == number) return entry.text;
  }
  return u"Application-defined or object-defined error";
}

PlatformError::PlatformError(std::int32_t number, std::u16string description,
                             std::u16string source)
    : number_(number),
      description_(description.empty() ? StandardDescription(number) : std::move(description)),
      source_(source.empty() ? std::u16string(kApplicationSource) : std::move(source)),
      what_(Utf8FromUtf16(description_)) {}

void Raise(std::int32_t number, std::u16string description) {
  throw PlatformError(number, std::move(description));
}

void ErrorRecord::Capture(const PlatformError& error) {
  number = error.number();
  description = error.description();
  source = error.source();
}

void ErrorRecord::CaptureCurrentException() {
  try {
    throw;
  } catch (const PlatformError& error) {
    Capture(error);
  } catch (const std::bad_alloc&) {
    Capture(PlatformError(err::kOutOfMemory));
  } catch (const std::exception& error) {
    Capture(PlatformError(err::kInternalError, Utf16FromUtf8(error.what())));
  }
}

}  // namespace duza
