// The window as an administrator uses it, against the real MariaDB: type the web
// directory, choose the SQL Server login, press the update button, read the status box
// and the message.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <cstdlib>
#include <string>

#include "app/qt_text.h"
#include "app/update_run.h"
#include "form1_fixture.h"
#include "platform/odbc_connection.h"
#include "platform/text.h"
#include "tests/support/mariadb_state.h"
#include "tests/support/web_directory.h"

namespace duza {
namespace {

// Qt's offscreen platform unless the caller chose one: this suite also needs the database
// fixture's environment, and ctest hands a discovered test only one variable.
const bool kOffscreen = setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0) == 0;

class Form1MariaDbTest : public testing::Form1Fixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kOffscreen);
    RunAsRoot(state_,
              "DROP TABLE IF EXISTS VIVI.FINPERIOD2POS; DROP TABLE IF EXISTS VIVI.FINPERIOD;");
    Form1Services services = Services();
    services.update_run = [](UpdateView& view) {
      RunSchemaUpdate(view, MakeOdbcConnectionFactory());
    };
    form_ = LoadForm1(std::move(services));
    ASSERT_TRUE(form_);
    form_->show();
  }

  void Type(const char* control, const std::u16string& text) {
    auto* box = Control<QLineEdit>(control);
    box->selectAll();
    QTest::keyClicks(box, ToQString(text));
  }

  testing::MariaDbState state_ = testing::ReadMariaDbState();
};

TEST_F(Form1MariaDbTest, UpdateButtonCreatesTheTablesAndReports) {
  const testing::TempWebDirectory web(
      u"Provider=MSDASQL;Driver={MariaDB Unicode};Server=127.0.0.1;Port=" +
      Utf16FromUtf8(std::to_string(state_.port)) +
      u";Database=VIVI;User ID=webapp;Password=old;");

  Type("WebDirbox", web.Typed());
  QTest::mouseClick(Control<QRadioButton>("Option2"), Qt::LeftButton);
  Type("saname", state_.user);
  Type("pwd", state_.password);
  QTest::mouseClick(Control<QPushButton>("Command1"), Qt::LeftButton);

  EXPECT_EQ(form_->StatusText(),
            u"Tables created!\r\n\r\nTables created!\r\n\r\nDatabase tables update Successful\r\n");
  ASSERT_EQ(messages_.size(), 1U);
  EXPECT_EQ(messages_[0].text, u"Update successful!");
  EXPECT_EQ(messages_[0].title, u"DUZA Database Update");
  EXPECT_TRUE(Control("StatusBox")->isEnabled());
  EXPECT_EQ(Control("StatusBox")->width(), 6735 / 15);
  EXPECT_EQ(RunAsRoot(state_, "SELECT COUNT(*) FROM information_schema.TABLES WHERE "
                              "TABLE_SCHEMA = 'VIVI' AND TABLE_NAME LIKE 'FINPERIOD%'"),
            "2\n");

  // Pressed again, MariaDB's words for an existing table are an other failure.
  QTest::mouseClick(Control<QPushButton>("Command1"), Qt::LeftButton);
  ASSERT_EQ(messages_.size(), 2U);
  EXPECT_EQ(messages_[1].text, u"Update NOT successful. Contact Admin!");
  EXPECT_TRUE(Control("Command2")->isEnabled());
}

}  // namespace
}  // namespace duza
