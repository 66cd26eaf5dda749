#include "settings/connection_settings.h"

#include "platform/error.h"
#include "platform/numbers.h"
#include "platform/text.h"
#include "settings/codec.h"

namespace duza {
namespace {

constexpr std::u16string_view kKeyMarker = u"key=\"VAREDO\" value=";
constexpr std::u16string_view kEndMarker = u" />";
constexpr std::int32_t kEndSearchOffset = 10;
constexpr std::int32_t kValueOffset = 20;
constexpr std::int32_t kLengthCorrection = 21;
constexpr std::u16string_view kLoginMarker = u";User";
constexpr std::u16string_view kWindowsLogon =
    u"Trusted_Connection = Yes;Integrated Security=SSPI;";

bool IsWhiteSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

// `value` in `quote`, each `quote` inside doubled.
std::u16string Enclosed(std::u16string_view value, char16_t quote) {
  std::u16string result(1, quote);
  for (const char16_t c : value) {
    result += c;
    if (c == quote) result += c;
  }
  result += quote;
  return result;
}

}  // namespace

std::optional<std::u16string> CheckRunInputs(const RunInputFields& fields) {
  if (fields.client().empty()) fields.append_status(kEmptyClientStatus);
  if (fields.data_directory().empty()) return std::nullopt;
  std::u16string web_directory = fields.web_directory();
  if (!web_directory.empty() && web_directory.back() == u'\\') web_directory.pop_back();
  return web_directory;
}

std::u16string ExtractEncodedValue(std::u16string_view web_config_text) {
  const std::int32_t key = InStr(1, web_config_text, kKeyMarker);
  // Without the key marker K is 0 and the end marker is still looked for from position 10:
  // the entry's arithmetic then cuts whatever lies there.
  const std::int16_t end = CheckedInt16(InStr(key + kEndSearchOffset, web_config_text, kEndMarker));
  const std::int32_t length = (end - key) - kLengthCorrection;
  return Mid(web_config_text, key + kValueOffset, length);
}

std::u16string QuoteConnectionValue(std::u16string_view value) {
  // OLE DB reads a value up to the next ';' and trims white space around it; a value that
  // starts with a quote is read up to the matching closing quote, a doubled quote standing
  // for one. An '=' inside a value is taken as it is, but a leading one would meet the
  // keyword's own '=' and read as "==", an '=' of the keyword. An empty value is a value
  // and needs no quotes.
  const bool needs_quotes =
      !value.empty() &&
      (value.find_first_of(u";\"'") != std::u16string_view::npos || value.front() == u'=' ||
       IsWhiteSpace(value.front()) || IsWhiteSpace(value.back()));
  if (!needs_quotes) return std::u16string(value);
  // Double quotes unless the value holds double quotes but no single quote: then single
  // quotes enclose it with nothing to double.
  const bool has_double = value.find(u'"') != std::u16string_view::npos;
  const bool has_single = value.find(u'\'') != std::u16string_view::npos;
  return Enclosed(value, has_double && !has_single ? u'\'' : u'"');
}

std::u16string BuildConnectionString(std::u16string_view web_config_text, bool use_sql_login,
                                     std::u16string_view login_name,
                                     std::u16string_view password) {
  const std::u16string decoded = DecodeConnectionString(ExtractEncodedValue(web_config_text));
  std::u16string result = Left(decoded, InStr(1, decoded, kLoginMarker));
  if (use_sql_login) {
    // Quoted only where needed, so that a ';' or a quote in a login or password cannot add
    // or change a keyword of the string; a plain one goes in exactly as typed.
    result += u"User ID=";
    result += QuoteConnectionValue(login_name);
    result += u";Password=";
    result += QuoteConnectionValue(password);
    result += u";";
  } else {
    result += kWindowsLogon;
  }
  return result;
}

}  // namespace duza
