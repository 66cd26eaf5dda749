// A loaded Form1 on a machine named HOST1 whose user is "tester", with message boxes
// captured instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/form1.h"
#include "tests/support/fake_name_api.h"

namespace duza::testing {

struct ShownMessage {
  std::u16string title;
  std::u16string text;
};

class Form1Fixture : public ::testing::Test {
 protected:
  Form1Services Services(std::u16string user_name_variable = u"tester") {
    Form1Services services;
    services.names = &names_;
    services.user_name_variable = [user_name_variable] { return user_name_variable; };
    services.show_message = [this](std::u16string_view title, std::u16string_view text) {
      messages_.push_back({std::u16string(title), std::u16string(text)});
    };
    return services;
  }

  // Loads the window and shows it, as the program does.
  Form1& Load(std::u16string user_name_variable = u"tester") {
    form_ = LoadForm1(Services(std::move(user_name_variable)));
    if (!form_) throw std::runtime_error("the window did not load");
    form_->show();
    return *form_;
  }

  template <class Widget = QWidget>
  Widget* Control(const char* name) {
    auto* control = form_->findChild<Widget*>(QLatin1StringView(name));
    if (!control) ADD_FAILURE() << "no control " << name;
    return control;
  }

  FakeNameApi names_{Answers("HOST1", SizeAfter::kWithoutNul),
                     Answers("logon-user", SizeAfter::kWithNul)};
  std::vector<ShownMessage> messages_;
  std::unique_ptr<Form1> form_;
};

}  // namespace duza::testing
