// Unit Param: the settings store's file format, key lookup, typed reads, file
// names, atomic save, and the shell helpers against temporary folder trees.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QIODevice>
#include <QPointer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>

#include "Param.h"

namespace fs = std::filesystem;

namespace {

// ---- independent helpers: bytes on disk through the standard library ---------

void WriteBytes(const std::string& Path, const std::string& Bytes) {
  std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
  Out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
  ASSERT_TRUE(Out.good()) << Path;
}

std::string ReadBytes(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

std::vector<std::string> FolderEntries(const std::string& Folder) {
  std::vector<std::string> Names;
  for (const auto& Entry : fs::directory_iterator(Folder))
    Names.push_back(Entry.path().filename().string());
  std::sort(Names.begin(), Names.end());
  return Names;
}

std::vector<std::string> LinesOf(const TParameter& P) {
  std::vector<std::string> Lines;
  for (const QByteArray& Line : P.Lines()) Lines.push_back(Line.toStdString());
  return Lines;
}

QString Q(const std::string& Text) { return QString::fromStdString(Text); }

template <typename E, typename F>
std::string MessageOf(F&& Call) {
  try {
    Call();
  } catch (const E& Error) {
    return Error.Message();
  }
  ADD_FAILURE() << "nothing raised";
  return {};
}

// Each test works in its own temporary folder; the variables through which the
// code finds the user's folders point into it and are restored afterwards.
class ParamFixture : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Temp.isValid());
    Root = Temp.path().toStdString();
    for (const char* Name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                             "XDG_DATA_DIRS", "XDG_CONFIG_DIRS"}) {
      const char* Old = std::getenv(Name);
      Saved[Name] = Old ? std::optional<std::string>(Old) : std::nullopt;
    }
    fs::create_directories(Root + "/home");
    fs::create_directories(Root + "/config");
    fs::create_directories(Root + "/data");
    setenv("HOME", (Root + "/home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (Root + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (Root + "/data").c_str(), 1);
    setenv("XDG_CACHE_HOME", (Root + "/cache").c_str(), 1);
    setenv("XDG_DATA_DIRS", (Root + "/sysdata").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (Root + "/sysconfig").c_str(), 1);
  }
  void TearDown() override {
    for (const auto& [Name, Value] : Saved) {
      if (Value)
        setenv(Name.c_str(), Value->c_str(), 1);
      else
        unsetenv(Name.c_str());
    }
  }

  // A store whose settings file is <Root>/<FileName>.
  void Aim(TParameter& P, const std::string& FileName = "Quorvant.ini") {
    P.SetDir(Q(Root));
    P.SetFileName(Q(FileName));
  }

  QTemporaryDir Temp;
  std::string Root;
  std::map<std::string, std::optional<std::string>> Saved;
};

using ParamFile = ParamFixture;
using ParamKeys = ParamFixture;
using ParamTyped = ParamFixture;
using ParamNames = ParamFixture;
using ParamSave = ParamFixture;
using ParamLongPath = ParamFixture;
using ParamSpecialFolder = ParamFixture;
using ParamLink = ParamFixture;

// ---- file format --------------------------------------------------------------

TEST_F(ParamFile, SaveEndsEveryLineWithCrLfWithoutByteOrderMark) {
  TParameter P;
  Aim(P);
  P.Add(QStringLiteral("[Quorvant]"));
  P.WriteInteger(QStringLiteral("Left"), -12);
  P.WriteBoolean(QStringLiteral("X1.Checked"), true);
  P.WriteString(QStringLiteral("Title"), QStringLiteral("ハフマン"));
  P.Save();
  EXPECT_EQ(ReadBytes(Root + "/Quorvant.ini"),
            "[Quorvant]\r\nLeft=-12\r\nX1.Checked=True\r\nTitle=\xE3\x83\x8F\xE3\x83\x95"
            "\xE3\x83\x9E\xE3\x83\xB3\r\n");
}

TEST_F(ParamFile, LoadEndsLinesAtCrLfCrLfAndTreatsLfCrAsTwo) {
  WriteBytes(Root + "/Quorvant.ini", "a\r\nb\nc\rd\n\re\r\n\r\nf");
  TParameter P;
  Aim(P);
  P.Load();
  EXPECT_EQ(LinesOf(P), (std::vector<std::string>{"a", "b", "c", "d", "", "e", "", "f"}));
}

TEST_F(ParamFile, LastLineWithoutLineEndReadsAndSavesAsTheSameLines) {
  WriteBytes(Root + "/Quorvant.ini", "Left=1\r\nTop=2");
  TParameter P;
  Aim(P);
  P.Load();
  EXPECT_EQ(LinesOf(P), (std::vector<std::string>{"Left=1", "Top=2"}));
  P.Save();
  EXPECT_EQ(ReadBytes(Root + "/Quorvant.ini"), "Left=1\r\nTop=2\r\n");
}

TEST_F(ParamFile, NulByteEndsTheText) {
  WriteBytes(Root + "/Quorvant.ini", std::string("Left=1\r\nTop=2\0Graph=3\r\n", 24));
  TParameter P;
  Aim(P);
  P.Load();
  EXPECT_EQ(LinesOf(P), (std::vector<std::string>{"Left=1", "Top=2"}));
}

TEST_F(ParamFile, EmptyValueIsStoredAsMarkAndReadBackEmpty) {
  TParameter P;
  Aim(P);
  P.WriteString(QStringLiteral("Memo"), QString());
  P.Save();
  EXPECT_EQ(ReadBytes(Root + "/Quorvant.ini"), "Memo=\x1A\r\n");
  TParameter Q2;
  Aim(Q2);
  Q2.Load();
  EXPECT_EQ(Q2.ReadString(QStringLiteral("Memo")), QString());
}

TEST_F(ParamFile, LinesNotWrittenKeepTheirBytesExactly) {
  // Shift-JIS bytes and a stray high byte: not UTF-8, and not to be re-encoded.
  const std::string Foreign = "\x83\x6E\x83\x74\x83\x7D\x83\x93=\x95\x84\x8D\x86";
  WriteBytes(Root + "/Quorvant.ini", "[Quorvant]\r\n" + Foreign + "\r\nLeft=1\r\n\xFF\r\n");
  TParameter P;
  Aim(P);
  P.Load();
  P.WriteInteger(QStringLiteral("Left"), 2);
  P.Save();
  EXPECT_EQ(ReadBytes(Root + "/Quorvant.ini"),
            "[Quorvant]\r\n" + Foreign + "\r\nLeft=2\r\n\xFF\r\n");
}

TEST_F(ParamFile, MissingFileKeepsTheLinesAndEmptyFileGivesNone) {
  TParameter P;
  Aim(P);
  P.Add(QStringLiteral("kept"));
  P.Load();
  EXPECT_EQ(P.Count(), 1);
  WriteBytes(Root + "/Quorvant.ini", "");
  P.Load();
  EXPECT_EQ(P.Count(), 0);
}

TEST_F(ParamFile, FolderNamedLikeTheFileCountsAsNoFile) {
  fs::create_directory(Root + "/Quorvant.ini");
  TParameter P;
  Aim(P);
  P.Add(QStringLiteral("kept"));
  P.Load();
  EXPECT_EQ(LinesOf(P), std::vector<std::string>{"kept"});
}

TEST_F(ParamFile, UnreadableFileRaisesOpenErrorAndKeepsTheLines) {
  // A FIFO exists but is no readable settings file (and would block a read).
  ASSERT_EQ(mkfifo((Root + "/Quorvant.ini").c_str(), 0600), 0);
  TParameter P;
  Aim(P);
  P.Add(QStringLiteral("kept"));
  EXPECT_EQ(MessageOf<EFOpenError>([&] { P.Load(); }),
            "ファイル " + Root + "/Quorvant.ini は開けません");
  EXPECT_EQ(LinesOf(P), std::vector<std::string>{"kept"});
}

TEST_F(ParamFile, LinesWithLineBreaksAreRefused) {
  TParameter P;
  EXPECT_EQ(MessageOf<EValueName>([&] { P.Add(QStringLiteral("a\r\nb")); }),
            "A parameter line cannot hold a line break or NUL.");
  EXPECT_THROW(P.Insert(0, QStringLiteral("a\nb")), EValueName);
  EXPECT_THROW(P.Add(QString(QChar(0))), EValueName);
  EXPECT_EQ(P.Count(), 0);
}

TEST_F(ParamFile, InsertAndDeleteCheckTheirBounds) {
  TParameter P;
  P.Add(QStringLiteral("b"));
  P.Insert(0, QStringLiteral("a"));
  P.Insert(2, QStringLiteral("c"));
  EXPECT_EQ(LinesOf(P), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(MessageOf<EStringListError>([&] { P.Insert(4, QStringLiteral("x")); }),
            "List index out of bounds (4)");
  EXPECT_THROW(P.Insert(-1, QStringLiteral("x")), EStringListError);
  EXPECT_EQ(MessageOf<EStringListError>([&] { P.Delete(3); }), "List index out of bounds (3)");
  EXPECT_THROW(P.Delete(-1), EStringListError);
  P.Delete(1);
  EXPECT_EQ(LinesOf(P), (std::vector<std::string>{"a", "c"}));
  P.Clear();
  EXPECT_EQ(P.Count(), 0);
}

// ---- key lookup -------------------------------------------------------------

TEST_F(ParamKeys, NameMatchesWithoutCaseAndWriteTakesCallersSpelling) {
  WriteBytes(Root + "/Quorvant.ini", "[Quorvant]\r\nleft=5\r\nTop=6\r\n");
  TParameter P;
  Aim(P);
  P.Load();
  EXPECT_EQ(P.ReadInteger(QStringLiteral("Left")), 5);
  EXPECT_EQ(P.ReadInteger(QStringLiteral("TOP")), 6);
  P.WriteInteger(QStringLiteral("Left"), 7);
  EXPECT_EQ(LinesOf(P), (std::vector<std::string>{"[Quorvant]", "Left=7", "Top=6"}));
}

TEST_F(ParamKeys, AsciiFoldsLettersOnly) {
  // '[' and '{' (and '@' and '`') differ only in the bit that folds letters.
  TParameter P;
  P.Add(QStringLiteral("X[=1"));
  P.Add(QStringLiteral("@=2"));
  EXPECT_THROW(P.ReadString(QStringLiteral("x{")), EValueName);
  EXPECT_THROW(P.ReadString(QStringLiteral("`")), EValueName);
  EXPECT_EQ(P.ReadString(QStringLiteral("x[")), QStringLiteral("1"));
}

TEST_F(ParamKeys, NonAsciiNamesFoldByCase) {
  TParameter P;
  P.Add(QStringLiteral("ÄRGER=1"));
  EXPECT_EQ(P.ReadString(QStringLiteral("ärger")), QStringLiteral("1"));
  EXPECT_THROW(P.ReadString(QStringLiteral("arger")), EValueName);
}

TEST_F(ParamKeys, UndecodableNamesNeverMeetThroughReplacementCharacter) {
  WriteBytes(Root + "/Quorvant.ini", "\x83\x6E=1\r\n");
  TParameter P;
  Aim(P);
  P.Load();
  EXPECT_THROW(P.ReadString(QString(2, QChar(0xFFFD))), EValueName);
  EXPECT_THROW(P.ReadString(QString(QChar(0xFFFD))), EValueName);
}

TEST_F(ParamKeys, FirstOfTwoLinesIsReadAndOnlyItIsWritten) {
  TParameter P;
  P.Add(QStringLiteral("Top=1"));
  P.Add(QStringLiteral("Top=2"));
  EXPECT_EQ(P.ReadInteger(QStringLiteral("Top")), 1);
  P.WriteInteger(QStringLiteral("top"), 3);
  EXPECT_EQ(LinesOf(P), (std::vector<std::string>{"top=3", "Top=2"}));
}

TEST_F(ParamKeys, ValueRunsFromTheFirstEqualsSign) {
  TParameter P;
  P.Add(QStringLiteral("Cmd=a=b="));
  EXPECT_EQ(P.ReadString(QStringLiteral("Cmd")), QStringLiteral("a=b="));
  EXPECT_THROW(P.ReadString(QStringLiteral("Cmd=a")), EValueName);
}

TEST_F(ParamKeys, MissingKeyIsAppendedAndLineWithoutEqualsNeverMatches) {
  TParameter P;
  P.Add(QStringLiteral("Left"));
  P.Add(QStringLiteral("Top=1"));
  EXPECT_EQ(MessageOf<EValueName>([&] { P.ReadString(QStringLiteral("Left")); }),
            "Name 'Left' is not found in parameters.");
  P.WriteString(QStringLiteral("Left"), QStringLiteral("9"));
  EXPECT_EQ(LinesOf(P), (std::vector<std::string>{"Left", "Top=1", "Left=9"}));
}

TEST_F(ParamKeys, HeaderOnlyFileFindsNoKey) {
  WriteBytes(Root + "/Quorvant.ini", "[Quorvant]\r\n");
  TParameter P;
  Aim(P);
  P.Load();
  EXPECT_EQ(P.Count(), 1);
  EXPECT_THROW(P.ReadString(QStringLiteral("[Quorvant]")), EValueName);
  EXPECT_THROW(P.ReadString(QString()), EValueName);
}

TEST_F(ParamKeys, KeyLineWithNothingAfterEqualsIsNotFound) {
  TParameter P;
  P.Add(QStringLiteral("Left="));
  EXPECT_EQ(MessageOf<EValueName>([&] { P.ReadString(QStringLiteral("LEFT")); }),
            "Name 'LEFT' is not found in parameters.");
}

TEST_F(ParamKeys, NamesAndValuesTheFileCannotHoldAreRefused) {
  TParameter P;
  P.Add(QStringLiteral("Top=1"));
  EXPECT_EQ(
      MessageOf<EValueName>([&] { P.WriteString(QStringLiteral("a=b"), QStringLiteral("1")); }),
      "Name 'a=b' cannot be used in parameters.");
  EXPECT_THROW(P.WriteString(QStringLiteral("a\nb"), QStringLiteral("1")), EValueName);
  EXPECT_EQ(MessageOf<EValueName>(
                [&] { P.WriteString(QStringLiteral("Top"), QStringLiteral("1\r\n2")); }),
            "Value of Top cannot hold a line break or NUL.");
  EXPECT_THROW(P.WriteString(QStringLiteral("Top"), QStringLiteral("1\r")), EValueName);
  EXPECT_EQ(LinesOf(P), std::vector<std::string>{"Top=1"});
}

// ---- typed reads and their messages -------------------------------------------

TEST_F(ParamTyped, IntegersReadWithSignAndFull32BitRange) {
  TParameter P;
  P.Add(QStringLiteral("A=-2147483648"));
  P.Add(QStringLiteral("B=+7"));
  P.Add(QStringLiteral("C=2147483647"));
  EXPECT_EQ(P.ReadInteger(QStringLiteral("A")), INT32_MIN);
  EXPECT_EQ(P.ReadInteger(QStringLiteral("B")), 7);
  EXPECT_EQ(P.ReadInteger(QStringLiteral("C")), INT32_MAX);
  P.WriteInteger(QStringLiteral("D"), INT32_MIN);
  EXPECT_EQ(P.Lines().last().toStdString(), "D=-2147483648");
}

TEST_F(ParamTyped, NonIntegerRaisesConversionErrorQuotingTheValue) {
  TParameter P;
  P.Add(QStringLiteral("A=12a"));
  P.Add(QStringLiteral("B= 1"));
  P.Add(QStringLiteral("C=2147483648"));
  P.WriteString(QStringLiteral("D"), QString());
  EXPECT_EQ(MessageOf<EConvertError>([&] { P.ReadInteger(QStringLiteral("A")); }),
            "'12a' は整数ではありません");
  EXPECT_EQ(MessageOf<EConvertError>([&] { P.ReadInteger(QStringLiteral("B")); }),
            "' 1' は整数ではありません");
  EXPECT_EQ(MessageOf<EConvertError>([&] { P.ReadInteger(QStringLiteral("C")); }),
            "'2147483648' は整数ではありません");
  EXPECT_EQ(MessageOf<EConvertError>([&] { P.ReadInteger(QStringLiteral("D")); }),
            "'' は整数ではありません");
  EXPECT_THROW(P.ReadInteger(QStringLiteral("E")), EValueName);
}

TEST_F(ParamTyped, BooleanTakesExactlyTrueAndFalse) {
  TParameter P;
  P.WriteBoolean(QStringLiteral("On"), true);
  P.WriteBoolean(QStringLiteral("Off"), false);
  EXPECT_EQ(LinesOf(P), (std::vector<std::string>{"On=True", "Off=False"}));
  EXPECT_TRUE(P.ReadBoolean(QStringLiteral("on")));
  EXPECT_FALSE(P.ReadBoolean(QStringLiteral("OFF")));
}

TEST_F(ParamTyped, BooleanInOtherCaseRaisesWithNameAndStoredValue) {
  TParameter P;
  P.Add(QStringLiteral("X1.Checked=true"));
  P.Add(QStringLiteral("Y=TRUE"));
  P.Add(QStringLiteral("Z=1"));
  EXPECT_EQ(MessageOf<EValueName>([&] { P.ReadBoolean(QStringLiteral("X1.Checked")); }),
            "Value of X1.Checked 'true' is not Boolean Type.");
  EXPECT_EQ(MessageOf<EValueName>([&] { P.ReadBoolean(QStringLiteral("Y")); }),
            "Value of Y 'TRUE' is not Boolean Type.");
  EXPECT_THROW(P.ReadBoolean(QStringLiteral("Z")), EValueName);
}

// ---- file names and properties -------------------------------------------------

TEST_F(ParamNames, FullNameJoinsWithExactlyOneSlash) {
  TParameter P;
  EXPECT_EQ(P.FullName(), QString());
  P.SetFileName(QStringLiteral("Quorvant.ini"));
  EXPECT_EQ(P.FullName(), QString());
  P.SetDir(QStringLiteral("/"));
  EXPECT_EQ(P.FullName(), QStringLiteral("/Quorvant.ini"));
  P.SetDir(QStringLiteral("/opt/q"));
  EXPECT_EQ(P.FullName(), QStringLiteral("/opt/q/Quorvant.ini"));
  P.SetDir(QStringLiteral("/opt/q/"));
  EXPECT_EQ(P.FullName(), QStringLiteral("/opt/q/Quorvant.ini"));
  P.SetFileName(QString());
  EXPECT_EQ(P.FullName(), QString());
}

TEST_F(ParamNames, SaveWithoutFolderWritesNothing) {
  const fs::path Before = fs::current_path();
  fs::current_path(Root);
  TParameter P;
  P.SetFileName(QStringLiteral("Quorvant.ini"));
  P.Add(QStringLiteral("Left=1"));
  EXPECT_NO_THROW(P.Save());
  const std::vector<std::string> Entries = FolderEntries(Root);
  fs::current_path(Before);
  EXPECT_EQ(Entries, (std::vector<std::string>{"config", "data", "home"}));
}

TEST_F(ParamNames, OpenDerivesFolderAndFileFromExeNameAndReadsTheFile) {
  WriteBytes(Root + "/Quorvant.ini", "[Quorvant]\r\nLeft=3\r\n");
  TParameter P;
  P.SetExeName(Q(Root + "/Quorvant.bin"));
  P.Open();
  EXPECT_EQ(P.Dir(), Q(Root));
  EXPECT_EQ(P.FileName(), QStringLiteral("Quorvant.ini"));
  EXPECT_EQ(P.ReadInteger(QStringLiteral("Left")), 3);
}

TEST_F(ParamNames, OpenDropsOnlyTheLastExtension) {
  TParameter A;
  A.SetExeName(QStringLiteral("/nonexistent/a.b.c"));
  A.Open();
  EXPECT_EQ(A.FileName(), QStringLiteral("a.b.ini"));
  EXPECT_EQ(A.Dir(), QStringLiteral("/nonexistent"));
  TParameter B;
  B.SetExeName(QStringLiteral("/Quorvant"));
  B.SetFileName(QStringLiteral("kept.ini"));
  B.Open();
  EXPECT_EQ(B.Dir(), QStringLiteral("/"));
  EXPECT_EQ(B.FileName(), QStringLiteral("kept.ini"));
  EXPECT_EQ(B.FullName(), QStringLiteral("/kept.ini"));
}

TEST_F(ParamNames, OpenKeepsNamesAlreadySet) {
  WriteBytes(Root + "/Other.ini", "Left=4\r\n");
  TParameter P;
  Aim(P, "Other.ini");
  P.SetExeName(QStringLiteral("/nonexistent/Quorvant"));
  P.Open();
  EXPECT_EQ(P.FullName(), Q(Root + "/Other.ini"));
  EXPECT_EQ(P.ReadInteger(QStringLiteral("Left")), 4);
}

TEST_F(ParamNames, OpenWithoutApplicationFindsTheRunningExecutable) {
  ASSERT_EQ(QCoreApplication::instance(), nullptr);
  const fs::path Exe = fs::read_symlink("/proc/self/exe");
  TParameter P;
  P.SetDir(Q(Root));  // the file is looked for here, not beside the test
  P.Open();
  EXPECT_EQ(P.ExeName(), Q(Exe.string()));
  EXPECT_EQ(P.FileName(), Q(Exe.stem().string() + ".ini"));
}

TEST_F(ParamNames, OpenWithApplicationFindsTheRunningExecutable) {
  int Argc = 1;
  char Arg0[] = "ParamTest";
  char* Argv[] = {Arg0, nullptr};
  QCoreApplication App(Argc, Argv);
  const fs::path Exe = fs::read_symlink("/proc/self/exe");
  TParameter P;
  P.SetFileName(QStringLiteral("Quorvant.ini"));
  P.SetDir(Q(Root));
  P.Open();
  EXPECT_EQ(P.ExeName(), Q(Exe.string()));
}

TEST_F(ParamNames, DigitAcceptsOnlyThreeToEighteen) {
  TParameter P;
  EXPECT_EQ(P.Digit(), 15);
  P.SetDigit(2);
  P.SetDigit(19);
  EXPECT_EQ(P.Digit(), 15);
  P.SetDigit(18);
  EXPECT_EQ(P.Digit(), 18);
  P.SetDigit(3);
  EXPECT_EQ(P.Digit(), 3);
}

TEST_F(ParamNames, OwnerDestroysTheStore) {
  auto* Owner = new QObject;
  QPointer<TParameter> P = new TParameter(Owner);
  EXPECT_EQ(P->parent(), Owner);
  delete Owner;
  EXPECT_TRUE(P.isNull());
}

// ---- atomic save ------------------------------------------------------------------

// Writes half of the text, then fails (as a full disk would) or throws (as a
// process torn down part-way would leave it).
class THalfWriter : public TParameter {
public:
  bool Throw = false;

protected:
  bool WriteText(QIODevice& File, const QByteArray& Text) override {
    File.write(Text.left(Text.size() / 2));
    if (Throw) throw std::runtime_error("torn down");
    return false;
  }
};

TEST_F(ParamSave, FailedWriteLeavesTheOldFileAndNoTemporary) {
  const std::string Old = "[Quorvant]\r\nLeft=1\r\nTop=2\r\n";
  WriteBytes(Root + "/Quorvant.ini", Old);
  THalfWriter P;
  Aim(P);
  P.Load();
  P.WriteInteger(QStringLiteral("Left"), 100);
  EXPECT_EQ(MessageOf<EFCreateError>([&] { P.Save(); }),
            "ファイル " + Root + "/Quorvant.ini を作成できません");
  EXPECT_EQ(ReadBytes(Root + "/Quorvant.ini"), Old);
  EXPECT_EQ(FolderEntries(Root),
            (std::vector<std::string>{"Quorvant.ini", "config", "data", "home"}));
  EXPECT_EQ(LinesOf(P), (std::vector<std::string>{"[Quorvant]", "Left=100", "Top=2"}));
}

TEST_F(ParamSave, WriteAbortedByExceptionLeavesTheOldFile) {
  const std::string Old = "Left=1\r\n";
  WriteBytes(Root + "/Quorvant.ini", Old);
  THalfWriter P;
  P.Throw = true;
  Aim(P);
  P.WriteInteger(QStringLiteral("Left"), 2);
  P.WriteInteger(QStringLiteral("Top"), 3);
  EXPECT_THROW(P.Save(), std::runtime_error);
  EXPECT_EQ(ReadBytes(Root + "/Quorvant.ini"), Old);
  EXPECT_EQ(FolderEntries(Root),
            (std::vector<std::string>{"Quorvant.ini", "config", "data", "home"}));
}

TEST_F(ParamSave, ShorterTextReplacesTheOldFileWhole) {
  WriteBytes(Root + "/Quorvant.ini", "[Quorvant]\r\nLeft=1\r\nTop=2\r\nGraph=1\r\n");
  TParameter P;
  Aim(P);
  P.Add(QStringLiteral("A=1"));
  P.Save();
  EXPECT_EQ(ReadBytes(Root + "/Quorvant.ini"), "A=1\r\n");
}

TEST_F(ParamSave, ExistingFileKeepsItsPermissions) {
  WriteBytes(Root + "/Quorvant.ini", "A=1\r\n");
  ASSERT_EQ(chmod((Root + "/Quorvant.ini").c_str(), 0640), 0);
  TParameter P;
  Aim(P);
  P.Add(QStringLiteral("A=2"));
  P.Save();
  struct stat Info {};
  ASSERT_EQ(stat((Root + "/Quorvant.ini").c_str(), &Info), 0);
  EXPECT_EQ(Info.st_mode & 07777, 0640u);
}

TEST_F(ParamSave, NewFileGetsTheModeAPlainCreateWouldGive) {
  // A temporary file is private (0600); the renamed result must not be.
  const mode_t Old = umask(022);
  TParameter P;
  Aim(P);
  P.Add(QStringLiteral("A=1"));
  P.Save();
  umask(Old);
  struct stat Info {};
  ASSERT_EQ(stat((Root + "/Quorvant.ini").c_str(), &Info), 0);
  EXPECT_EQ(Info.st_mode & 07777, 0644u);
}

TEST_F(ParamSave, LinkedSettingsFileStaysALink) {
  fs::create_directory(Root + "/real");
  WriteBytes(Root + "/real/Quorvant.ini", "A=1\r\n");
  fs::create_symlink(Root + "/real/Quorvant.ini", Root + "/Quorvant.ini");
  TParameter P;
  Aim(P);
  P.Load();
  P.WriteInteger(QStringLiteral("A"), 2);
  P.Save();
  EXPECT_TRUE(fs::is_symlink(Root + "/Quorvant.ini"));
  EXPECT_EQ(ReadBytes(Root + "/real/Quorvant.ini"), "A=2\r\n");
}

TEST_F(ParamSave, FolderThatIsARegularFileRaisesCreateError) {
  WriteBytes(Root + "/plain", "x");
  TParameter P;
  P.SetDir(Q(Root + "/plain"));
  P.SetFileName(QStringLiteral("Quorvant.ini"));
  P.Add(QStringLiteral("Left=1"));
  EXPECT_EQ(MessageOf<EFCreateError>([&] { P.Save(); }),
            "ファイル " + Root + "/plain/Quorvant.ini を作成できません");
  EXPECT_EQ(LinesOf(P), std::vector<std::string>{"Left=1"});
  EXPECT_EQ(ReadBytes(Root + "/plain"), "x");
}

TEST_F(ParamSave, FolderNamedLikeTheFileRaisesCreateErrorAndStays) {
  fs::create_directory(Root + "/Quorvant.ini");
  WriteBytes(Root + "/Quorvant.ini/inside", "x");
  TParameter P;
  Aim(P);
  P.Add(QStringLiteral("Left=1"));
  EXPECT_THROW(P.Save(), EFCreateError);
  EXPECT_EQ(ReadBytes(Root + "/Quorvant.ini/inside"), "x");
  EXPECT_EQ(FolderEntries(Root),
            (std::vector<std::string>{"Quorvant.ini", "config", "data", "home"}));
}

TEST_F(ParamSave, FileSystemRefusingTheBytesKeepsTheOldFile) {
  // A file-size limit makes the kernel refuse the write as a full disk does.
  const std::string Old = "[Quorvant]\r\nLeft=1\r\n";
  WriteBytes(Root + "/Quorvant.ini", Old);
  TParameter P;
  Aim(P);
  P.Load();
  P.WriteString(QStringLiteral("Left"), QString(200, QLatin1Char('9')));
  struct rlimit Saved {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &Saved), 0);
  const auto OldSignal = signal(SIGXFSZ, SIG_IGN);
  struct rlimit Small = Saved;
  Small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &Small), 0);
  const std::string Message = MessageOf<EFCreateError>([&] { P.Save(); });
  setrlimit(RLIMIT_FSIZE, &Saved);
  signal(SIGXFSZ, OldSignal);
  EXPECT_EQ(Message, "ファイル " + Root + "/Quorvant.ini を作成できません");
  EXPECT_EQ(ReadBytes(Root + "/Quorvant.ini"), Old);
  EXPECT_EQ(FolderEntries(Root),
            (std::vector<std::string>{"Quorvant.ini", "config", "data", "home"}));
}

TEST_F(ParamSave, LinkToAFifoOrFolderIsNeverReplaced) {
  ASSERT_EQ(mkfifo((Root + "/fifo").c_str(), 0600), 0);
  fs::create_directory(Root + "/folder");
  for (const char* Behind : {"fifo", "folder"}) {
    fs::remove(Root + "/Quorvant.ini");
    fs::create_symlink(Root + "/" + Behind, Root + "/Quorvant.ini");
    TParameter P;
    Aim(P);
    P.Add(QStringLiteral("Left=1"));
    EXPECT_THROW(P.Save(), EFCreateError) << Behind;
    EXPECT_TRUE(fs::is_symlink(Root + "/Quorvant.ini")) << Behind;
  }
  EXPECT_TRUE(fs::is_fifo(Root + "/fifo"));
  EXPECT_TRUE(fs::is_directory(Root + "/folder"));
  EXPECT_EQ(FolderEntries(Root),
            (std::vector<std::string>{"Quorvant.ini", "config", "data", "fifo", "folder", "home"}));
}

TEST_F(ParamSave, SaveKeepsTheUsersFilesNamedLikeTemporaries) {
  // Private files of the user's, named as the temporaries of older saves were.
  for (const char* Name : {"/Quorvant.ini.a1B2c3", "/Quorvant.ini.backup"}) {
    WriteBytes(Root + Name, "the user's own");
    ASSERT_EQ(chmod((Root + Name).c_str(), 0600), 0);
  }
  TParameter P;
  Aim(P);
  P.Add(QStringLiteral("A=1"));
  P.Save();
  EXPECT_EQ(FolderEntries(Root),
            (std::vector<std::string>{"Quorvant.ini", "Quorvant.ini.a1B2c3", "Quorvant.ini.backup",
                                      "config", "data", "home"}));
  EXPECT_EQ(ReadBytes(Root + "/Quorvant.ini.a1B2c3"), "the user's own");
}

TEST_F(ParamSave, UnwritableFileSystemRaisesCreateError) {
  TParameter P;
  P.SetDir(QStringLiteral("/proc"));
  P.SetFileName(QStringLiteral("Quorvant.ini"));
  EXPECT_EQ(MessageOf<EFCreateError>([&] { P.Save(); }),
            "ファイル /proc/Quorvant.ini を作成できません");
}

// ---- GetLongPath ---------------------------------------------------------------------

TEST_F(ParamLongPath, RootAloneIsItsOwnLongForm) {
  QString Long = QStringLiteral("unset");
  EXPECT_TRUE(GetLongPath(QStringLiteral("/"), Long));
  EXPECT_EQ(Long, QStringLiteral("/"));
}

TEST_F(ParamLongPath, EveryComponentTakesItsStoredCase) {
  fs::create_directories(Root + "/Alpha/Beta Gamma");
  WriteBytes(Root + "/Alpha/Beta Gamma/Data.BIN", "x");
  QString Long;
  ASSERT_TRUE(GetLongPath(Q(Root + "/ALPHA/beta gamma/data.bin"), Long));
  EXPECT_EQ(Long, Q(Root + "/Alpha/Beta Gamma/Data.BIN"));
  ASSERT_TRUE(GetLongPath(Q(Root + "/alpha"), Long));
  EXPECT_EQ(Long, Q(Root + "/Alpha"));
}

TEST_F(ParamLongPath, ExactNameWinsThenFirstInNameOrder) {
  WriteBytes(Root + "/readme", "1");
  WriteBytes(Root + "/README", "2");
  WriteBytes(Root + "/ReadMe", "3");
  QString Long;
  ASSERT_TRUE(GetLongPath(Q(Root + "/ReadMe"), Long));
  EXPECT_EQ(Long, Q(Root + "/ReadMe"));
  ASSERT_TRUE(GetLongPath(Q(Root + "/readme"), Long));
  EXPECT_EQ(Long, Q(Root + "/readme"));
  ASSERT_TRUE(GetLongPath(Q(Root + "/rEADME"), Long));
  EXPECT_EQ(Long, Q(Root + "/README"));
}

TEST_F(ParamLongPath, WildcardsTakeTheFirstMatchInNameOrder) {
  fs::create_directory(Root + "/w");
  for (const char* Name : {"data2.bin", "data1.bin", "Data0.txt", "data10.bin"})
    WriteBytes(Root + "/w/" + Name, "x");
  QString Long;
  ASSERT_TRUE(GetLongPath(Q(Root + "/w/DATA?.BIN"), Long));
  EXPECT_EQ(Long, Q(Root + "/w/data1.bin"));
  ASSERT_TRUE(GetLongPath(Q(Root + "/w/*.txt"), Long));
  EXPECT_EQ(Long, Q(Root + "/w/Data0.txt"));
  ASSERT_TRUE(GetLongPath(Q(Root + "/w/d*0.b*"), Long));
  EXPECT_EQ(Long, Q(Root + "/w/data10.bin"));
  EXPECT_FALSE(GetLongPath(Q(Root + "/w/data?.txt.*"), Long));
  EXPECT_FALSE(GetLongPath(Q(Root + "/w/data???.bin"), Long));
}

TEST_F(ParamLongPath, RefusedFormsGiveFalseAndLeaveTheOutput) {
  fs::create_directories(Root + "/a/b");
  WriteBytes(Root + "/a/file", "x");
  QString Long = QStringLiteral("unset");
  EXPECT_FALSE(GetLongPath(Q(Root + "/a/"), Long));
  EXPECT_FALSE(GetLongPath(QStringLiteral("a/b"), Long));
  EXPECT_FALSE(GetLongPath(QString(), Long));
  EXPECT_FALSE(GetLongPath(Q(Root + "/a/../a"), Long));
  EXPECT_FALSE(GetLongPath(Q(Root + "/a/./b"), Long));
  EXPECT_FALSE(GetLongPath(Q(Root + "//a"), Long));
  EXPECT_FALSE(GetLongPath(Q(Root + "/a/missing"), Long));
  EXPECT_FALSE(GetLongPath(Q(Root + "/a/file/b"), Long));
  EXPECT_EQ(Long, QStringLiteral("unset"));
}

TEST_F(ParamLongPath, LinksKeepTheirOwnNames) {
  fs::create_directories(Root + "/Target/Inner");
  fs::create_directory_symlink(Root + "/Target", Root + "/Link");
  fs::create_symlink(Root + "/nowhere", Root + "/Dangling");
  QString Long;
  ASSERT_TRUE(GetLongPath(Q(Root + "/link/INNER"), Long));
  EXPECT_EQ(Long, Q(Root + "/Link/Inner"));
  ASSERT_TRUE(GetLongPath(Q(Root + "/dangling"), Long));
  EXPECT_EQ(Long, Q(Root + "/Dangling"));
}

TEST_F(ParamLongPath, NeverProducesAPathThatIsNotThere) {
  // A name that is not UTF-8 cannot be given back as text; a NUL would cut the
  // path short at the system.
  fs::create_directory(Root + "/n");
  WriteBytes(Root + "/n/\xFF", "x");
  WriteBytes(Root + "/a", "x");
  QString Long = QStringLiteral("unset");
  EXPECT_FALSE(GetLongPath(Q(Root + "/n/?"), Long));
  EXPECT_FALSE(GetLongPath(Q(Root) + QStringLiteral("/a") + QChar(0) + QStringLiteral("b"), Long));
  EXPECT_EQ(Long, QStringLiteral("unset"));
}

// ---- GetSpecialFolderPath ------------------------------------------------------------

TEST_F(ParamSpecialFolder, DesktopFollowsTheUserDirectories) {
  WriteBytes(Root + "/config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
  EXPECT_EQ(GetSpecialFolderPath(0x0010), QString());  // not there yet
  fs::create_directory(Root + "/home/Schreibtisch");
  EXPECT_EQ(GetSpecialFolderPath(0x0000), Q(Root + "/home/Schreibtisch"));
  EXPECT_EQ(GetSpecialFolderPath(0x0010), Q(Root + "/home/Schreibtisch"));
}

TEST_F(ParamSpecialFolder, StartMenuAndProgramsAreTheApplicationsFolder) {
  EXPECT_EQ(GetSpecialFolderPath(0x0002), QString());
  fs::create_directory(Root + "/data/applications");
  for (int Folder : {0x0002, 0x000B, 0x0016, 0x0017})
    EXPECT_EQ(GetSpecialFolderPath(Folder), Q(Root + "/data/applications")) << Folder;
}

TEST_F(ParamSpecialFolder, StartupIsTheAutostartFolder) {
  EXPECT_EQ(GetSpecialFolderPath(0x0007), QString());
  fs::create_directory(Root + "/config/autostart");
  EXPECT_EQ(GetSpecialFolderPath(0x0007), Q(Root + "/config/autostart"));
  EXPECT_EQ(GetSpecialFolderPath(0x0018), Q(Root + "/config/autostart"));
}

TEST_F(ParamSpecialFolder, DocumentsApplicationDataAndProfile) {
  fs::create_directory(Root + "/home/Documents");
  EXPECT_EQ(GetSpecialFolderPath(0x0005), Q(Root + "/home/Documents"));
  EXPECT_EQ(GetSpecialFolderPath(0x001A), Q(Root + "/config"));
  EXPECT_EQ(GetSpecialFolderPath(0x001C), Q(Root + "/config"));
  EXPECT_EQ(GetSpecialFolderPath(0x0028), Q(Root + "/home"));
}

TEST_F(ParamSpecialFolder, VirtualAndUnknownFoldersAreEmpty) {
  // control panel, printers, recycle bin, drives, network; then nonsense.
  for (int Folder : {0x0003, 0x0004, 0x000A, 0x0011, 0x0012, 0x00FF, 0x8010, -1})
    EXPECT_EQ(GetSpecialFolderPath(Folder), QString()) << Folder;
}

// ---- CreateLink, DeleteLink and the store's shortcuts -----------------------------------

TEST_F(ParamLink, DesktopEntryIsWrittenExactlyAndExecutable) {
  ASSERT_TRUE(
      CreateLink(QStringLiteral("/opt/My Tools/quorvant"), Q(Root), QStringLiteral("Quorvant")));
  const std::string Path = Root + "/Quorvant.desktop";
  EXPECT_EQ(ReadBytes(Path),
            "[Desktop Entry]\nType=Application\nName=Quorvant\n"
            "Exec=\"/opt/My Tools/quorvant\"\nPath=/opt/My Tools\n");
  struct stat Info {};
  ASSERT_EQ(stat(Path.c_str(), &Info), 0);
  EXPECT_NE(Info.st_mode & S_IXUSR, 0u);
  if (Info.st_mode & S_IROTH) {
    EXPECT_NE(Info.st_mode & S_IXOTH, 0u);
  }
}

TEST_F(ParamLink, ExecQuotesAndEscapesReservedCharacters) {
  ASSERT_TRUE(
      CreateLink(QStringLiteral("/opt/a$b/c\"d%e\\f`g"), Q(Root + "/"), QStringLiteral("Odd")));
  EXPECT_EQ(ReadBytes(Root + "/Odd.desktop"),
            "[Desktop Entry]\nType=Application\nName=Odd\n"
            "Exec=\"/opt/a\\\\$b/c\\\\\"d%%e\\\\\\\\f\\\\`g\"\nPath=/opt/a$b\n");
}

TEST_F(ParamLink, ExistingEntryIsReplaced) {
  WriteBytes(Root + "/Q.desktop", std::string(500, 'x'));
  ASSERT_TRUE(CreateLink(QStringLiteral("/q"), Q(Root), QStringLiteral("Q")));
  EXPECT_EQ(ReadBytes(Root + "/Q.desktop"),
            "[Desktop Entry]\nType=Application\nName=Q\nExec=\"/q\"\nPath=/\n");
}

TEST_F(ParamLink, RefusedArgumentsGiveFalseAndWriteNothing) {
  EXPECT_FALSE(CreateLink(QString(), Q(Root), QStringLiteral("Q")));
  EXPECT_FALSE(CreateLink(QStringLiteral("/q"), QString(), QStringLiteral("Q")));
  EXPECT_FALSE(CreateLink(QStringLiteral("/q"), Q(Root), QString()));
  EXPECT_FALSE(CreateLink(QStringLiteral("/q"), Q(Root), QStringLiteral("../Q")));
  EXPECT_FALSE(CreateLink(QStringLiteral("/q"), Q(Root + "/missing"), QStringLiteral("Q")));
  fs::create_directory(Root + "/Dir.desktop");
  EXPECT_FALSE(CreateLink(QStringLiteral("/q"), Q(Root), QStringLiteral("Dir")));
  EXPECT_EQ(FolderEntries(Root),
            (std::vector<std::string>{"Dir.desktop", "config", "data", "home"}));
}

TEST_F(ParamLink, DeleteRemovesTheEntryOnce) {
  ASSERT_TRUE(CreateLink(QStringLiteral("/q"), Q(Root), QStringLiteral("Q")));
  EXPECT_TRUE(DeleteLink(Q(Root + "/"), QStringLiteral("Q")));
  EXPECT_FALSE(fs::exists(Root + "/Q.desktop"));
  EXPECT_FALSE(DeleteLink(Q(Root), QStringLiteral("Q")));
  EXPECT_FALSE(DeleteLink(QString(), QStringLiteral("Q")));
  EXPECT_FALSE(DeleteLink(Q(Root), QString()));
  fs::create_directory(Root + "/home/x.desktop");
  EXPECT_FALSE(DeleteLink(Q(Root), QStringLiteral("home/x")));
  fs::create_directory(Root + "/Dir.desktop");
  EXPECT_FALSE(DeleteLink(Q(Root), QStringLiteral("Dir")));
  EXPECT_TRUE(fs::is_directory(Root + "/Dir.desktop"));
  EXPECT_TRUE(fs::is_directory(Root + "/home/x.desktop"));
}

TEST_F(ParamLink, StoreShortcutGoesToTheSpecialFolder) {
  TParameter P;
  P.SetExeName(QStringLiteral("/opt/quorvant/Quorvant"));
  EXPECT_FALSE(P.CreateShortcut(0x0010, QStringLiteral("Quorvant")));  // no desktop folder
  fs::create_directory(Root + "/home/Desktop");
  ASSERT_TRUE(P.CreateShortcut(0x0010, QStringLiteral("Quorvant")));
  EXPECT_EQ(ReadBytes(Root + "/home/Desktop/Quorvant.desktop"),
            "[Desktop Entry]\nType=Application\nName=Quorvant\n"
            "Exec=\"/opt/quorvant/Quorvant\"\nPath=/opt/quorvant\n");
  EXPECT_TRUE(P.DeleteShortcut(0x0010, QStringLiteral("Quorvant")));
  EXPECT_FALSE(fs::exists(Root + "/home/Desktop/Quorvant.desktop"));
  EXPECT_FALSE(P.DeleteShortcut(0x0010, QStringLiteral("Quorvant")));
  EXPECT_FALSE(P.CreateShortcut(0x0003, QStringLiteral("Quorvant")));
  TParameter NoExe;
  EXPECT_FALSE(NoExe.CreateShortcut(0x0010, QStringLiteral("Quorvant")));
}

}  // namespace
