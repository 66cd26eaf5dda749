// The one crossing between the tool's UTF-16 text and Qt's.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace duza {

inline QString ToQString(std::u16string_view text) {
  return QString::fromStdU16String(std::u16string(text));
}

inline std::u16string FromQString(const QString& text) { return text.toStdU16String(); }

}  // namespace duza
