#include "platform/error.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace duza {
namespace {

TEST(PlatformErrorTest, StandardTextsAndApplicationSource) {
  const PlatformError error(err::kFileNotFound);
  EXPECT_EQ(error.number(), 53);
  EXPECT_EQ(error.description(), u"File not found");
  EXPECT_EQ(error.source(), kApplicationSource);
  EXPECT_STREQ(error.what(), "File not found");
}

TEST(PlatformErrorTest, OwnDescriptionAndSourceAreKept) {
  const PlatformError error(-2147467259, u"Login failed for user 'sa'.", u"Provider");
  EXPECT_EQ(error.description(), u"Login failed for user 'sa'.");
  EXPECT_EQ(error.source(), u"Provider");
}

TEST(ErrorRecordTest, ContinueOnErrorRecordsFailuresAndKeepsThemOnSuccess) {
  ErrorRecord record;
  ContinueOnError(record, [] { Raise(err::kOverflow); });
  EXPECT_EQ(record.number, 6);
  EXPECT_EQ(record.description, u"Overflow");
  ContinueOnError(record, [] {});  // a step that succeeds leaves the record alone
  EXPECT_EQ(record.number, 6);
  record.Clear();
  EXPECT_FALSE(record.IsSet());
  EXPECT_EQ(record.description, u"");
}

TEST(ErrorRecordTest, ForeignExceptionsAreNotLost) {
  ErrorRecord record;
  ContinueOnError(record, [] { throw std::bad_alloc(); });
  EXPECT_EQ(record.number, err::kOutOfMemory);
  ContinueOnError(record, [] { throw std::runtime_error("disk on fire"); });
  EXPECT_EQ(record.number, err::kInternalError);
  EXPECT_EQ(record.description, u"disk on fire");
}

}  // namespace
}  // namespace duza
