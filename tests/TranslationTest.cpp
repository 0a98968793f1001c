// The window's language: the choice from QUORVANT_LANG and the locale, and the
// window's own texts in either language.
#include "FrameTestSupport.h"
#include "Translation.h"

#include <QApplication>
#include <QGroupBox>
#include <QPushButton>

namespace {

// The language variables for one case; the test program's values come back
// at the end of the scope.
class TLanguageEnvironment {
public:
  TLanguageEnvironment(const char* Forced, const char* LcAll, const char* LcMessages,
                       const char* Lang) {
    const char* Values[] = {Forced, LcAll, LcMessages, Lang};
    for (int I = 0; I < 4; ++I) {
      FSaved[I] = qgetenv(Names[I]);
      if (Values[I])
        qputenv(Names[I], Values[I]);
      else
        qunsetenv(Names[I]);
    }
  }
  ~TLanguageEnvironment() {
    for (int I = 0; I < 4; ++I) {
      if (FSaved[I].isNull())
        qunsetenv(Names[I]);
      else
        qputenv(Names[I], FSaved[I]);
    }
  }

private:
  static constexpr const char* Names[] = {"QUORVANT_LANG", "LC_ALL", "LC_MESSAGES", "LANG"};
  QByteArray FSaved[4];
};

constexpr TWindowLanguage Ja = TWindowLanguage::Japanese;
constexpr TWindowLanguage En = TWindowLanguage::English;

}  // namespace

class Translation : public TFrameTest {};

TEST_F(Translation, LanguageComesFromTheOverrideThenTheMessagesLocale) {
  struct TCase {
    const char* Forced;
    const char* LcAll;
    const char* LcMessages;
    const char* Lang;
    TWindowLanguage Expected;
  };
  const TCase Cases[] = {
      {nullptr, nullptr, nullptr, "en_US.UTF-8", En},
      {nullptr, nullptr, nullptr, "de_DE.UTF-8", En},
      {nullptr, nullptr, nullptr, "ja_JP.UTF-8", Ja},
      {nullptr, nullptr, nullptr, "C", Ja},
      {nullptr, nullptr, nullptr, "POSIX", Ja},
      {nullptr, nullptr, nullptr, nullptr, Ja},
      {nullptr, "ja_JP.UTF-8", "de_DE.UTF-8", "en_US.UTF-8", Ja},
      {nullptr, nullptr, "de_DE.UTF-8", "ja_JP.UTF-8", En},
      {nullptr, "C.UTF-8", nullptr, "en_US.UTF-8", Ja},
      {"en", "ja_JP.UTF-8", nullptr, nullptr, En},
      {"ja", nullptr, nullptr, "en_US.UTF-8", Ja},
      {"fr", nullptr, nullptr, "C", Ja},
  };
  for (const TCase& C : Cases) {
    TLanguageEnvironment Environment(C.Forced, C.LcAll, C.LcMessages, C.Lang);
    EXPECT_EQ(ChosenWindowLanguage(), C.Expected)
        << (C.Forced ? C.Forced : "-") << " " << (C.LcAll ? C.LcAll : "-") << " "
        << (C.LcMessages ? C.LcMessages : "-") << " " << (C.Lang ? C.Lang : "-");
  }
}

// Captions and message boxes in the language QUORVANT_LANG forces against
// the locale; the memo's data stay as they are.
TEST_F(Translation, WindowTextsFollowTheChosenLanguage) {
  const QString Missing = PathOf(QStringLiteral("missing.bin"));
  struct TCase {
    const char* Forced;
    const char* Lang;
    QString Open, Curve, Refused, NotFound;
  };
  const TCase Cases[] = {
      {"en", "ja_JP.UTF-8", "Open", "Normal curve", "99 cannot be used here.",
       Missing + " cannot be found."},
      {"ja", "en_US.UTF-8", QString::fromUtf8("開く"), QString::fromUtf8("正規分布"),
       QString::fromUtf8("99 は指定出来ません。"),
       Missing + QString::fromUtf8(" は見つかりません。")},
  };
  for (const TCase& C : Cases) {
    TLanguageEnvironment Environment(C.Forced, nullptr, nullptr, C.Lang);
    const std::unique_ptr<QTranslator> Texts = InstallWindowTexts(ChosenWindowLanguage());
    TFrameForm& F = ShowForm({Missing});
    QApplication::processEvents();
    EXPECT_EQ(F.OpenButton->text(), C.Open) << C.Forced;
    EXPECT_EQ(F.CurveGroup->title(), C.Curve) << C.Forced;
    EXPECT_EQ(F.ViewMemo->Text(), MemoDesignText) << C.Forced;
    TypeText(F.BarWidthBox, QStringLiteral("99"));
    PressEnter(F.BarWidthBox);
    EXPECT_EQ(Dialogs.TakeTexts(), (QStringList{C.NotFound, C.Refused})) << C.Forced;
    DestroyForm();
  }
}
