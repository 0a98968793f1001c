// The window's language: the choice from QUORVANT_LANG and the locale, and the
// window's own texts in either language.
#include "FrameTestSupport.h"
#include "Translation.h"

#include <QApplication>
#include <QGroupBox>
#include <QPushButton>

#include <array>

namespace {

constexpr const char* LanguageVariables[] = {"QUORVANT_LANG", "LC_ALL", "LC_MESSAGES", "LANG"};

// The four variables above for one case (nullptr: unset); the test
// program's values come back at the end of the scope.
struct TLanguageEnvironment {
  explicit TLanguageEnvironment(std::array<const char*, 4> Values) {
    for (size_t I = 0; I < 4; ++I) {
      Saved[I] = qgetenv(LanguageVariables[I]);
      Values[I] ? qputenv(LanguageVariables[I], Values[I]) : qunsetenv(LanguageVariables[I]);
    }
  }
  ~TLanguageEnvironment() {
    for (size_t I = 0; I < 4; ++I)
      Saved[I].isNull() ? qunsetenv(LanguageVariables[I]) : qputenv(LanguageVariables[I], Saved[I]);
  }
  QByteArray Saved[4];
};

constexpr TWindowLanguage Ja = TWindowLanguage::Japanese;
constexpr TWindowLanguage En = TWindowLanguage::English;

}  // namespace

class Translation : public TFrameTest {};

TEST_F(Translation, LanguageComesFromTheOverrideThenTheMessagesLocale) {
  const std::pair<std::array<const char*, 4>, TWindowLanguage> Cases[] = {
      {{nullptr, nullptr, nullptr, "de_DE.UTF-8"}, En},
      {{nullptr, nullptr, nullptr, "ja_JP.UTF-8"}, Ja},
      {{nullptr, nullptr, nullptr, "POSIX"}, Ja},
      {{nullptr, nullptr, nullptr, nullptr}, Ja},
      {{nullptr, "C.UTF-8", "de_DE.UTF-8", "en_US.UTF-8"}, Ja},
      {{nullptr, nullptr, "en_GB.UTF-8", "ja_JP.UTF-8"}, En},
      {{"en", "ja_JP.UTF-8", nullptr, nullptr}, En},
      {{"ja", nullptr, nullptr, "en_US.UTF-8"}, Ja},
      {{"fr", nullptr, nullptr, "C"}, Ja},
  };
  for (const auto& [Values, Expected] : Cases) {
    TLanguageEnvironment Environment(Values);
    EXPECT_EQ(ChosenWindowLanguage(), Expected) << &Values - &Cases[0].first;
  }
}

// Captions and message boxes in the language QUORVANT_LANG forces against
// the locale; the memo's data stay as they are.
TEST_F(Translation, WindowTextsFollowTheChosenLanguage) {
  const QString Missing = PathOf(QStringLiteral("missing.bin"));
  const struct {
    const char* Forced;
    const char* Lang;
    QString Open, Curve, Refused, NotFound;
  } Cases[] = {
      {"en", "ja_JP.UTF-8", "Open", "Normal curve", "99 cannot be used here.",
       Missing + " cannot be found."},
      {"ja", "en_US.UTF-8", QString::fromUtf8("開く"), QString::fromUtf8("正規分布"),
       QString::fromUtf8("99 は指定出来ません。"),
       Missing + QString::fromUtf8(" は見つかりません。")},
  };
  for (const auto& C : Cases) {
    TLanguageEnvironment Environment({C.Forced, nullptr, nullptr, C.Lang});
    const std::unique_ptr<QTranslator> Texts = InstallWindowTexts(ChosenWindowLanguage());
    TFrameForm& F = ShowForm({Missing});
    EXPECT_EQ(F.OpenButton->text(), C.Open) << C.Forced;
    EXPECT_EQ(F.CurveGroup->title(), C.Curve) << C.Forced;
    EXPECT_EQ(F.ViewMemo->Text(), MemoDesignText) << C.Forced;
    TypeText(F.BarWidthBox, QStringLiteral("99"));
    PressEnter(F.BarWidthBox);
    EXPECT_EQ(Dialogs.TakeTexts(), (QStringList{C.NotFound, C.Refused})) << C.Forced;
    DestroyForm();
  }
}
