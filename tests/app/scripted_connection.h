// Stands in for SQL Server behind the connection where no SQL Server can be had: it
// replays the replies of a script, whose message texts are SQL Server's own as its ODBC
// driver formats them, and logs every call the run makes.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/connection.h"
#include "platform/error.h"

namespace duza::testing {

struct ConnectionScript {
  // Records the open leaves in Errors; with open_raises the open also fails.
  std::vector<ConnectionError> open_records;
  bool open_raises = false;
  std::u16string open_failure = u"Login timeout expired";
  // One reply per Execute in order: nothing for success, else the failure's text.
  std::vector<std::optional<std::u16string>> execute_failures;
  std::optional<std::u16string> close_failure;
};

class ScriptedConnection : public Connection {
 public:
  ScriptedConnection(ConnectionScript script, std::vector<std::u16string>& calls)
      : script_(std::move(script)), calls_(calls) {}
  ~ScriptedConnection() override { calls_.push_back(u"Release"); }

  void Open(std::u16string_view connection_string, std::u16string_view user_id,
            std::u16string_view password, std::int32_t options) override {
    calls_.push_back(u"Open " + std::u16string(connection_string));
    EXPECT_TRUE(user_id.empty());
    EXPECT_TRUE(password.empty());
    EXPECT_EQ(options, -1);
    errors_ = script_.open_records;
    if (script_.open_raises) {
      const std::u16string text =
          errors_.empty() ? script_.open_failure : errors_.front().description;
      throw PlatformError(ado::kUnspecifiedError, text, u"Microsoft OLE DB Provider for SQL Server");
    }
  }

  void Execute(std::u16string_view command_text, std::int32_t options) override {
    calls_.push_back(u"Execute " + std::u16string(command_text));
    EXPECT_EQ(options, -1);
    const std::size_t index = executed_++;
    if (index < script_.execute_failures.size() && script_.execute_failures[index]) {
      const std::u16string& text = *script_.execute_failures[index];
      errors_ = {ConnectionError{u"42S01", 2714, text}};
      throw PlatformError(ado::kCommandFailed, text, u"Microsoft OLE DB Provider for SQL Server");
    }
  }

  void Close() override {
    calls_.push_back(u"Close");
    if (script_.close_failure) {
      throw PlatformError(ado::kUnspecifiedError, *script_.close_failure);
    }
  }

  const std::vector<ConnectionError>& Errors() const override { return errors_; }

 private:
  ConnectionScript script_;
  std::vector<std::u16string>& calls_;
  std::vector<ConnectionError> errors_;
  std::size_t executed_ = 0;
};

}  // namespace duza::testing
