// Stand-ins for the Win32 name lookups: the kernel's host name and the login name of the
// effective user, handed out in the ANSI code page under the Win32 contract.
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "identity/name_lookup_api.h"
#include "platform/ansi_code_page.h"
#include "platform/text.h"

namespace duza {
namespace {

// Copies `name` and its NUL into the caller's buffer, or reports the size needed.
bool Answer(const std::string& name, char* buffer, std::int32_t& size) {
  const auto needed = static_cast<std::int32_t>(name.size() + 1);
  if (buffer == nullptr || size < needed) {
    size = needed;
    return false;
  }
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  return true;
}

// The system hands out names in UTF-8; the ANSI entry points hand them out in the code
// page, with '?' for what it cannot show, as Windows does.
std::string AnsiName(const char* system_name) {
  return AnsiFromText(Utf16FromUtf8(system_name));
}

class PosixNameApi final : public NameLookupApi {
 public:
  bool GetComputerNameA(char* buffer, std::int32_t& size) override {
    char host[HOST_NAME_MAX + 1] = {};
    if (gethostname(host, sizeof host - 1) != 0) return false;
    const std::string name = AnsiName(host);
    if (!Answer(name, buffer, size)) return false;
    size = static_cast<std::int32_t>(name.size());  // without the NUL, as Win32 does
    return true;
  }

  bool GetUserNameA(char* buffer, std::int32_t& size) override {
    long hint = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> scratch(hint > 0 ? static_cast<std::size_t>(hint) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    // An entry that outgrows a megabyte is no login name worth waiting for.
    while (getpwuid_r(geteuid(), &entry, scratch.data(), scratch.size(), &found) == ERANGE &&
           scratch.size() < (1u << 20)) {
      scratch.resize(scratch.size() * 2);
    }
    if (found == nullptr || found->pw_name == nullptr) return false;
    const std::string name = AnsiName(found->pw_name);
    if (!Answer(name, buffer, size)) return false;
    size = static_cast<std::int32_t>(name.size() + 1);  // with the NUL, as Win32 does
    return true;
  }
};

}  // namespace

NameLookupApi& SystemNameApi() {
  static PosixNameApi api;
  return api;
}

}  // namespace duza
