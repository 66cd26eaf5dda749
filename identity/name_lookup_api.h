// The two system calls that name the machine and its user, behind one small interface so
// that tests can stand in for the operating system.
//
// Both follow the contract of the Windows ANSI entry points: `buffer` holds at least `size`
// bytes; on success the name is written in the ANSI code page followed by a NUL; when the
// buffer is too small the call fails, writes nothing and sets `size` to the length needed
// including the NUL. They differ in what a success leaves in `size`: the computer-name call
// the name's length without the NUL, the user-name call with it.
#pragma once

#include <cstdint>

namespace duza {

class NameLookupApi {
 public:
  virtual ~NameLookupApi() = default;

  virtual bool GetComputerNameA(char* buffer, std::int32_t& size) = 0;
  // The name of the user the calling thread runs as.
  virtual bool GetUserNameA(char* buffer, std::int32_t& size) = 0;
};

// The operating system's own: the Win32 calls on Windows; elsewhere the host name and the
// login name of the effective user, answered the same way.
NameLookupApi& SystemNameApi();

}  // namespace duza
