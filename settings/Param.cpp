// TParameter: the settings store.  See Param.h for the file format and the
// contracts.
#include "Param.h"

#include "AtomicFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QStringDecoder>

#include <string_view>

namespace {

const QByteArray EmptyValue(1, ParamEmptyValueMark);

std::string Utf8(const QString& Text) { return Text.toStdString(); }

bool IsAscii(const QByteArray& Bytes) {
  for (char C : Bytes)
    if (static_cast<unsigned char>(C) >= 0x80) return false;
  return true;
}

char AsciiLower(char C) { return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C; }

bool SameAsciiFolded(const QByteArray& A, const QByteArray& B) {
  if (A.size() != B.size()) return false;
  for (qsizetype I = 0; I < A.size(); ++I)
    if (AsciiLower(A[I]) != AsciiLower(B[I])) return false;
  return true;
}

// Stands in for the locale-aware case-insensitive comparison of ANSI text:
// ASCII letters fold exactly; other text compares by Qt's case folding when
// the line's name is valid UTF-8, and byte for byte (ASCII folded) when it is
// not, so two different undecodable names never meet through U+FFFD.
bool SameName(const QByteArray& LineName, const QByteArray& NameUtf8, const QString& Name) {
  if (IsAscii(LineName) && IsAscii(NameUtf8)) return SameAsciiFolded(LineName, NameUtf8);
  QStringDecoder Decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString Decoded = Decoder(LineName);
  if (Decoder.hasError()) return SameAsciiFolded(LineName, NameUtf8);
  return Decoded.compare(Name, Qt::CaseInsensitive) == 0;
}

bool HoldsLineBreak(const QString& Text) {
  return Text.contains(QLatin1Char('\r')) || Text.contains(QLatin1Char('\n')) ||
         Text.contains(QChar(0));
}

// Splits the file's bytes into lines: a line ends at CR, LF or CR LF; a NUL
// ends the text; a last line without a line end still counts.
QList<QByteArray> SplitLines(const QByteArray& Bytes) {
  QByteArray Text = Bytes;
  const qsizetype Nul = Text.indexOf('\0');
  if (Nul >= 0) Text.truncate(Nul);
  QList<QByteArray> Lines;
  const qsizetype N = Text.size();
  qsizetype Start = 0;
  qsizetype I = 0;
  while (I < N) {
    const char C = Text[I];
    if (C == '\r' || C == '\n') {
      Lines.append(Text.mid(Start, I - Start));
      if (C == '\r' && I + 1 < N && Text[I + 1] == '\n') ++I;
      ++I;
      Start = I;
    } else {
      ++I;
    }
  }
  if (Start < N) Lines.append(Text.mid(Start));
  return Lines;
}

// The running executable's absolute path: the application's own idea of it,
// or the kernel's link when no QCoreApplication exists (or it knows none).
QString RunningExecutable() {
  QString Path;
  if (QCoreApplication::instance() != nullptr) Path = QCoreApplication::applicationFilePath();
  if (Path.isEmpty()) Path = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
  return Path;
}

// Folder part of Path without a trailing "/"; "/" for the root; empty when
// Path holds no "/".
QString FolderPart(const QString& Path) {
  const qsizetype Slash = Path.lastIndexOf(QLatin1Char('/'));
  if (Slash < 0) return QString();
  QString Folder = Path.left(Slash);
  while (Folder.size() > 1 && Folder.endsWith(QLatin1Char('/'))) Folder.chop(1);
  return Folder.isEmpty() ? QStringLiteral("/") : Folder;
}

// File name of Path with its last extension replaced by ".ini".
QString IniName(const QString& Path) {
  QString Name = Path.mid(Path.lastIndexOf(QLatin1Char('/')) + 1);
  const qsizetype Dot = Name.lastIndexOf(QLatin1Char('.'));
  if (Dot >= 0) Name.truncate(Dot);
  return Name + QStringLiteral(".ini");
}

}  // namespace

TParameter::TParameter(QObject* Owner) : QObject(Owner) {}

TParameter::~TParameter() = default;

int TParameter::GetCount() const { return static_cast<int>(FLines.size()); }

int TParameter::Add(const QString& Line) {
  if (HoldsLineBreak(Line)) throw EValueName(SLineHasLineBreak);
  FLines.append(Line.toUtf8());
  return static_cast<int>(FLines.size() - 1);
}

bool TParameter::CreateShortcut(int Folder, const QString& LinkName) {
  // The shell's change broadcast has no counterpart: desktops watch their
  // folders themselves.
  return CreateLink(FExeName, GetSpecialFolderPath(Folder), LinkName);
}

bool TParameter::DeleteShortcut(int Folder, const QString& LinkName) {
  return DeleteLink(GetSpecialFolderPath(Folder), LinkName);
}

void TParameter::Open() {
  if (FExeName.isEmpty()) FExeName = RunningExecutable();
  if (FDir.isEmpty()) FDir = FolderPart(FExeName);
  if (FFileName.isEmpty()) FFileName = IniName(FExeName);
  Load();
}

void TParameter::Clear() { FLines.clear(); }

void TParameter::Insert(int Index, const QString& Line) {
  if (Index < 0 || Index > FLines.size()) throw EStringListError(Format(SListIndexError, Index));
  if (HoldsLineBreak(Line)) throw EValueName(SLineHasLineBreak);
  FLines.insert(Index, Line.toUtf8());
}

void TParameter::Delete(int Index) {
  if (Index < 0 || Index >= FLines.size()) throw EStringListError(Format(SListIndexError, Index));
  FLines.removeAt(Index);
}

void TParameter::Load() {
  // Stands in for the existence test and the whole-file read of the file
  // services.  As there, a folder of that name is no settings file.
  const QString Name = FullName();
  if (Name.isEmpty()) return;
  const QFileInfo Info(Name);
  if (!Info.exists() || Info.isDir()) {
    FUnreadable = false;
    return;
  }
  // Until a read succeeds, Save must not replace what could not be read.
  FUnreadable = true;
  // A FIFO or device would block or never end: refuse it rather than freeze.
  if (!Info.isFile()) throw EFOpenError(Format(SFOpenError, Utf8(Name).c_str()));
  QFile File(Name);
  if (!File.open(QIODevice::ReadOnly)) throw EFOpenError(Format(SFOpenError, Utf8(Name).c_str()));
  const QByteArray Bytes = File.readAll();
  if (File.error() != QFileDevice::NoError)
    throw EFOpenError(Format(SFOpenError, Utf8(Name).c_str()));
  FLines = SplitLines(Bytes);
  FUnreadable = false;
}

void TParameter::Save() {
  // Stands in for writing a text file, made atomic by TAtomicFile: the old
  // file stays byte for byte until the new one is complete on disk, a link is
  // written through, and a device or FIFO behind the name is never replaced.
  const QString Name = FullName();
  if (Name.isEmpty() || FUnreadable) return;
  QByteArray Text;
  qsizetype Size = 0;
  for (const QByteArray& Line : FLines) Size += Line.size() + 2;
  Text.reserve(Size);
  for (const QByteArray& Line : FLines) {
    Text += Line;
    Text += "\r\n";
  }
  TAtomicFile Target(Utf8(Name));
  QFile File;
  // Unbuffered: every write reaches the descriptor at once, so its failure
  // (a full disk) shows in WriteText's result and not in a lost flush.
  if (!File.open(Target.Handle(), QIODevice::WriteOnly | QIODevice::Unbuffered,
                 QFileDevice::DontCloseHandle) ||
      !WriteText(File, Text) || !File.flush() || File.error() != QFileDevice::NoError)
    throw EFCreateError(Format(SFCreateError, Utf8(Name).c_str()));
  File.close();
  Target.Commit();
}

bool TParameter::WriteText(QIODevice& File, const QByteArray& Text) {
  return File.write(Text) == Text.size();
}

int TParameter::IndexOfName(const QString& Name) const {
  const QByteArray NameUtf8 = Name.toUtf8();
  for (qsizetype I = 0; I < FLines.size(); ++I) {
    const QByteArray& Line = FLines[I];
    const qsizetype Equal = Line.indexOf('=');
    if (Equal < 0) continue;
    if (SameName(Line.left(Equal), NameUtf8, Name)) return static_cast<int>(I);
  }
  return -1;
}

QByteArray TParameter::ReadValue(const QString& Name) const {
  QByteArray Value;
  const int Index = IndexOfName(Name);
  if (Index >= 0) {
    const QByteArray& Line = FLines[Index];
    Value = Line.mid(Line.indexOf('=') + 1);
  }
  if (Value == EmptyValue) return QByteArray();
  if (Value.isEmpty()) throw EValueName(Format(SValueNameNotFound, Utf8(Name).c_str()));
  return Value;
}

QString TParameter::ReadString(const QString& Name) const {
  return QString::fromUtf8(ReadValue(Name));
}

int32_t TParameter::ReadInteger(const QString& Name) const {
  const QByteArray Value = ReadValue(Name);
  return StrToInt(std::string_view(Value.constData(), static_cast<size_t>(Value.size())));
}

bool TParameter::ReadBoolean(const QString& Name) const {
  const QByteArray Value = ReadValue(Name);
  if (Value == "True") return true;
  if (Value == "False") return false;
  throw EValueName(Format(SValueNotBoolean, Utf8(Name).c_str(), Value.constData()));
}

void TParameter::WriteString(const QString& Name, const QString& Value) {
  if (Name.contains(QLatin1Char('=')) || HoldsLineBreak(Name))
    throw EValueName(Format(SValueNameInvalid, Utf8(Name).c_str()));
  if (HoldsLineBreak(Value)) throw EValueName(Format(SValueHasLineBreak, Utf8(Name).c_str()));
  QByteArray Line = Name.toUtf8();
  Line += '=';
  Line += Value.isEmpty() ? EmptyValue : Value.toUtf8();
  const int Index = IndexOfName(Name);
  if (Index < 0)
    FLines.append(Line);
  else
    FLines[Index] = Line;
}

void TParameter::WriteInteger(const QString& Name, int32_t Value) {
  WriteString(Name, QString::fromStdString(IntToStr(Value)));
}

void TParameter::WriteBoolean(const QString& Name, bool Value) {
  WriteString(Name, Value ? QStringLiteral("True") : QStringLiteral("False"));
}

QString TParameter::FullName() const {
  if (FDir.isEmpty() || FFileName.isEmpty()) return QString();
  if (FDir.endsWith(QLatin1Char('/'))) return FDir + FFileName;
  return FDir + QLatin1Char('/') + FFileName;
}

void TParameter::SetDigit(int32_t Value) {
  if (Value >= 3 && Value <= 18) FDigit = Value;
}
