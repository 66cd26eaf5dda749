// The operating system's own name lookups, called for real: the Win32 calls in the Windows
// build (under wine on our machines), the host and login names elsewhere.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "identity/machine_identity.h"
#include "identity/name_lookup_api.h"
#include "platform/ansi_code_page.h"

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>

#include <climits>

#include "platform/text.h"
#endif

namespace duza {
namespace {

using Call = bool (NameLookupApi::*)(char*, std::int32_t&);

struct RealCallCase {
  const char* name;
  Call call;
  std::int32_t nul_in_size;  // 1 when a success counts the NUL in the size
};

class SystemNameApiTest : public ::testing::TestWithParam<RealCallCase> {};

TEST_P(SystemNameApiTest, FollowsTheWin32Contract) {
  const auto& c = GetParam();
  NameLookupApi& api = SystemNameApi();

  // Too small: fails, writes nothing, says how much room the name and its NUL need.
  char tiny[1] = {'#'};
  std::int32_t size = 1;
  ASSERT_FALSE((api.*c.call)(tiny, size));
  EXPECT_EQ(tiny[0], '#');
  const std::int32_t needed = size;
  ASSERT_GT(needed, 1);

  // Exactly that much room: succeeds with the name and a NUL.
  std::vector<char> buffer(static_cast<std::size_t>(needed), '#');
  size = needed;
  ASSERT_TRUE((api.*c.call)(buffer.data(), size));
  EXPECT_EQ(buffer.back(), '\0');
  const std::string name(buffer.data());
  EXPECT_EQ(name.size() + 1, static_cast<std::size_t>(needed));
  EXPECT_EQ(size, static_cast<std::int32_t>(name.size()) + c.nul_in_size);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, SystemNameApiTest,
    ::testing::Values(RealCallCase{"ComputerName", &NameLookupApi::GetComputerNameA, 0},
                      RealCallCase{"UserName", &NameLookupApi::GetUserNameA, 1}),
    [](const auto& info) { return std::string(info.param.name); });

#ifdef _WIN32

TEST(SystemNamesTest, ComputerAndUserAreNamed) {
  for (const std::u16string& name : {GetTheComputerName(), GetTheUserName()}) {
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(name.find(u'\0'), std::u16string::npos);
    EXPECT_EQ(name.find(u' '), std::u16string::npos);
  }
}

#else

TEST(SystemNamesTest, ComputerNameIsTheHostName) {
  char host[HOST_NAME_MAX + 1] = {};
  ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
  EXPECT_EQ(GetTheComputerName(), TextFromAnsi(AnsiFromText(Utf16FromUtf8(host))));
  EXPECT_FALSE(GetTheComputerName().empty());
}

TEST(SystemNamesTest, UserNameIsTheEffectiveUsersLogin) {
  const passwd* entry = getpwuid(geteuid());
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(GetTheUserName(), TextFromAnsi(AnsiFromText(Utf16FromUtf8(entry->pw_name))));
  EXPECT_FALSE(GetTheUserName().empty());
}

#endif

}  // namespace
}  // namespace duza
