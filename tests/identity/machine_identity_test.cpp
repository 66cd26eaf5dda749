#include "identity/machine_identity.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "tests/support/fake_name_api.h"
#include "platform/ansi_code_page.h"
#include "platform/error.h"

namespace duza {
namespace {

using testing::Answers;
using testing::FailsWithoutWriting;
using testing::FakeNameApi;
using testing::NameCall;
using testing::NeverCalled;
using testing::SizeAfter;

std::string Ansi(std::u16string_view text) { return AnsiFromText(text); }

// --- GetTheComputerName: the answers that give a name -------------------------------------

struct ComputerNameCase {
  const char* name;
  NameCall call;
  std::u16string expected;
};

class ComputerNameTest : public ::testing::TestWithParam<ComputerNameCase> {};

TEST_P(ComputerNameTest, GivesTheNameWithoutBlanksOrNul) {
  FakeNameApi api(GetParam().call, NeverCalled());
  EXPECT_EQ(GetTheComputerName(api), GetParam().expected);
}

// Writes the given bytes from the buffer's start and answers success.
NameCall WritesRaw(std::string bytes) {
  return [bytes = std::move(bytes)](char* buffer, std::int32_t&) {
    bytes.copy(buffer, bytes.size());
    return true;
  };
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ComputerNameTest,
    ::testing::Values(
        ComputerNameCase{"Host1", Answers("HOST1", SizeAfter::kWithoutNul), u"HOST1"},
        ComputerNameCase{"EmptyName", Answers("", SizeAfter::kWithoutNul), u""},
        ComputerNameCase{"LongestThatFits",
                         Answers(std::string(249, 'N'), SizeAfter::kWithoutNul),
                         std::u16string(249, u'N')},
        ComputerNameCase{"AnsiLetters", Answers(Ansi(u"M\u00C4NNER"), SizeAfter::kWithoutNul),
                         u"M\u00C4NNER"},
        // Only the blank counts as blank: leading ones go, a tab stays.
        ComputerNameCase{"LeadingBlanksTrimmed", WritesRaw(std::string("  HOST1\0", 8)),
                         u"HOST1"},
        ComputerNameCase{"TabIsNoBlank", WritesRaw(std::string("\tHOST1\0", 7)),
                         u"\tHOST1"},
        // Whatever ends the trimmed buffer is cut off: the call's NUL, or without one the
        // name's last letter. The failing call is no more trusted than the succeeding one.
        ComputerNameCase{"NoNulLosesLastLetter", WritesRaw("HOST1"), u"HOST"},
        ComputerNameCase{"AnswerIsNotLookedAt",
                         [](char* buffer, std::int32_t&) {
                           std::memcpy(buffer, "HOST2", 6);
                           return false;
                         },
                         u"HOST2"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ComputerNameCallTest, HandsOverTwoHundredFiftyBlanks) {
  FakeNameApi api(Answers("HOST1", SizeAfter::kWithoutNul), NeverCalled());
  GetTheComputerName(api);
  EXPECT_EQ(api.computer_seen.count, 1);
  EXPECT_EQ(api.computer_seen.size, 250);
  EXPECT_EQ(api.computer_seen.buffer, std::string(250, ' '));
}

// --- GetTheComputerName: failures come back with the extended source ----------------------

struct ComputerFailureCase {
  const char* name;
  NameCall call;
  std::int32_t number;
  std::u16string description;
  std::u16string source;
};

class ComputerNameFailureTest : public ::testing::TestWithParam<ComputerFailureCase> {};

TEST_P(ComputerNameFailureTest, RaisedAgainWithSourceExtended) {
  const auto& c = GetParam();
  FakeNameApi api(c.call, NeverCalled());
  try {
    GetTheComputerName(api);
    ADD_FAILURE() << "no error raised";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.number(), c.number);
    EXPECT_EQ(error.description(), c.description);
    EXPECT_EQ(error.source(), c.source);
  }
}

NameCall Throws(PlatformError error) {
  return [error](char*, std::int32_t&) -> bool { throw error; };
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ComputerNameFailureTest,
    ::testing::Values(
        // Nothing written: the buffer stays blank, and taking -1 characters is invalid.
        ComputerFailureCase{"FailsWithoutWriting", FailsWithoutWriting(), 5,
                            u"Invalid procedure call or argument",
                            u"DuzaUpdate/Utils.GetTheComputerName"},
        ComputerFailureCase{"NameLongerThanBuffer",
                            Answers(std::string(250, 'N'), SizeAfter::kWithoutNul), 5,
                            u"Invalid procedure call or argument",
                            u"DuzaUpdate/Utils.GetTheComputerName"},
        ComputerFailureCase{"RaisedWithOwnSource",
                            Throws(PlatformError(7, u"Out of memory", u"S")), 7,
                            u"Out of memory", u"S/Utils.GetTheComputerName"},
        ComputerFailureCase{"OwnNumberAndText",
                            Throws(PlatformError(-2147024882, u"Not enough storage.",
                                                 u"kernel32")),
                            -2147024882, u"Not enough storage.",
                            u"kernel32/Utils.GetTheComputerName"},
        ComputerFailureCase{"MemoryExhausted",
                            [](char*, std::int32_t&) -> bool { throw std::bad_alloc(); }, 7,
                            u"Out of memory", u"DuzaUpdate/Utils.GetTheComputerName"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- GetTheUserName ------------------------------------------------------------------------

struct UserNameCase {
  const char* name;
  NameCall call;
  std::u16string expected;
};

class UserNameTest : public ::testing::TestWithParam<UserNameCase> {};

TEST_P(UserNameTest, GivesTheNameOrNothing) {
  FakeNameApi api(NeverCalled(), GetParam().call);
  EXPECT_EQ(GetTheUserName(api), GetParam().expected);
  EXPECT_EQ(api.user_seen.count, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, UserNameTest,
    ::testing::Values(
        UserNameCase{"Ordinary", Answers("alice", SizeAfter::kWithNul), u"alice"},
        UserNameCase{"Longest254", Answers(std::string(254, 'u'), SizeAfter::kWithNul),
                     std::u16string(254, u'u')},
        UserNameCase{"TooLong255", Answers(std::string(255, 'u'), SizeAfter::kWithNul), u""},
        UserNameCase{"AnsiLetters", Answers(Ansi(u"J\u00F6rg"), SizeAfter::kWithNul),
                     u"J\u00F6rg"},
        UserNameCase{"SystemRefuses", FailsWithoutWriting(), u""},
        // A refusal counts even when something was written.
        UserNameCase{"RefusalAfterWriting",
                     [](char* buffer, std::int32_t& size) {
                       std::memcpy(buffer, "bob", 4);
                       size = 4;
                       return false;
                     },
                     u""},
        // The size written back decides, not the NUL: what lies before it is the name.
        UserNameCase{"SizeDecides",
                     [](char* buffer, std::int32_t& size) {
                       std::memcpy(buffer, "carol", 6);
                       size = 4;
                       return true;
                     },
                     u"car"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UserNameCallTest, HandsOverTwoHundredFiftyFourNulsAndSize255) {
  FakeNameApi api(NeverCalled(), Answers("alice", SizeAfter::kWithNul));
  GetTheUserName(api);
  EXPECT_EQ(api.user_seen.size, 255);
  // The 255th byte is the terminator behind the 254 characters.
  EXPECT_EQ(api.user_seen.buffer, std::string(255, '\0'));
}

TEST(UserNameCallTest, OtherFailuresReachTheCallerUnchanged) {
  FakeNameApi api(NeverCalled(), Throws(PlatformError(7, u"Out of memory", u"S")));
  try {
    GetTheUserName(api);
    ADD_FAILURE() << "no error raised";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.number(), 7);
    EXPECT_EQ(error.source(), u"S");
  }
}

// A successful call that claims a size of 0 leaves nothing to take: -1 characters is 5.
TEST(UserNameCallTest, SuccessWithSizeZeroRaisesInvalidArgument) {
  FakeNameApi api(NeverCalled(), [](char*, std::int32_t& size) {
    size = 0;
    return true;
  });
  try {
    GetTheUserName(api);
    ADD_FAILURE() << "no error raised";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.number(), 5);
    EXPECT_EQ(error.source(), kApplicationSource);
  }
}

}  // namespace
}  // namespace duza
