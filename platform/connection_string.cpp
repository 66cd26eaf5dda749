#include "platform/connection_string.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

#include "platform/connection.h"
#include "platform/error.h"
#include "platform/text.h"

namespace duza {
namespace {

constexpr char16_t kBadInitStringSource[] = u"Microsoft OLE DB Service Components";

[[noreturn]] void RaiseBadInitString() {
  throw PlatformError(ado::kBadInitString, ado::kBadInitStringText, kBadInitStringSource);
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string BracedOdbcValue(std::u16string_view value) {
  std::u16string braced(1, u'{');
  for (char16_t c : value) {
    braced += c;
    if (c == u'}') braced += c;
  }
  braced += u'}';
  return braced;
}

std::u16string_view TrimmedView(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool StartsWithKeyword(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && SameKeyword(text.substr(0, prefix.size()), prefix);
}

bool AllDigits(std::u16string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

// A whole number of digits only, or nothing when it is none or leaves 32 bits.
std::optional<std::int32_t> DigitsValue(std::u16string_view text) {
  if (!AllDigits(text)) return std::nullopt;
  std::int64_t value = 0;
  for (char16_t c : text) {
    value = value * 10 + (c - u'0');
    if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

// Reads one quoted value starting at text[pos] (the opening quote); leaves pos after the
// closing quote.
std::u16string ReadQuoted(std::u16string_view text, std::size_t& pos) {
  const char16_t quote = text[pos++];
  std::u16string value;
  while (true) {
    if (pos >= text.size()) RaiseBadInitString();  // never closed
    const char16_t c = text[pos++];
    if (c != quote) {
      value += c;
    } else if (pos < text.size() && text[pos] == quote) {
      value += quote;
      ++pos;
    } else {
      return value;
    }
  }
}

// Ordered ODBC pairs in which setting a keyword again replaces its value in place.
class OdbcPairs {
 public:
  void Set(std::u16string_view name, std::u16string value) {
    for (auto& pair : pairs_) {
      if (SameKeyword(pair.name, name)) {
        pair.value = std::move(value);
        return;
      }
    }
    pairs_.push_back({std::u16string(name), std::move(value)});
  }
  void Remove(std::u16string_view name) {
    std::erase_if(pairs_, [&](const ConnectionProperty& p) { return SameKeyword(p.name, name); });
  }
  std::u16string Format() const {
    std::u16string text;
    for (const auto& pair : pairs_) {
      text += pair.name;
      text += u'=';
      // The driver's name braced always, as driver managers' own examples write it.
      text += SameKeyword(pair.name, u"Driver") && !pair.value.empty() ? BracedOdbcValue(pair.value)
                                                                       : QuoteOdbcValue(pair.value);
      text += u';';
    }
    return text;
  }

 private:
  std::vector<ConnectionProperty> pairs_;
};

// A value that a pass-through string gives in ODBC's own braces ("Driver={MariaDB Unicode}")
// stands for what is inside them; it is braced again when the pairs are written.
std::u16string OdbcValueOf(const std::u16string& value) {
  if (value.size() < 2 || value.front() != u'{' || value.back() != u'}') return value;
  std::u16string inner;
  for (std::size_t i = 1; i + 1 < value.size(); ++i) {
    inner += value[i];
    if (value[i] == u'}') {
      if (i + 2 >= value.size() || value[i + 1] != u'}') return value;  // not one braced token
      ++i;
    }
  }
  return inner;
}

bool IsOneOf(std::u16string_view name, std::initializer_list<std::u16string_view> names) {
  return std::any_of(names.begin(), names.end(),
                     [&](std::u16string_view candidate) { return SameKeyword(name, candidate); });
}

bool IsLoginTimeoutKeyword(std::u16string_view name) {
  return IsOneOf(name, {u"Connect Timeout", u"Connection Timeout"});
}

bool IsTrue(std::u16string_view value, bool sspi_counts) {
  const std::u16string_view v = TrimmedView(value);
  return SameKeyword(v, u"yes") || SameKeyword(v, u"true") ||
         (sspi_counts && SameKeyword(v, u"sspi"));
}

std::int32_t LoginTimeout(const std::vector<ConnectionProperty>& properties) {
  std::int32_t seconds = kDefaultLoginTimeoutSeconds;
  for (const auto& property : properties) {
    if (!IsLoginTimeoutKeyword(property.name)) continue;
    const auto value = DigitsValue(TrimmedView(property.value));
    if (!value) RaiseBadInitString();
    seconds = *value;
  }
  return seconds;
}

// Puts a SQL Server address into the form the driver takes. FreeTDS reads neither
// "host,port" nor the "tcp:" prefix nor "(local)"; Microsoft's drivers read all of them.
void SetServer(OdbcPairs& pairs, std::u16string_view address, bool freetds) {
  std::u16string_view server = TrimmedView(address);
  if (!freetds) {
    pairs.Set(u"Server", std::u16string(server));
    return;
  }
  if (StartsWithKeyword(server, u"tcp:")) server = TrimmedView(server.substr(4));
  std::u16string_view port;
  if (const auto comma = server.rfind(u','); comma != std::u16string_view::npos) {
    port = TrimmedView(server.substr(comma + 1));
    server = TrimmedView(server.substr(0, comma));
  }
  std::u16string host(server);
  const auto backslash = host.find(u'\\');
  const std::u16string_view machine = std::u16string_view(host).substr(0, backslash);
  if (machine == u"." || SameKeyword(machine, u"(local)")) {
    host.replace(0, machine.size(), u"localhost");
  }
  pairs.Set(u"Server", std::move(host));
  if (port.empty()) {
    pairs.Remove(u"Port");
  } else {
    pairs.Set(u"Port", std::u16string(port));
  }
}

std::u16string TranslateSqlServer(const std::vector<ConnectionProperty>& properties,
                                  std::u16string_view driver) {
  const bool freetds = SameKeyword(driver, kFreeTdsDriver);
  OdbcPairs pairs;
  pairs.Set(u"Driver", std::u16string(driver));
  for (const auto& [name, value] : properties) {
    if (IsOneOf(name, {u"Data Source", u"Server", u"Address", u"Addr", u"Network Address"})) {
      SetServer(pairs, value, freetds);
    } else if (IsOneOf(name, {u"Initial Catalog", u"Database"})) {
      pairs.Set(u"Database", value);
    } else if (IsOneOf(name, {u"User ID", u"UID"})) {
      pairs.Set(u"UID", value);
    } else if (IsOneOf(name, {u"Password", u"PWD"})) {
      pairs.Set(u"PWD", value);
    } else if (SameKeyword(name, u"Integrated Security")) {
      if (IsTrue(value, true)) {
        pairs.Set(u"Trusted_Connection", u"Yes");
      } else {
        pairs.Remove(u"Trusted_Connection");
      }
    } else if (SameKeyword(name, u"Trusted_Connection")) {
      if (IsTrue(value, false)) {
        pairs.Set(u"Trusted_Connection", u"Yes");
      } else {
        pairs.Remove(u"Trusted_Connection");
      }
    } else if (SameKeyword(name, u"Application Name")) {
      pairs.Set(u"APP", value);
    } else if (SameKeyword(name, u"Workstation ID")) {
      pairs.Set(u"WSID", value);
    }
    // Everything else is a property of the OLE DB provider only.
  }
  // FreeTDS's default, "auto", tries one protocol version after another and then waits
  // for a silent server without any limit; a fixed version keeps the login timeout. 7.4 is
  // SQL Server 2012's; older servers answer it with their own version.
  if (freetds) pairs.Set(u"TDS_Version", u"7.4");
  return pairs.Format();
}

std::u16string TranslateOdbc(const std::vector<ConnectionProperty>& properties) {
  OdbcPairs pairs;
  std::u16string extended;
  for (const auto& [name, value] : properties) {
    if (SameKeyword(name, u"Provider") || IsLoginTimeoutKeyword(name) ||
        IsOneOf(name, {u"Persist Security Info", u"OLE DB Services", u"Prompt"})) {
      continue;
    }
    if (SameKeyword(name, u"Extended Properties")) {
      extended = value;
    } else if (SameKeyword(name, u"Data Source")) {
      pairs.Set(u"DSN", value);
    } else if (SameKeyword(name, u"User ID")) {
      pairs.Set(u"UID", value);
    } else if (SameKeyword(name, u"Password")) {
      pairs.Set(u"PWD", value);
    } else if (SameKeyword(name, u"Initial Catalog")) {
      pairs.Set(u"DATABASE", value);
    } else {
      // ODBC has no way to write '=' or a brace in a keyword: "A=B=1" would give A the
      // value "B=1", and "A{" would open a brace that takes in the keywords after it.
      if (name.find_first_of(u"={}") != std::u16string::npos) RaiseBadInitString();
      pairs.Set(name, OdbcValueOf(value));
    }
  }
  std::u16string text = pairs.Format();
  if (!extended.empty()) {
    text += extended;
    if (extended.back() != u';') text += u';';
  }
  return text;
}

// "ODBC Driver 18 for SQL Server" -> 18.
std::optional<std::int32_t> OdbcDriverVersion(std::u16string_view name) {
  constexpr std::u16string_view kPrefix = u"ODBC Driver ";
  constexpr std::u16string_view kSuffix = u" for SQL Server";
  if (name.size() <= kPrefix.size() + kSuffix.size() || !StartsWithKeyword(name, kPrefix) ||
      !SameKeyword(name.substr(name.size() - kSuffix.size()), kSuffix)) {
    return std::nullopt;
  }
  return DigitsValue(name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size()));
}

// "SQL Server Native Client 11.0" -> 1100.
std::optional<std::int32_t> NativeClientVersion(std::u16string_view name) {
  constexpr std::u16string_view kPrefix = u"SQL Server Native Client ";
  if (!StartsWithKeyword(name, kPrefix)) return std::nullopt;
  const std::u16string_view version = name.substr(kPrefix.size());
  const auto dot = version.find(u'.');
  const auto major = DigitsValue(version.substr(0, dot));
  if (!major || *major > 10000) return std::nullopt;
  std::int32_t minor = 0;
  if (dot != std::u16string_view::npos) {
    const auto value = DigitsValue(version.substr(dot + 1));
    if (!value) return std::nullopt;
    minor = std::min(*value, 99);
  }
  return *major * 100 + minor;
}

}  // namespace

bool SameKeyword(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && LowerCase(a) == LowerCase(b);
}

std::vector<ConnectionProperty> ParseOleDbConnectionString(std::u16string_view text) {
  std::vector<ConnectionProperty> properties;
  std::size_t pos = 0;
  while (pos < text.size()) {
    // The name, up to a single '='; "==" is an '=' inside the name.
    std::u16string name;
    bool found_equals = false;
    while (pos < text.size() && text[pos] != u';') {
      if (text[pos] == u'=') {
        if (pos + 1 < text.size() && text[pos + 1] == u'=') {
          name += u'=';
          pos += 2;
          continue;
        }
        found_equals = true;
        ++pos;
        break;
      }
      name += text[pos++];
    }
    const std::u16string_view trimmed_name = TrimmedView(name);
    if (!found_equals) {
      if (!trimmed_name.empty()) RaiseBadInitString();  // a name without a value
      ++pos;                                            // an empty segment
      continue;
    }
    if (trimmed_name.empty()) RaiseBadInitString();

    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    std::u16string value;
    if (pos < text.size() && (text[pos] == u'"' || text[pos] == u'\'')) {
      value = ReadQuoted(text, pos);
      while (pos < text.size() && IsBlank(text[pos])) ++pos;
      if (pos < text.size() && text[pos] != u';') RaiseBadInitString();
    } else {
      const std::size_t end = std::min(text.find(u';', pos), text.size());
      value = std::u16string(TrimmedView(text.substr(pos, end - pos)));
      pos = end;
    }
    ++pos;  // the ';' after the value, if any
    properties.push_back({std::u16string(trimmed_name), std::move(value)});
  }
  return properties;
}

const std::u16string* FindProperty(const std::vector<ConnectionProperty>& properties,
                                   std::u16string_view name) {
  for (auto it = properties.rbegin(); it != properties.rend(); ++it) {
    if (SameKeyword(it->name, name)) return &it->value;
  }
  return nullptr;
}

std::u16string QuoteOleDbValue(std::u16string_view value) {
  // A leading '=' would meet the one after the name and read as "==", an '=' of the name.
  const bool needs_quotes =
      !value.empty() && (value.find(u';') != std::u16string_view::npos || IsBlank(value.front()) ||
                         IsBlank(value.back()) || value.front() == u'"' || value.front() == u'\'' ||
                         value.front() == u'=');
  if (!needs_quotes) return std::u16string(value);
  const bool has_double = value.find(u'"') != std::u16string_view::npos;
  const bool has_single = value.find(u'\'') != std::u16string_view::npos;
  const char16_t quote = has_double && !has_single ? u'\'' : u'"';
  std::u16string quoted(1, quote);
  for (char16_t c : value) {
    quoted += c;
    if (c == quote) quoted += c;
  }
  quoted += quote;
  return quoted;
}

std::u16string FormatOleDbConnectionString(const std::vector<ConnectionProperty>& properties) {
  std::u16string text;
  for (const auto& [name, value] : properties) {
    for (char16_t c : name) {
      text += c;
      if (c == u'=') text += c;
    }
    text += u'=';
    text += QuoteOleDbValue(value);
    text += u';';
  }
  return text;
}

std::u16string QuoteOdbcValue(std::u16string_view value) {
  const bool needs_braces =
      !value.empty() && (value.find_first_of(u";{}=") != std::u16string_view::npos ||
                         IsBlank(value.front()) || IsBlank(value.back()));
  return needs_braces ? BracedOdbcValue(value) : std::u16string(value);
}

std::vector<ConnectionProperty> ParseOdbcConnectionString(std::u16string_view text) {
  std::vector<ConnectionProperty> pairs;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end_of_name = std::min(text.find_first_of(u"=;", pos), text.size());
    const std::u16string_view name = TrimmedView(text.substr(pos, end_of_name - pos));
    pos = end_of_name;
    if (pos >= text.size() || text[pos] == u';') {
      if (!name.empty()) RaiseBadInitString();
      ++pos;
      continue;
    }
    ++pos;  // '='
    std::u16string value;
    if (pos < text.size() && text[pos] == u'{') {
      ++pos;
      while (true) {
        if (pos >= text.size()) RaiseBadInitString();
        const char16_t c = text[pos++];
        if (c != u'}') {
          value += c;
        } else if (pos < text.size() && text[pos] == u'}') {
          value += c;
          ++pos;
        } else {
          break;
        }
      }
      if (pos < text.size() && text[pos] != u';') RaiseBadInitString();
    } else {
      const std::size_t end = std::min(text.find(u';', pos), text.size());
      value = std::u16string(text.substr(pos, end - pos));
      pos = end;
    }
    ++pos;
    pairs.push_back({std::u16string(name), std::move(value)});
  }
  return pairs;
}

ProviderKind ProviderKindOf(std::u16string_view provider) {
  std::u16string name = LowerCase(TrimmedView(provider));
  // A version suffix: "SQLOLEDB.1", "MSDASQL.1".
  if (const auto dot = name.rfind(u'.');
      dot != std::u16string::npos && AllDigits(std::u16string_view(name).substr(dot + 1))) {
    name.resize(dot);
  }
  const auto is_family = [&](std::u16string_view family) {
    return name.size() >= family.size() && name.compare(0, family.size(), family) == 0 &&
           (name.size() == family.size() ||
            AllDigits(std::u16string_view(name).substr(family.size())));
  };
  if (name.empty() || name == u"msdasql") return ProviderKind::kOdbc;
  if (name == u"sqloledb" || is_family(u"sqlncli") || is_family(u"msoledbsql")) {
    return ProviderKind::kSqlServer;
  }
  throw PlatformError(ado::kProviderNotFound, ado::kProviderNotFoundText, ado::kConnectionSource);
}

OdbcConnectRequest TranslateToOdbc(std::u16string_view ole_db, std::u16string_view user_id,
                                   std::u16string_view password,
                                   std::u16string_view sql_server_driver) {
  std::vector<ConnectionProperty> properties = ParseOleDbConnectionString(ole_db);
  // Open's own credentials take the place of the string's.
  if (!user_id.empty()) properties.push_back({u"User ID", std::u16string(user_id)});
  if (!password.empty()) properties.push_back({u"Password", std::u16string(password)});

  const std::u16string* provider = FindProperty(properties, u"Provider");
  OdbcConnectRequest request;
  request.provider = ProviderKindOf(provider ? std::u16string_view(*provider) : u"");
  request.login_timeout_seconds = LoginTimeout(properties);
  if (request.provider == ProviderKind::kSqlServer) {
    request.connection_string = TranslateSqlServer(properties, sql_server_driver);
    request.error_source = u"Microsoft OLE DB Provider for SQL Server";
  } else {
    request.connection_string = TranslateOdbc(properties);
    request.error_source = u"Microsoft OLE DB Provider for ODBC Drivers";
  }
  return request;
}

std::u16string ChooseSqlServerDriver(const std::vector<std::u16string>& installed_drivers) {
  std::optional<std::pair<std::int32_t, std::int32_t>> best_rank;
  std::u16string best = u"SQL Server";
  for (const auto& name : installed_drivers) {
    std::optional<std::pair<std::int32_t, std::int32_t>> rank;
    if (const auto version = OdbcDriverVersion(name)) {
      rank = {3, *version};
    } else if (const auto native = NativeClientVersion(name)) {
      rank = {2, *native};
    } else if (SameKeyword(name, u"SQL Native Client")) {
      rank = {1, 0};
    }
    if (rank && (!best_rank || *rank > *best_rank)) {
      best_rank = rank;
      best = name;
    }
  }
  return best;
}

}  // namespace duza
