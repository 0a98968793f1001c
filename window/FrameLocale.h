// The user's decimal separator as the view texts use it, for the window and
// for quorvant-cli alike (Qt Core only, so the document unit stays Qt-free).
#pragma once

#include <QLocale>
#include <QString>

// One ASCII byte; '.' when the locale's separator is not one.
inline char LocaleDecimalSeparator() {
  const QString Point = QLocale().decimalPoint();
  return Point.size() == 1 && Point.at(0).unicode() < 0x80 ? static_cast<char>(Point.at(0).unicode())
                                                           : '.';
}
