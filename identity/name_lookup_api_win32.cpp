// The real Win32 name lookups, through their ANSI entry points.
#include <windows.h>

#include "identity/name_lookup_api.h"

namespace duza {
namespace {

class Win32NameApi final : public NameLookupApi {
 public:
  bool GetComputerNameA(char* buffer, std::int32_t& size) override {
    DWORD length = size > 0 ? static_cast<DWORD>(size) : 0;
    const BOOL ok = ::GetComputerNameA(buffer, &length);
    size = static_cast<std::int32_t>(length);
    return ok != FALSE;
  }

  bool GetUserNameA(char* buffer, std::int32_t& size) override {
    DWORD length = size > 0 ? static_cast<DWORD>(size) : 0;
    const BOOL ok = ::GetUserNameA(buffer, &length);
    size = static_cast<std::int32_t>(length);
    return ok != FALSE;
  }
};

}  // namespace

NameLookupApi& SystemNameApi() {
  static Win32NameApi api;
  return api;
}

}  // namespace duza
