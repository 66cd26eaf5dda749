// Start-up of the window program: create and load Form1, show it, run until it closes.
#pragma once

#include <memory>

#include "app/form1.h"

class QApplication;

namespace duza {

// Creates Form1 and runs its Form_Load. A failure that the load leaves unhandled is
// reported in a message box ("Run-time error 'N':", a blank line, the description) and
// gives no window.
std::unique_ptr<Form1> LoadForm1(Form1Services services);

// The whole program: the exit code of the event loop once the window has closed, or
// kRunTimeErrorExitCode when loading failed (the window is then never shown).
int RunApplication(QApplication& application, Form1Services services = {});

}  // namespace duza
