// The user's decimal separator as the view texts use it, for the window and
// for quorvant-cli alike: read here, with Qt Core, so that the document stays
// Qt-free and takes it as a parameter.
#pragma once

#include <QLocale>
#include <QString>

// One ASCII byte; '.' when the locale's separator is not one.
inline char LocaleDecimalSeparator() {
  const QString Point = QLocale().decimalPoint();
  return Point.size() == 1 && Point.at(0).unicode() < 0x80
             ? static_cast<char>(Point.at(0).unicode())
             : '.';
}
