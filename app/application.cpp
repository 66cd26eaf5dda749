#include "app/application.h"

#include <QApplication>

#include <utility>

#include "app/form1_layout.h"
#include "app/run_time_error.h"
#include "platform/error.h"

namespace duza {

std::unique_ptr<Form1> LoadForm1(Form1Services services) {
  const MessageBoxCall report = services.show_message
                                    ? services.show_message
                                    : MessageBoxCall([](std::u16string_view title,
                                                        std::u16string_view text) {
                                        ShowModalMessage(title, text);
                                      });
  auto form = std::make_unique<Form1>(std::move(services));
  try {
    form->Form_Load();
  } catch (...) {
    ErrorRecord unhandled;
    unhandled.CaptureCurrentException();
    form.reset();
    report(kApplicationTitle, RunTimeErrorText(unhandled));
    return nullptr;
  }
  return form;
}

int RunApplication(QApplication& application, Form1Services services) {
  std::unique_ptr<Form1> form = LoadForm1(std::move(services));
  if (!form) return kRunTimeErrorExitCode;
  form->show();
  return application.exec();
}

}  // namespace duza
