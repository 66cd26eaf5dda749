#include "identity/machine_identity.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "platform/ansi_code_page.h"
#include "platform/error.h"
#include "platform/text.h"

namespace duza {
namespace {

constexpr char16_t kComputerNameSource[] = u"/Utils.GetTheComputerName";

using AnsiCall = bool (NameLookupApi::*)(char*, std::int32_t&);

// Hands `buffer` to an ANSI entry point the way the platform passes a String by value to a
// declared function: as a copy in the ANSI code page with a NUL behind it, converted back
// over the copy's full length afterwards (so whatever follows the written name stays). The
// copy is never smaller than `size` says, so a call that trusts `size` stays inside it.
bool CallWithAnsiBuffer(NameLookupApi& api, AnsiCall call, std::u16string& buffer,
                        std::int32_t& size) {
  std::string bytes = AnsiFromText(buffer);
  const std::size_t length = bytes.size();
  const std::size_t room = std::max<std::size_t>(length + 1, size > 0 ? size : 0);
  bytes.resize(room, '\0');
  const bool succeeded = (api.*call)(bytes.data(), size);
  bytes.resize(length);
  buffer = TextFromAnsi(bytes);
  return succeeded;
}

}  // namespace

std::u16string GetTheComputerName(NameLookupApi& api) {
  try {
    std::u16string buffer(250, u' ');
    std::int32_t size = Len(buffer);
    // Neither the answer nor the size written back is looked at: a call that writes no name
    // leaves the buffer blank, and taking -1 characters below raises 5.
    CallWithAnsiBuffer(api, &NameLookupApi::GetComputerNameA, buffer, size);
    // Only blanks go; the NUL behind the name stays and is the character cut off here.
    const std::u16string trimmed = TrimBlanks(buffer);
    return Left(trimmed, Len(trimmed) - 1);
  } catch (...) {
    ErrorRecord raised;
    raised.CaptureCurrentException();
    throw PlatformError(raised.number, raised.description,
                        raised.source + kComputerNameSource);
  }
}

std::u16string GetTheUserName(NameLookupApi& api) {
  std::u16string buffer(254, u'\0');
  std::int32_t size = 255;  // the 254 characters and the NUL behind them
  if (!CallWithAnsiBuffer(api, &NameLookupApi::GetUserNameA, buffer, size)) return {};
  // On success the size counts the NUL, which is dropped.
  return Left(buffer, size - 1);
}

}  // namespace duza
