#include "FrameTestSupport.h"

#include <QImage>
#include <QPainter>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QWindow>

#include <cstdlib>

void EnsureApplication() {
  if (QApplication::instance()) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int Argc = 1;
  static char Name[] = "FrameTest";
  static char* Argv[] = {Name, nullptr};
  new QApplication(Argc, Argv);  // lives as long as the test program
}

// ---- TRecordingDialogs ------------------------------------------------------

void TRecordingDialogs::Message(QWidget* Owner, const QString& Title, const QString& Text,
                                TKind Kind) {
  const QCursor* Cursor = QApplication::overrideCursor();
  const QWindow* Native = Owner ? Owner->window()->windowHandle() : nullptr;
  Messages.push_back({Title, Text, Kind, Owner ? Owner->window()->windowTitle() : QString(),
                      Cursor && Cursor->shape() == Qt::WaitCursor, Native && Native->isVisible()});
}

QString TRecordingDialogs::OpenFileName(QWidget*, const QString& Dir) {
  OpenDialogDirs << Dir;
  if (OpenAnswers.empty()) return QString();
  const QString Answer = OpenAnswers.front();
  OpenAnswers.pop_front();
  return Answer;
}

QStringList TRecordingDialogs::OpenFileNames(QWidget*, const QString& Dir) {
  OpenDialogDirs << Dir;
  if (OpenManyAnswers.empty()) return {};
  const QStringList Answer = OpenManyAnswers.front();
  OpenManyAnswers.pop_front();
  return Answer;
}

QString TRecordingDialogs::SaveFileName(QWidget*, const QString& Path, const QString& Filter) {
  SaveDialogPaths << Path;
  SaveDialogFilters << Filter;
  if (SaveAnswers.empty()) return QString();
  const QString Answer = SaveAnswers.front();
  SaveAnswers.pop_front();
  return Answer;
}

void TRecordingDialogs::About(QWidget*, const QString& Title, const QIcon&, const QString& Text) {
  AboutTexts << Title + Text;
}

void TRecordingDialogs::OpenDocument(const QString& Path) { OpenedDocuments << Path; }

QStringList TRecordingDialogs::TakeTexts() {
  const QStringList Result = Texts();
  Messages.clear();
  return Result;
}

QStringList TRecordingDialogs::Texts() const {
  QStringList Result;
  for (const TMessage& M : Messages) Result << M.Text;
  return Result;
}

QStringList TRecordingDialogs::ErrorTexts() const {
  QStringList Result;
  for (const TMessage& M : Messages)
    if (M.Kind == TKind::Error) Result << M.Text;
  return Result;
}

// ---- TFrameTest ---------------------------------------------------------------

void TFrameTest::SetUp() {
  FDir = std::make_unique<QTemporaryDir>();
  ASSERT_TRUE(FDir->isValid());
  // Whatever the program finds through the environment lies in this folder.
  const std::pair<const char*, const char*> Redirected[] = {{"XDG_CONFIG_HOME", "config"},
                                                            {"XDG_DATA_HOME", "data"},
                                                            {"XDG_RUNTIME_DIR", "runtime"},
                                                            {"TMPDIR", "tmp"}};
  for (const auto& [Variable, Folder] : Redirected) {
    const QString Path = PathOf(QString::fromLatin1(Folder));
    ASSERT_TRUE(QDir().mkpath(Path));
    QFile::setPermissions(Path,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    FSavedEnvironment.emplace_back(Variable, qgetenv(Variable));
    qputenv(Variable, QFile::encodeName(Path));
  }
  EnsureApplication();
  // Decimal point "." and thousands separator "," whatever the machine's.
  QLocale::setDefault(QLocale::c());
  TDialogs::Install(&Dialogs);
}

void TFrameTest::TearDown() {
  DestroyForm();
  TDialogs::Install(nullptr);
  for (const auto& [Variable, Value] : FSavedEnvironment) {
    if (Value.isNull())
      qunsetenv(Variable.constData());
    else
      qputenv(Variable.constData(), Value);
  }
  FSavedEnvironment.clear();
  FDir.reset();
}

TFrameForm& TFrameTest::CreateForm() {
  if (!Form) {
    if (!QFile::exists(PathOf(QStringLiteral("ReadmeQ.txt"))))
      WriteText(PathOf(QStringLiteral("ReadmeQ.txt")), "Readme of the test\r\n");
    Form = std::make_unique<TFrameForm>(ExeName());
  }
  return *Form;
}

TFrameForm& TFrameTest::ShowForm(const QStringList& Arguments) {
  CreateForm();
  Form->SetCommandLine(Arguments);
  Form->show();
  QApplication::processEvents();
  return *Form;
}

void TFrameTest::DestroyForm() {
  if (!Form) return;
  if (Form->isVisible()) Form->close();
  Form.reset();
  QApplication::processEvents();
}

// ---- sample files -------------------------------------------------------------

void WriteBytes(const QString& Path, const QByteArray& Bytes) {
  QFile File(Path);
  ASSERT_TRUE(File.open(QIODevice::WriteOnly | QIODevice::Truncate)) << Path.toStdString();
  ASSERT_EQ(File.write(Bytes), Bytes.size());
}

void WriteText(const QString& Path, const std::string& Text) {
  WriteBytes(Path, QByteArray(Text.data(), static_cast<qsizetype>(Text.size())));
}

QByteArray WordBytes(const std::vector<int32_t>& Words) {
  QByteArray Bytes;
  for (const int32_t Word : Words) {
    const auto U = static_cast<uint32_t>(Word);
    for (int Shift = 0; Shift < 32; Shift += 8)
      Bytes.append(static_cast<char>((U >> Shift) & 0xFF));
  }
  return Bytes;
}

void WriteWords(const QString& Path, const std::vector<int32_t>& Words) {
  WriteBytes(Path, WordBytes(Words));
}

void WriteRepeated(const QString& Path, int64_t Count, char Fill) {
  WriteBytes(Path, QByteArray(static_cast<qsizetype>(Count), Fill));
}

// ---- user input -----------------------------------------------------------------

void PressKey(QWidget* Edit, int Key, const QString& Text) {
  QKeyEvent Press(QEvent::KeyPress, Key, Qt::NoModifier, Text);
  QApplication::sendEvent(Edit, &Press);
  QKeyEvent Release(QEvent::KeyRelease, Key, Qt::NoModifier, Text);
  QApplication::sendEvent(Edit, &Release);
}

void Press(QWidget* Target, Qt::Key Key, Qt::KeyboardModifiers Modifiers) {
  Target->setFocus();
  QKeyEvent Event(QEvent::KeyPress, Key, Modifiers);
  QApplication::sendEvent(Target, &Event);
}

void PressEnter(QWidget* Edit) { PressKey(Edit, Qt::Key_Return, QStringLiteral("\r")); }

void TypeText(QLineEdit* Edit, const QString& Text) {
  Edit->selectAll();
  Edit->insert(Text);
}

void Click(QAbstractButton* Button) {
  // A real click of the left button in the middle of the control; a disabled
  // control ignores it as it would ignore the user.
  const QPointF Centre(Button->width() / 2.0, Button->height() / 2.0);
  const QPointF Global = Button->mapToGlobal(Centre);
  QMouseEvent Press(QEvent::MouseButtonPress, Centre, Global, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(Button, &Press);
  QMouseEvent Release(QEvent::MouseButtonRelease, Centre, Global, Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(Button, &Release);
}

QImage Rendered(TFrameForm& Form) {
  QImage Image(Form.GraphView->size(), QImage::Format_ARGB32);
  Image.fill(Qt::transparent);
  QPainter Painter(&Image);
  Painter.drawPicture(0, 0, Form.GraphView->Picture());
  return Image;
}
