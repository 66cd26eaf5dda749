// From the window's fields and web.config to the connection string an update uses.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace duza {

inline constexpr char16_t kEmptyClientStatus[] = u"Client is empty. Assump default (VIVI)";

// What the checks read from the window, each read only when the check reaches it.
struct RunInputFields {
  std::function<std::u16string()> client;
  std::function<std::u16string()> data_directory;
  std::function<std::u16string()> web_directory;
  std::function<void(std::u16string_view)> append_status;
};

// The first steps of an update. Nothing when the run ends here silently; otherwise the
// web directory without one trailing backslash.
std::optional<std::u16string> CheckRunInputs(const RunInputFields& fields);

// The whole of web.config in the folder, read as single-byte text in the ANSI code page.
std::u16string ReadWebConfig(std::u16string_view web_directory);

// The text between the quotes of the VAREDO entry, by the entry's position arithmetic.
std::u16string ExtractEncodedValue(std::u16string_view web_config_text);

// A login name or password as a value of an OLE DB connection string. A value that the
// connection string's parser reads back as it is stays as it is; one that it would cut,
// trim or misread (a ';', a blank or other white space at either end, a quote character,
// a leading '=') is enclosed in quotes, the enclosing quote doubled inside.
std::u16string QuoteConnectionValue(std::u16string_view value);

// The decoded connection string up to ";User", then the chosen credentials.
std::u16string BuildConnectionString(std::u16string_view web_config_text, bool use_sql_login,
                                     std::u16string_view login_name,
                                     std::u16string_view password);

}  // namespace duza
