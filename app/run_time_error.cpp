#include "app/run_time_error.h"

#include "platform/numbers.h"

namespace duza {

std::u16string RunTimeErrorText(const ErrorRecord& error) {
  return u"Run-time error '" + DecimalText(error.number) + u"':\n\n" + error.description;
}

}  // namespace duza
