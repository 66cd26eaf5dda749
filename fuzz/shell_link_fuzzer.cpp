// Shell links: the reader on any bytes (a damaged or foreign .lnk must be refused with 5,
// never read past its end), and our writer's files read back field for field.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/ansi_code_page.h"
#include "platform/shell_link_format.h"
#include "platform/text.h"

namespace {

std::u16string Text(FuzzedDataProvider& input, std::size_t max_bytes) {
  const bool as_ansi = input.ConsumeBool();
  const std::string bytes = input.ConsumeRandomLengthString(max_bytes);
  return as_ansi ? duza::TextFromAnsi(bytes) : duza::Utf16FromLittleEndian(bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace duza;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  fuzz::Refuses([&] { DecodeShellLink(bytes); });

  FuzzedDataProvider input(data, size);
  ShellLinkData link;
  link.flags = input.ConsumeIntegral<std::uint32_t>();  // the writer's own flags count
  link.icon_index = input.ConsumeIntegral<std::int32_t>();
  link.show_command = input.ConsumeIntegral<std::int32_t>();
  link.target = Text(input, 600);
  link.description = Text(input, 256);
  link.working_directory = Text(input, 256);
  link.arguments = Text(input, 256);
  link.icon_location = Text(input, 256);

  std::string file;
  if (fuzz::Refuses([&] { file = EncodeShellLink(link); })) return 0;
  ShellLinkData read;
  if (fuzz::Refuses([&] { read = DecodeShellLink(file); })) {
    fuzz::Fail("our own link does not read back", link.target, {});
  }
  FUZZ_CHECK_EQ_TEXT(link.target, read.target);
  FUZZ_CHECK_EQ_TEXT(link.target, read.relative_path);
  FUZZ_CHECK_EQ_TEXT(link.target, read.environment_target);
  FUZZ_CHECK_EQ_TEXT(link.description, read.description);
  FUZZ_CHECK_EQ_TEXT(link.working_directory, read.working_directory);
  FUZZ_CHECK_EQ_TEXT(link.arguments, read.arguments);
  FUZZ_CHECK_EQ_TEXT(link.icon_location, read.icon_location);
  FUZZ_CHECK(read.local_base_path.empty());
  FUZZ_CHECK(read.icon_index == link.icon_index);
  FUZZ_CHECK(read.show_command == link.show_command);
  return 0;
}
