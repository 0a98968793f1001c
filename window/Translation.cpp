#include "Translation.h"

#include "SysUtils.h"

#include <QByteArray>
#include <QCoreApplication>

namespace {

// "ja_JP.UTF-8" -> "ja"; "C", "POSIX" and "" stay as they are.
QByteArray LanguageOf(const QByteArray& Locale) {
  qsizetype End = 0;
  while (End < Locale.size() && Locale[End] != '_' && Locale[End] != '.' && Locale[End] != '@')
    ++End;
  return Locale.left(End);
}

}  // namespace

TWindowLanguage ChosenWindowLanguage() {
  const QByteArray Forced = qgetenv("QUORVANT_LANG");
  if (Forced == "ja") return TWindowLanguage::Japanese;
  if (Forced == "en") return TWindowLanguage::English;
  QByteArray Locale;
  for (const char* Variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    Locale = qgetenv(Variable);
    if (!Locale.isEmpty()) break;
  }
  const QByteArray Language = LanguageOf(Locale);
  return Language.isEmpty() || Language == "ja" || Language == "C" || Language == "POSIX"
             ? TWindowLanguage::Japanese
             : TWindowLanguage::English;
}

std::unique_ptr<QTranslator> InstallWindowTexts(TWindowLanguage Language) {
  if (Language == TWindowLanguage::Japanese) return nullptr;
  auto Translator = std::make_unique<QTranslator>();
  if (!Translator->load(QStringLiteral(":/quorvant/i18n/quorvant_en.qm")))
    throw Exception("The English catalogue of the window is missing from the program");
  QCoreApplication::installTranslator(Translator.get());
  return Translator;
}
