// OLE DB connection strings as the web.config and the command line give them: parsed,
// translated for the FreeTDS driver, and written back. Whatever the writers and quoting
// functions produce, the parsers must read back exactly.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/ansi_code_page.h"
#include "platform/connection_string.h"
#include "platform/text.h"
#include "settings/connection_settings.h"

namespace {

using duza::ConnectionProperty;

// Text from the input: ANSI (where the syntax's own characters are common) or any UTF-16.
std::u16string Text(FuzzedDataProvider& input, std::size_t max_bytes) {
  const bool as_ansi = input.ConsumeBool();
  const std::string bytes = input.ConsumeRandomLengthString(max_bytes);
  return as_ansi ? duza::TextFromAnsi(bytes) : duza::Utf16FromLittleEndian(bytes);
}

std::u16string Shown(const std::vector<ConnectionProperty>& pairs) {
  std::u16string shown;
  for (const auto& [name, value] : pairs) shown += u"[" + name + u"]=[" + value + u"] ";
  return shown;
}

void CheckSamePairs(const char* what, const std::vector<ConnectionProperty>& expected,
                    const std::vector<ConnectionProperty>& actual) {
  if (expected != actual) duza::fuzz::Fail(what, Shown(expected), Shown(actual));
}

// `source` says what the text was made from.
std::vector<ConnectionProperty> ParsedOrFail(const char* what, std::u16string_view source,
                                             std::u16string_view text) {
  std::vector<ConnectionProperty> pairs;
  if (duza::fuzz::Refuses([&] { pairs = duza::ParseOleDbConnectionString(text); })) {
    duza::fuzz::Fail(what, source, text);
  }
  return pairs;
}

// A name the format can carry: trimmed, not empty, without ';' (names are read up to it).
bool IsWritableName(std::u16string_view name) {
  const auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  return !name.empty() && !blank(name.front()) && !blank(name.back()) &&
         name.find(u';') == std::u16string_view::npos;
}

// One value quoted by `quote`, read back by the OLE DB parser after `name`, with blanks
// around both and with and without the closing ';'.
template <class Quote>
void CheckQuotedValue(const char* what, std::u16string_view value, Quote quote) {
  const std::u16string quoted = quote(value);
  const std::vector<ConnectionProperty> expected = {{u"User ID", std::u16string(value)}};
  CheckSamePairs(what, expected, ParsedOrFail(what, value, u"User ID=" + quoted + u";"));
  CheckSamePairs(what, expected, ParsedOrFail(what, value, u" User ID = " + quoted + u" "));
  CheckSamePairs(what, expected, ParsedOrFail(what, value, u"User ID=" + quoted));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace duza;
  FuzzedDataProvider input(data, size);

  // A value through each quoting function and its parser.
  const std::u16string value = Text(input, 64);
  CheckQuotedValue("QuoteOleDbValue read back", value,
                   [](std::u16string_view v) { return QuoteOleDbValue(v); });
  CheckQuotedValue("QuoteConnectionValue read back", value,
                   [](std::u16string_view v) { return QuoteConnectionValue(v); });
  {
    std::vector<ConnectionProperty> pairs;
    const std::u16string odbc = u"PWD=" + QuoteOdbcValue(value) + u";";
    if (fuzz::Refuses([&] { pairs = ParseOdbcConnectionString(odbc); })) {
      fuzz::Fail("QuoteOdbcValue read back", value, odbc);
    }
    CheckSamePairs("QuoteOdbcValue read back", {{u"PWD", value}}, pairs);
  }

  // Pairs written by the format and read back.
  std::vector<ConnectionProperty> written;
  for (int count = input.ConsumeIntegralInRange(0, 4); count > 0; --count) {
    std::u16string name = Text(input, 24);
    std::u16string pair_value = Text(input, 24);
    if (IsWritableName(name)) written.push_back({std::move(name), std::move(pair_value)});
  }
  CheckSamePairs("FormatOleDbConnectionString read back", written,
                 ParsedOrFail("FormatOleDbConnectionString read back", Shown(written),
                              FormatOleDbConnectionString(written)));

  // The Open call's credentials, then any string.
  const std::u16string user_id = Text(input, 32);
  const std::u16string password = Text(input, 32);
  const std::u16string text = Text(input, 4096);

  std::vector<ConnectionProperty> parsed;
  if (!fuzz::Refuses([&] { parsed = ParseOleDbConnectionString(text); })) {
    const std::u16string again = FormatOleDbConnectionString(parsed);
    CheckSamePairs("a parsed string written and read again", parsed,
                   ParsedOrFail("a parsed string written and read again", text, again));
  }

  // The ODBC reader (diagnostics) on any text, and the driver choice among any names.
  fuzz::Refuses([&] { ParseOdbcConnectionString(text); });
  {
    const std::vector<std::u16string> drivers = {value, user_id, password, text};
    const std::u16string chosen = ChooseSqlServerDriver(drivers);
    FUZZ_CHECK(chosen == u"SQL Server" || std::find(drivers.begin(), drivers.end(), chosen) !=
                                              drivers.end());
  }

  OdbcConnectRequest request;
  if (fuzz::Refuses([&] { request = TranslateToOdbc(text, user_id, password, kFreeTdsDriver); })) {
    return 0;
  }
  FUZZ_CHECK(request.login_timeout_seconds >= 0);
  std::vector<ConnectionProperty> odbc;
  const bool odbc_refused =
      fuzz::Refuses([&] { odbc = ParseOdbcConnectionString(request.connection_string); });
  // Extended Properties is passed on as it is written; anything else is ours to write well.
  if (FindProperty(parsed, u"Extended Properties") == nullptr) {
    if (odbc_refused) fuzz::Fail("the ODBC string does not read back", text, request.connection_string);
    // Open's credentials are those the driver gets (ODBC takes a keyword's first value).
    const auto first = [&](std::u16string_view name) -> const std::u16string* {
      for (const auto& pair : odbc) {
        if (SameKeyword(pair.name, name)) return &pair.value;
      }
      return nullptr;
    };
    if (!user_id.empty()) {
      const std::u16string* uid = first(u"UID");
      if (uid == nullptr || *uid != user_id) {
        fuzz::Fail("the ODBC string's UID is not Open's", user_id, request.connection_string);
      }
    }
    if (!password.empty()) {
      const std::u16string* pwd = first(u"PWD");
      if (pwd == nullptr || *pwd != password) {
        fuzz::Fail("the ODBC string's PWD is not Open's", password, request.connection_string);
      }
    }
  }
  return 0;
}
