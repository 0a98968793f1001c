// Unit Param: the settings store TParameter, its exception EValueName, and the
// shell helpers beside it (long paths, special folders, shortcuts).  Qt Core
// only.
//
// Texts (names, values, paths) are QStrings; the store's lines are byte strings
// kept exactly as read from the file, so lines this program never writes come
// back out unchanged, whatever their encoding.  Values written through the
// store are UTF-8.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <cstdint>

#include "SysUtils.h"

class QIODevice;

// Errors of the settings store: a missing key, a value that is not Boolean, and
// names, values or lines the file cannot hold.  Carries its message only.
class EValueName : public Exception {
public:
  using Exception::Exception;
};

// Messages of EValueName, exactly as the user sees them.
inline constexpr const char* SValueNameNotFound = "Name '%s' is not found in parameters.";
inline constexpr const char* SValueNotBoolean = "Value of %s '%s' is not Boolean Type.";
// A name holding "=", CR, LF or NUL can never be found again once written.
inline constexpr const char* SValueNameInvalid = "Name '%s' cannot be used in parameters.";
// A value or line holding CR, LF or NUL would come back from the file split
// into several lines or cut short.
inline constexpr const char* SValueHasLineBreak = "Value of %s cannot hold a line break or NUL.";
inline constexpr const char* SLineHasLineBreak =
    "A parameter line cannot hold a line break or NUL.";

// The empty-value mark: a stored value of exactly this character means "key
// present, value empty", so writing an empty text keeps the key line.
inline constexpr char ParamEmptyValueMark = '\x1A';

// The settings store: an ordered list of lines, each a plain line or a key line
// "name=value", read from and written to one file whole.
//
// File format (byte exact): no byte-order mark; every line written is followed
// by CR LF, the last one included.  On reading, a line ends at CR, at LF or at
// CR LF; LF followed by CR is two line ends with an empty line between; a NUL
// byte ends the text; a last line without a line end is a line.
//
// Key lookup: the name of a line is its text before the first "="; a line
// without "=" has no name.  Names compare without regard to case: ASCII letters
// exactly, anything else by Qt's case folding of the UTF-8 text (a name that is
// not valid UTF-8 compares byte for byte beyond ASCII).  The first matching
// line is the key's line; later lines of the same name are never read or
// changed.
//
// Invariant: no line in memory holds CR, LF or NUL (lines read from the file
// cannot; Add, Insert and WriteString refuse them), so Save followed by Load
// gives back the same lines.
//
// Lifetime follows Qt parenthood: the owner destroys the store, which discards
// the lines without saving.  User-interface thread only.  The store catches
// nothing: every error reaches the caller.
class TParameter : public QObject {
  Q_OBJECT
public:
  // No lines, empty names, Digit 15.
  explicit TParameter(QObject* Owner = nullptr);
  ~TParameter() override;

  // ---- virtual operations, in slot order ------------------------------------

  // Number of lines.
  virtual int GetCount() const;

  // Appends the line (UTF-8) as given and returns its index.  A line holding
  // CR, LF or NUL raises EValueName (SLineHasLineBreak); nothing is added.
  virtual int Add(const QString& Line);

  // Writes a shortcut to ExeName named LinkName into the special folder Folder
  // (see GetSpecialFolderPath and CreateLink).  False when the folder does not
  // resolve, ExeName or LinkName is empty, or the shortcut cannot be written.
  // The shell's change broadcast has no counterpart here: desktops watch their
  // folders, so nothing is announced.
  virtual bool CreateShortcut(int Folder, const QString& LinkName);

  // Removes the shortcut LinkName from the special folder Folder (see
  // DeleteLink).  False when the folder does not resolve or nothing was
  // removed.
  virtual bool DeleteShortcut(int Folder, const QString& LinkName);

  // Fills the names that are still empty, then calls Load:
  //   ExeName  := the running executable's absolute path (the application's
  //               path, or /proc/self/exe when there is no QCoreApplication);
  //   Dir      := the folder part of ExeName, without a trailing "/" ("/" for
  //               an executable in the root; empty when ExeName has no "/");
  //   FileName := the file name of ExeName with its last extension removed,
  //               plus ".ini" ("Quorvant" and "Quorvant.bin" give
  //               "Quorvant.ini").
  // Raises what Load raises.
  virtual void Open();

  // Removes all lines.
  virtual void Clear();

  // Inserts the line before position Index, 0..Count().  An index outside
  // raises EStringListError (SListIndexError); a line holding CR, LF or NUL
  // raises EValueName.  Nothing changes on an error.
  virtual void Insert(int Index, const QString& Line);

  // Removes the line at Index, 0..Count()-1; outside raises EStringListError.
  virtual void Delete(int Index);

  // When FullName names an existing file (a folder does not count), replaces
  // the lines by the file's lines; otherwise the lines stay as they are.  A
  // file that exists but cannot be read (or is no regular file) raises
  // EFOpenError ("ファイル %s は開けません" with FullName); the lines are
  // then unchanged, and Unreadable() is true until a later Load succeeds.
  virtual void Load();

  // With FullName empty, or while Unreadable(), does nothing: a settings file
  // that exists but could not be read is never written over.  Otherwise writes all lines to
  // FullName, replacing it atomically: the text goes to a temporary file in the
  // same folder, is flushed to disk, and only then renamed over the old file,
  // so a failure at any point leaves the old file (or no file) intact.  A link
  // is written through; a device, FIFO, socket or folder behind the name is
  // never replaced (it raises).  Leftover temporaries of an interrupted save
  // ("<name>.XXXXXX", ours, 0600) go with the next successful one.  The
  // folder must be writable.  Failure raises EFCreateError
  // ("ファイル %s を作成できません" with FullName); the lines in memory never
  // change.
  virtual void Save();

  // ---- typed access by key --------------------------------------------------

  // The key's value as UTF-8 text.  The empty-value mark gives "".  A missing
  // key or a key line with nothing after its "=" raises EValueName
  // (SValueNameNotFound with Name).
  QString ReadString(const QString& Name) const;

  // The value as a signed 32-bit decimal (optional sign, digits only).  Other
  // text raises EConvertError ("'%s' は整数ではありません" with the value as
  // stored); a missing key raises as ReadString.
  int32_t ReadInteger(const QString& Name) const;

  // Exactly "True" gives true, exactly "False" false; other text raises
  // EValueName (SValueNotBoolean with Name and the value as stored).
  bool ReadBoolean(const QString& Name) const;

  // Replaces the key's line by "Name=Value" (the caller's spelling of the
  // name) at its position, or appends it when no line matches.  An empty Value
  // is stored as the empty-value mark.  A Name holding "=", CR, LF or NUL, or a
  // Value holding CR, LF or NUL, raises EValueName; nothing changes then.
  void WriteString(const QString& Name, const QString& Value);
  // WriteString with the decimal text (a minus sign for negatives).
  void WriteInteger(const QString& Name, int32_t Value);
  // WriteString with "True" or "False".
  void WriteBoolean(const QString& Name, bool Value);

  // ---- properties -----------------------------------------------------------

  // Folder of the settings file, stored as given.
  QString Dir() const { return FDir; }
  void SetDir(const QString& Value) { FDir = Value; }
  // Name of the settings file, stored as given.
  QString FileName() const { return FFileName; }
  void SetFileName(const QString& Value) { FFileName = Value; }
  // Dir, "/" unless Dir already ends with one, FileName; empty when Dir or
  // FileName is empty.
  QString FullName() const;
  // Path of the executable; target of shortcuts.  Stored as given.
  QString ExeName() const { return FExeName; }
  void SetExeName(const QString& Value) { FExeName = Value; }
  // Number of lines (through GetCount).
  int Count() const { return GetCount(); }
  // The last Load met an existing file it could not read (see Load, Save).
  bool Unreadable() const { return FUnreadable; }
  // 3..18; a value outside is ignored without error.  Nothing else reads it.
  int32_t Digit() const { return FDigit; }
  void SetDigit(int32_t Value);

  // The lines as held in memory, bytes exactly as read or written.
  const QList<QByteArray>& Lines() const { return FLines; }
  // Index of the key's line (the first whose name matches), or -1.
  int IndexOfName(const QString& Name) const;

protected:
  // The one step of Save that writes bytes: writes Text to File (the temporary
  // file) and returns whether all of it was written.  Save commits the file
  // only after this returns true.  Virtual so that a failure part-way through
  // the write can be reproduced; not meant to be overridden otherwise.
  virtual bool WriteText(QIODevice& File, const QByteArray& Text);

private:
  // The raw value of the key's line with the empty-value mark and the
  // not-found rule applied (see ReadString).
  QByteArray ReadValue(const QString& Name) const;

  QList<QByteArray> FLines;
  QString FDir;
  QString FFileName;
  QString FExeName;
  bool FUnreadable = false;
  int32_t FDigit = 15;
};

// ---- shell helpers -----------------------------------------------------------
// Plain functions without state; user-interface thread.

// The form of the absolute Path with every component as stored on disk.  Each
// component is replaced by the entry of its folder that is exactly equal to
// it, else by the first entry, in name order, that matches it without regard
// to letter case with "*" and "?" as wildcards.  "/" alone gives true with "/".
// False, LongPath untouched, for: a relative or empty path, a path ending with
// "/", an empty, "." or ".." component, and a component that matches nothing.
// Links keep their own names; nothing is resolved.
bool GetLongPath(const QString& Path, QString& LongPath);

// Shell special-folder identifiers (CSIDL values) accepted by
// GetSpecialFolderPath.
inline constexpr int CSIDL_DESKTOP = 0x0000;
inline constexpr int CSIDL_PROGRAMS = 0x0002;
inline constexpr int CSIDL_PERSONAL = 0x0005;
inline constexpr int CSIDL_STARTUP = 0x0007;
inline constexpr int CSIDL_STARTMENU = 0x000B;
inline constexpr int CSIDL_MYMUSIC = 0x000D;
inline constexpr int CSIDL_MYVIDEO = 0x000E;
inline constexpr int CSIDL_DESKTOPDIRECTORY = 0x0010;
inline constexpr int CSIDL_COMMON_STARTMENU = 0x0016;
inline constexpr int CSIDL_COMMON_PROGRAMS = 0x0017;
inline constexpr int CSIDL_COMMON_STARTUP = 0x0018;
inline constexpr int CSIDL_APPDATA = 0x001A;
inline constexpr int CSIDL_LOCAL_APPDATA = 0x001C;
inline constexpr int CSIDL_MYPICTURES = 0x0027;
inline constexpr int CSIDL_PROFILE = 0x0028;

// The file-system path of a special folder through the freedesktop (XDG)
// locations: desktop (0x0000, 0x0010) the desktop folder; programs and start
// menu (0x0002, 0x000B, 0x0016, 0x0017) the user's applications folder;
// startup (0x0007, 0x0018) the autostart folder under the config home;
// documents (0x0005), music (0x000D), videos (0x000E), pictures (0x0027) their
// user folders; application data (0x001A, 0x001C) the config home; profile
// (0x0028) the home folder.  Virtual folders, unknown identifiers and
// a mapped folder that does not exist give "".  Raises nothing.
QString GetSpecialFolderPath(int Folder);

// Writes the shortcut "<Folder>/<LinkName>.desktop" (no doubled "/"): a
// freedesktop desktop entry of type Application named LinkName that runs
// Target in Target's folder, made executable, replacing an existing one
// atomically.  True when written.  False when an argument is empty, LinkName
// holds "/" or NUL, or the file cannot be written.
bool CreateLink(const QString& Target, const QString& Folder, const QString& LinkName);

// Removes "<Folder>/<LinkName>.desktop".  False when an argument is empty,
// LinkName holds "/" or NUL, or the file is missing or cannot be removed.
bool DeleteLink(const QString& Folder, const QString& LinkName);
