// Unit Translation: the language of the window's own texts.
//
// The window's texts (captions, group titles, menu entries, hints, messages,
// dialog titles and filters, the progress dialog, the busy caption) are
// written in Japanese and go through Qt's translation system in the one
// context "TFrameForm"; the English catalogue (translations/quorvant_en.ts,
// compiled by CMake) is embedded as ":/quorvant/i18n/quorvant_en.qm".  What
// the window shows as data (the view texts, the arrays, the settings file)
// and everything quorvant-cli prints are never translated.
#pragma once

#include <QTranslator>

#include <memory>

enum class TWindowLanguage { Japanese, English };

// QUORVANT_LANG when it is "ja" or "en" (any other value is ignored), else
// the language of the locale's messages (LC_ALL, LC_MESSAGES, LANG, the
// first one set): Japanese for "ja" and for the C/POSIX locale (the window
// as designed), English for every other language.
TWindowLanguage ChosenWindowLanguage();

// Installs Language's catalogue into the application (QCoreApplication must
// exist) before the window is created; nullptr for Japanese, whose texts are
// the sources.  The catalogue is removed when the returned translator is
// destroyed.  Raises Exception when the embedded catalogue cannot be loaded.
std::unique_ptr<QTranslator> InstallWindowTexts(TWindowLanguage Language);
