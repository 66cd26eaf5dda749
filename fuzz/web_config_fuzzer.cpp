// A web.config of any bytes, read as the tool reads it (ANSI text), through the entry's
// position arithmetic and the decoder to the connection string of both logon modes, with
// a login name and password taken from the input. The credentials must come back from
// the connection string as typed, and add or change no other keyword.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/ansi_code_page.h"
#include "platform/connection_string.h"
#include "platform/text.h"
#include "settings/codec.h"
#include "settings/connection_settings.h"

namespace {

constexpr std::u16string_view kWindowsLogon =
    u"Trusted_Connection = Yes;Integrated Security=SSPI;";

// A credential as typed: ANSI text (where ';', quotes, '=' and blanks are common) or any
// UTF-16.
std::u16string Credential(FuzzedDataProvider& input) {
  const bool as_ansi = input.ConsumeBool();
  const std::string bytes = input.ConsumeRandomLengthString(64);
  return as_ansi ? duza::TextFromAnsi(bytes) : duza::Utf16FromLittleEndian(bytes);
}


}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace duza;
  FuzzedDataProvider input(data, size);
  const std::u16string login = Credential(input);
  const std::u16string password = Credential(input);
  const std::u16string web_config = TextFromAnsi(input.ConsumeRemainingBytesAsString());

  std::u16string decoded;
  const bool refused =
      fuzz::Refuses([&] { decoded = DecodeConnectionString(ExtractEncodedValue(web_config)); });

  std::u16string windows_logon;
  FUZZ_CHECK(refused ==
             fuzz::Refuses([&] { windows_logon = BuildConnectionString(web_config, false, {}, {}); }));
  std::u16string sql_login;
  FUZZ_CHECK(refused == fuzz::Refuses([&] {
               sql_login = BuildConnectionString(web_config, true, login, password);
             }));
  if (refused) return 0;

  // Both keep the decoded text up to ";User" and add only their own logon.
  const std::u16string kept = Left(decoded, InStr(1, decoded, u";User"));
  FUZZ_CHECK_EQ_TEXT(kept + std::u16string(kWindowsLogon), windows_logon);
  FUZZ_CHECK(sql_login.starts_with(kept));

  // When what is kept reads as a connection string, the whole does too: the same pairs,
  // then the credentials exactly as typed.
  std::vector<ConnectionProperty> kept_pairs;
  if (fuzz::Refuses([&] { kept_pairs = ParseOleDbConnectionString(kept); })) return 0;
  std::vector<ConnectionProperty> pairs;
  if (fuzz::Refuses([&] { pairs = ParseOleDbConnectionString(sql_login); })) {
    fuzz::Fail("the credentials made the connection string malformed", login + u" / " + password,
               sql_login);
  }
  kept_pairs.push_back({u"User ID", login});
  kept_pairs.push_back({u"Password", password});
  if (pairs != kept_pairs) {
    fuzz::Fail("the credentials changed the connection string's pairs",
               FormatOleDbConnectionString(kept_pairs), FormatOleDbConnectionString(pairs));
  }
  return 0;
}
