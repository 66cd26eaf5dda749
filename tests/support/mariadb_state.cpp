#include "tests/support/mariadb_state.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <stdexcept>

#include "platform/connection_string.h"
#include "platform/text.h"

namespace duza::testing {
namespace {

std::string ShellQuoted(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

}  // namespace

MariaDbState ReadMariaDbState() {
  const char* dir = std::getenv("DUZA_MARIADB_STATE");
  if (dir == nullptr || *dir == '\0') {
    throw std::runtime_error(
        "DUZA_MARIADB_STATE is not set: run this suite through ctest, which starts the "
        "server (fixture mariadb)");
  }
  return ReadMariaDbState(dir);
}

MariaDbState ReadMariaDbState(const std::string& state_dir) {
  std::ifstream in(state_dir + "/state");
  if (!in) throw std::runtime_error("no MariaDB state in " + state_dir + "/state");
  std::map<std::string, std::string> values;
  for (std::string line; std::getline(in, line);) {
    const auto equals = line.find('=');
    if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
  }
  const auto get = [&](const std::string& key) {
    const auto it = values.find(key);
    if (it == values.end()) throw std::runtime_error("MariaDB state lacks " + key);
    return it->second;
  };
  MariaDbState state;
  state.state_dir = state_dir;
  state.port = std::stoi(get("port"));
  state.socket = get("socket");
  state.user = Utf16FromUtf8(get("user"));
  state.password = Utf16FromUtf8(get("password"));
  state.reader_user = Utf16FromUtf8(get("reader_user"));
  state.reader_password = Utf16FromUtf8(get("reader_password"));
  return state;
}

std::u16string MariaDbOdbcString(const MariaDbState& state, std::u16string_view database,
                                 std::u16string_view user, std::u16string_view password) {
  return u"Driver={" + std::u16string(kMariaDbDriver) + u"};Server=127.0.0.1;Port=" +
         Utf16FromUtf8(std::to_string(state.port)) + u";Database=" + QuoteOdbcValue(database) +
         u";UID=" + QuoteOdbcValue(user) + u";PWD=" + QuoteOdbcValue(password) + u";";
}

std::u16string MariaDbOleDbString(const MariaDbState& state, std::u16string_view database,
                                  std::u16string_view user, std::u16string_view password) {
  return u"Provider=MSDASQL;Driver={" + std::u16string(kMariaDbDriver) +
         u"};Server=127.0.0.1;Port=" + Utf16FromUtf8(std::to_string(state.port)) + u";Database=" +
         QuoteOleDbValue(QuoteOdbcValue(database)) + u";UID=" +
         QuoteOleDbValue(QuoteOdbcValue(user)) + u";PWD=" +
         QuoteOleDbValue(QuoteOdbcValue(password)) + u";";
}

std::u16string MariaDbOleDbString(const MariaDbState& state) {
  return MariaDbOleDbString(state, u"VIVI", state.user, state.password);
}

std::string RunAsRoot(const MariaDbState& state, std::string_view sql) {
  const std::string command =
      "mariadb --no-defaults --protocol=socket --user=root --batch "
      "--skip-column-names --socket=" +
      ShellQuoted(state.socket) + " -e " + ShellQuoted(sql) + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot start the mariadb client");
  std::string output;
  std::array<char, 4096> buffer;
  while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
    output.append(buffer.data(), n);
  }
  const int status = pclose(pipe);
  if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error("mariadb client failed on \"" + std::string(sql) + "\": " + output);
  }
  return output;
}

}  // namespace duza::testing
