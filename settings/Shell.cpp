// The shell helpers of unit Param on Qt Core and POSIX.  Each function names
// the shell service it stands in for.
#include "Param.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// True when Name matches Pattern without regard to letter case, "*" standing
// for any run of characters and "?" for exactly one.  Works on code points of
// the case-folded texts.
bool WildcardMatch(const QString& Pattern, const QString& Name) {
  const QList<uint> P = Pattern.toCaseFolded().toUcs4();
  const QList<uint> S = Name.toCaseFolded().toUcs4();
  qsizetype Pi = 0, Si = 0;
  qsizetype StarP = -1, StarS = 0;
  while (Si < S.size()) {
    if (Pi < P.size() && (P[Pi] == '?' || (P[Pi] != '*' && P[Pi] == S[Si]))) {
      ++Pi;
      ++Si;
    } else if (Pi < P.size() && P[Pi] == '*') {
      StarP = Pi++;
      StarS = Si;
    } else if (StarP >= 0) {
      Pi = StarP + 1;
      Si = ++StarS;
    } else {
      return false;
    }
  }
  while (Pi < P.size() && P[Pi] == '*') ++Pi;
  return Pi == P.size();
}

// True when an entry of that exact path exists, links included (even one
// whose target is missing).
bool EntryExists(const QString& Path) {
  struct stat Info;
  return ::lstat(QFile::encodeName(Path).constData(), &Info) == 0;
}

QString JoinPath(const QString& Folder, const QString& Name) {
  if (Folder.endsWith(QLatin1Char('/'))) return Folder + Name;
  return Folder + QLatin1Char('/') + Name;
}

// The entry of Folder standing for Component: the one named exactly so, else
// the first in name order matching it as a case-insensitive wildcard pattern.
// A folder that cannot be listed still yields an entry of exactly that name.
// A listed name that does not lead back to an entry (bytes that are not UTF-8
// do not survive decoding) is passed over.
bool FindEntry(const QString& Folder, const QString& Component, QString& Entry) {
  QStringList Names = QDir(Folder).entryList(
      QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
  if (Names.contains(Component) && EntryExists(JoinPath(Folder, Component))) {
    Entry = Component;
    return true;
  }
  std::sort(Names.begin(), Names.end());
  for (const QString& Name : Names) {
    if (WildcardMatch(Component, Name) && EntryExists(JoinPath(Folder, Name))) {
      Entry = Name;
      return true;
    }
  }
  if (EntryExists(JoinPath(Folder, Component))) {
    Entry = Component;
    return true;
  }
  return false;
}

// A link name becomes one file name in the folder: no "/" (which would reach
// into another folder) and no NUL.
bool ValidLinkName(const QString& LinkName) {
  return !LinkName.contains(QLatin1Char('/')) && !LinkName.contains(QChar(0));
}

// A value of type string or localestring of a desktop entry: backslash, line
// breaks and tab escaped, a leading blank written as "\s".
QString EscapeDesktopString(const QString& Value) {
  QString Result;
  Result.reserve(Value.size() + 8);
  for (qsizetype I = 0; I < Value.size(); ++I) {
    const QChar C = Value[I];
    if (C == QLatin1Char('\\'))
      Result += QStringLiteral("\\\\");
    else if (C == QLatin1Char('\n'))
      Result += QStringLiteral("\\n");
    else if (C == QLatin1Char('\r'))
      Result += QStringLiteral("\\r");
    else if (C == QLatin1Char('\t'))
      Result += QStringLiteral("\\t");
    else if (C == QLatin1Char(' ') && I == 0)
      Result += QStringLiteral("\\s");
    else
      Result += C;
  }
  return Result;
}

// The program of an Exec key: always in double quotes, with '"', '`', '$' and
// '\' escaped by a backslash inside them and '%' doubled (field codes); the
// whole value is then escaped as a string.
QString QuoteExecProgram(const QString& Program) {
  QString Quoted = QStringLiteral("\"");
  for (const QChar C : Program) {
    if (C == QLatin1Char('"') || C == QLatin1Char('`') || C == QLatin1Char('$') ||
        C == QLatin1Char('\\'))
      Quoted += QLatin1Char('\\');
    if (C == QLatin1Char('%')) Quoted += QLatin1Char('%');
    Quoted += C;
  }
  Quoted += QLatin1Char('"');
  return EscapeDesktopString(Quoted);
}

QString FolderOf(const QString& Path) {
  const qsizetype Slash = Path.lastIndexOf(QLatin1Char('/'));
  if (Slash < 0) return QString();
  if (Slash == 0) return QStringLiteral("/");
  return Path.left(Slash);
}

}  // namespace

// Stands in for GetDriveType and FindFirstFile walked from the last component
// back to the root: here each component is looked up in its folder's listing
// from the root down.  "/" plays the drive root.
bool GetLongPath(const QString& Path, QString& LongPath) {
  if (!Path.startsWith(QLatin1Char('/'))) return false;
  if (Path == QLatin1String("/")) {
    LongPath = Path;
    return true;
  }
  if (Path.endsWith(QLatin1Char('/'))) return false;
  const QStringList Components = Path.mid(1).split(QLatin1Char('/'));
  QString Result;
  for (const QString& Component : Components) {
    if (Component.isEmpty() || Component == QLatin1String(".") ||
        Component == QLatin1String("..") || Component.contains(QChar(0)))
      return false;
    QString Entry;
    if (!FindEntry(Result.isEmpty() ? QStringLiteral("/") : Result, Component, Entry)) return false;
    Result += QLatin1Char('/') + Entry;
  }
  LongPath = Result;
  return true;
}

// Stands in for SHGetSpecialFolderLocation, SHGetPathFromIDList and
// CoTaskMemFree: the identifier is mapped to its freedesktop location, which
// QStandardPaths finds through the XDG variables and user-dirs.dirs.
QString GetSpecialFolderPath(int Folder) {
  QString Path;
  switch (Folder) {
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY:
      Path = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
      break;
    case CSIDL_PROGRAMS:
    case CSIDL_STARTMENU:
    case CSIDL_COMMON_STARTMENU:
    case CSIDL_COMMON_PROGRAMS:
      Path = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
      break;
    case CSIDL_STARTUP:
    case CSIDL_COMMON_STARTUP: {
      const QString Config =
          QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
      if (!Config.isEmpty()) Path = Config + QStringLiteral("/autostart");
      break;
    }
    case CSIDL_PERSONAL:
      Path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
      break;
    case CSIDL_MYMUSIC:
      Path = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
      break;
    case CSIDL_MYVIDEO:
      Path = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
      break;
    case CSIDL_MYPICTURES:
      Path = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
      break;
    case CSIDL_APPDATA:
    case CSIDL_LOCAL_APPDATA:
      Path = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
      break;
    case CSIDL_PROFILE:
      Path = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
      break;
    default: return QString();
  }
  if (Path.isEmpty() || !QFileInfo(Path).isDir()) return QString();
  return Path;
}

// Stands in for the shell link object (IShellLinkA with SetPath and
// SetWorkingDirectory, saved through IPersistFile): a freedesktop desktop entry
// of type Application, written atomically and made executable so that
// desktops trust it.
bool CreateLink(const QString& Target, const QString& Folder, const QString& LinkName) {
  if (Target.isEmpty() || Folder.isEmpty() || LinkName.isEmpty()) return false;
  if (!ValidLinkName(LinkName) || Target.contains(QChar(0))) return false;
  const QString LinkPath = JoinPath(Folder, LinkName + QStringLiteral(".desktop"));
  if (QFileInfo(LinkPath).isDir()) return false;
  const QString Text = QStringLiteral("[Desktop Entry]\nType=Application\nName=") +
                       EscapeDesktopString(LinkName) + QStringLiteral("\nExec=") +
                       QuoteExecProgram(Target) + QStringLiteral("\nPath=") +
                       EscapeDesktopString(FolderOf(Target)) + QStringLiteral("\n");
  const QByteArray Bytes = Text.toUtf8();
  QSaveFile File(LinkPath);
  File.setDirectWriteFallback(false);
  if (!File.open(QIODevice::WriteOnly)) return false;
  if (File.write(Bytes) != Bytes.size()) {
    File.cancelWriting();
    return false;
  }
  // Executable for whoever may read it.
  QFileDevice::Permissions Mode = File.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser;
  if (Mode & QFileDevice::ReadGroup) Mode |= QFileDevice::ExeGroup;
  if (Mode & QFileDevice::ReadOther) Mode |= QFileDevice::ExeOther;
  if (!File.setPermissions(Mode)) {
    File.cancelWriting();
    return false;
  }
  return File.commit();
}

// Stands in for DeleteFile of the ".lnk" file.
bool DeleteLink(const QString& Folder, const QString& LinkName) {
  if (Folder.isEmpty() || LinkName.isEmpty() || !ValidLinkName(LinkName)) return false;
  const QString LinkPath = JoinPath(Folder, LinkName + QStringLiteral(".desktop"));
  if (QFileInfo(LinkPath).isDir()) return false;
  return ::unlink(QFile::encodeName(LinkPath).constData()) == 0;
}
