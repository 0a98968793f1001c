// quorvant-cli as a user runs it: the program (path in QUORVANT_CLI) started
// with arguments, its output and exit code checked.
#include "AbracadabraGolden.h"
#include "CodeFile.h"
#include "DecoderSource.h"
#include "Designer.h"
#include "Document.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

// ---- running the program ------------------------------------------------------

struct TRun {
  int Exit = -1;
  std::string Out;
  std::string Err;
};

std::string ReadWhole(const fs::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::ostringstream S;
  S << In.rdbuf();
  return S.str();
}

void WriteWhole(const fs::path& Path, const std::string& Bytes) {
  std::ofstream(Path, std::ios::binary) << Bytes;
}

// Runs Program with Args (looked up in PATH when it has no slash); standard
// input from StdinFile (or /dev/null), standard output to StdoutFile (or a
// file read back into Out); Env entries override the environment.
TRun RunProgram(const fs::path& Dir, const std::string& Program,
                const std::vector<std::string>& Args,
                const std::map<std::string, std::string>& Env = {},
                const std::string& StdinFile = "/dev/null", const std::string& StdoutFile = "") {
  static int Serial = 0;
  const fs::path OutFile = Dir / (".out" + std::to_string(++Serial));
  const fs::path ErrFile = Dir / (".err" + std::to_string(Serial));
  std::vector<std::string> Environment;
  for (char** E = environ; *E; ++E) {
    const std::string Entry = *E;
    if (!Env.count(Entry.substr(0, Entry.find('=')))) Environment.push_back(Entry);
  }
  for (const auto& [Name, Value] : Env) Environment.push_back(Name + "=" + Value);
  std::vector<char*> Argv{const_cast<char*>(Program.c_str())};
  for (const auto& A : Args) Argv.push_back(const_cast<char*>(A.c_str()));
  Argv.push_back(nullptr);
  std::vector<char*> Envp;
  for (auto& E : Environment) Envp.push_back(E.data());
  Envp.push_back(nullptr);

  const pid_t Pid = ::fork();
  if (Pid == 0) {
    const int In = ::open(StdinFile.c_str(), O_RDONLY);
    const int Out = StdoutFile.empty() ? ::open(OutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600)
                                       : ::open(StdoutFile.c_str(), O_WRONLY | O_NOCTTY);
    const int Err = ::open(ErrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (In < 0 || Out < 0 || Err < 0) ::_exit(126);
    ::dup2(In, 0);
    ::dup2(Out, 1);
    ::dup2(Err, 2);
    if (::chdir(Dir.c_str()) != 0) ::_exit(126);
    ::execvpe(Program.c_str(), Argv.data(), Envp.data());
    ::_exit(127);
  }
  TRun R;
  int Status = 0;
  ::waitpid(Pid, &Status, 0);
  R.Exit = WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
  R.Out = ReadWhole(OutFile);
  R.Err = ReadWhole(ErrFile);
  fs::remove(OutFile);
  fs::remove(ErrFile);
  return R;
}

// QUORVANT_CLI, else the program where the build puts it: bin/ beside the
// folder of this test's executable.
std::string CliPath() {
  if (const char* P = std::getenv("QUORVANT_CLI"); P && *P) return P;
  std::error_code Error;
  const fs::path Self = fs::read_symlink("/proc/self/exe", Error);
  if (Error) return "";
  const fs::path Beside = Self.parent_path().parent_path() / "bin" / "quorvant-cli";
  return fs::exists(Beside) ? Beside.string() : "";
}

// ---- independent helpers --------------------------------------------------------

std::string Words(const std::vector<int64_t>& Values) {
  std::string Bytes;
  for (int64_t V : Values) {
    const uint32_t U = static_cast<uint32_t>(V);
    for (int Shift = 0; Shift < 32; Shift += 8) Bytes += static_cast<char>(U >> Shift);
  }
  return Bytes;
}

std::string WithoutCr(const std::string& Text) {
  std::string Out;
  for (char C : Text)
    if (C != '\r') Out += C;
  return Out;
}

// The views of "abracadabra" opened as abra.txt, as the window shows them.
const std::string& AbraHead = AbracadabraGolden::ViewHead;
const std::string& AbraDistribution = AbracadabraGolden::DistributionView;
const std::string& AbraArrays = AbracadabraGolden::ArrayView;

// A small strict JSON reader, enough to read the stats object back.
struct TJson {
  enum TKind { Null, Bool, Number, String, Object, Array } Kind = Null;
  bool B = false;
  double N = 0;
  std::string S;
  std::map<std::string, TJson> Members;
  std::vector<TJson> Items;
};

class TJsonReader {
public:
  explicit TJsonReader(const std::string& Text) : T(Text) {}
  bool Read(TJson& Value) {
    if (!ReadValue(Value)) return false;
    Space();
    return P == T.size();
  }

private:
  void Space() {
    while (P < T.size() && (T[P] == ' ' || T[P] == '\n' || T[P] == '\r' || T[P] == '\t')) ++P;
  }
  bool Literal(const char* Word) {
    const size_t L = std::strlen(Word);
    if (T.compare(P, L, Word) != 0) return false;
    P += L;
    return true;
  }
  bool ReadString(std::string& S) {
    if (T[P] != '"') return false;
    ++P;
    while (P < T.size() && T[P] != '"') {
      const unsigned char C = static_cast<unsigned char>(T[P]);
      if (C < 0x20) return false;
      if (C != '\\') {
        S += T[P++];
        continue;
      }
      if (++P >= T.size()) return false;
      const char E = T[P++];
      if (E == 'u') {
        if (P + 4 > T.size()) return false;
        const unsigned Code = static_cast<unsigned>(std::stoul(T.substr(P, 4), nullptr, 16));
        P += 4;
        if (Code >= 0x80) return false;  // the writer escapes only controls
        S += static_cast<char>(Code);
      } else if (E == '"' || E == '\\' || E == '/') {
        S += E;
      } else if (E == 'n') {
        S += '\n';
      } else {
        return false;
      }
    }
    if (P >= T.size()) return false;
    ++P;
    return true;
  }
  bool ReadValue(TJson& V) {
    Space();
    if (P >= T.size()) return false;
    const char C = T[P];
    if (C == '{') {
      V.Kind = TJson::Object;
      ++P;
      Space();
      if (P < T.size() && T[P] == '}') return ++P, true;
      for (;;) {
        Space();
        std::string Key;
        if (P >= T.size() || !ReadString(Key)) return false;
        Space();
        if (P >= T.size() || T[P++] != ':') return false;
        TJson Member;
        if (!ReadValue(Member) || V.Members.count(Key)) return false;
        V.Members[Key] = Member;
        Space();
        if (P >= T.size()) return false;
        if (T[P] == ',') {
          ++P;
          continue;
        }
        if (T[P] == '}') return ++P, true;
        return false;
      }
    }
    if (C == '[') {
      V.Kind = TJson::Array;
      ++P;
      Space();
      if (P < T.size() && T[P] == ']') return ++P, true;
      for (;;) {
        TJson Item;
        if (!ReadValue(Item)) return false;
        V.Items.push_back(Item);
        Space();
        if (P >= T.size()) return false;
        if (T[P] == ',') {
          ++P;
          continue;
        }
        if (T[P] == ']') return ++P, true;
        return false;
      }
    }
    if (C == '"') {
      V.Kind = TJson::String;
      return ReadString(V.S);
    }
    if (Literal("null")) return V.Kind = TJson::Null, true;
    if (Literal("true")) return V.Kind = TJson::Bool, V.B = true, true;
    if (Literal("false")) return V.Kind = TJson::Bool, V.B = false, true;
    const size_t Start = P;
    if (P < T.size() && T[P] == '-') ++P;
    while (P < T.size() && (std::isdigit(static_cast<unsigned char>(T[P])) || T[P] == '.' ||
                            T[P] == 'e' || T[P] == 'E' || T[P] == '+' || T[P] == '-'))
      ++P;
    if (Start == P) return false;
    V.Kind = TJson::Number;
    size_t Used = 0;
    V.N = std::stod(T.substr(Start, P - Start), &Used);
    return Used == P - Start;
  }

  const std::string& T;
  size_t P = 0;
};

// ---- fixture --------------------------------------------------------------------

class QuorvantCli : public ::testing::Test {
protected:
  void SetUp() override {
    Cli = CliPath();
    ASSERT_FALSE(Cli.empty()) << "QUORVANT_CLI is not set and no bin/quorvant-cli was found";
    const char* Base = std::getenv("TMPDIR");
    std::string Pattern = std::string(Base && *Base ? Base : "/tmp") + "/qvcli-XXXXXX";
    ASSERT_NE(::mkdtemp(Pattern.data()), nullptr);
    Dir = Pattern;
  }
  void TearDown() override {
    std::error_code Ignored;
    fs::permissions(Dir, fs::perms::owner_all, Ignored);
    fs::remove_all(Dir, Ignored);
  }

  // The program in the C locale, in this test's folder.
  TRun Cli_(const std::vector<std::string>& Args, const std::string& Stdin = "/dev/null",
            const std::map<std::string, std::string>& Extra = {}, const std::string& Stdout = "") {
    std::map<std::string, std::string> Env{
        {"LC_ALL", "C"}, {"LANG", "C"}, {"TMPDIR", Dir.string()}};
    for (const auto& [K, V] : Extra) Env[K] = V;
    return RunProgram(Dir, Cli, Args, Env, Stdin, Stdout);
  }

  std::string File(const std::string& Name, const std::string& Bytes) {
    WriteWhole(Dir / Name, Bytes);
    return (Dir / Name).string();
  }

  // The texts the window shows for Path: its own open road.
  TDocument WindowDocument(const std::string& Path, bool Extended, char Separator = '.') {
    THuffman H;
    TDocument Doc;
    const TOpenResult R = OpenDocumentFile(Path, Extended, H, Doc, Separator);
    EXPECT_EQ(R.Status, TOpenStatus::Opened);
    return Doc;
  }

  // Names in Dir other than the given ones (left-over temporaries).
  std::vector<std::string> Strays(const std::vector<std::string>& Known) {
    std::vector<std::string> Found;
    for (const auto& E : fs::directory_iterator(Dir)) {
      const std::string Name = E.path().filename().string();
      if (std::find(Known.begin(), Known.end(), Name) == Known.end()) Found.push_back(Name);
    }
    return Found;
  }

  std::string Cli;
  fs::path Dir;
};

// ---- views ----------------------------------------------------------------------

TEST_F(QuorvantCli, AbracadabraViewsAreTheWindowsTexts) {
  const std::string Path = File("abra.txt", "abracadabra");
  const TDocument Doc = WindowDocument(Path, false);
  const TRun D = Cli_({"distribution", Path});
  const TRun A = Cli_({"arrays", Path});
  const TRun T = Cli_({"table", "abra.txt"});  // relative: the same name line
  ASSERT_EQ(D.Exit, 0) << D.Err;
  ASSERT_EQ(A.Exit, 0) << A.Err;
  ASSERT_EQ(T.Exit, 0) << T.Err;
  EXPECT_EQ(D.Out, AbraDistribution);
  EXPECT_EQ(A.Out, AbraArrays);
  EXPECT_EQ(D.Out, Doc.Texts.HuffmanText);
  EXPECT_EQ(A.Out, Doc.Texts.ArrayText);
  EXPECT_EQ(T.Out, Doc.Texts.TableText);
  EXPECT_NE(T.Out.find("      97  =  $61     |        5  =  $5\r\n"), std::string::npos);
  EXPECT_TRUE(D.Err.empty());
}

TEST_F(QuorvantCli, LfOptionChangesOnlyTheLineEnds) {
  const std::string Path = File("abra.txt", "abracadabra");
  const TRun D = Cli_({"distribution", "--lf", Path});
  const TRun T = Cli_({"table", Path, "--lf"});
  ASSERT_EQ(D.Exit, 0);
  EXPECT_EQ(D.Out, WithoutCr(AbraDistribution));
  EXPECT_EQ(T.Out, WithoutCr(WindowDocument(Path, false).Texts.TableText));
}

TEST_F(QuorvantCli, DecimalSeparatorFollowsTheLocale) {
  const std::string Path = File("abra.txt", "abracadabra");
  const TRun D = Cli_({"distribution", Path}, "/dev/null", {{"LC_ALL", "de_DE.UTF-8"}});
  ASSERT_EQ(D.Exit, 0) << D.Err;
  EXPECT_EQ(D.Out, WindowDocument(Path, false, ',').Texts.HuffmanText);
  EXPECT_NE(D.Out.find("= 26,1 %"), std::string::npos);
}

TEST_F(QuorvantCli, ExtendedTableIsReadWithTheWindowsRules) {
  std::vector<int64_t> Table(300, 0);
  Table[0] = 40;
  Table[7] = 1048576;
  Table[299] = 3;
  const std::string Path = File("table.bin", Words(Table));
  const TDocument Doc = WindowDocument(Path, true);
  for (const auto& [Command, Text] :
       {std::pair{"distribution", Doc.Texts.HuffmanText}, std::pair{"arrays", Doc.Texts.ArrayText},
        std::pair{"table", Doc.Texts.TableText}}) {
    const TRun R = Cli_({Command, "--32bit", Path});
    ASSERT_EQ(R.Exit, 0) << R.Err;
    EXPECT_EQ(R.Out, Text) << Command;
    EXPECT_TRUE(R.Err.empty());
  }
}

TEST_F(QuorvantCli, UnqualifiedTableFallsBackWithTheWindowsMessage) {
  const std::string Path = File("text.txt", "not a table, a text of 41 bytes in all..");
  const std::string Word = Words({1048577});
  const std::string Bad = File("bad.bin", Words({1, 2}) + Word);
  for (const std::string& P : {Path, Bad}) {
    const TRun R = Cli_({"distribution", "--32bit", P});
    ASSERT_EQ(R.Exit, 0) << R.Err;
    EXPECT_EQ(R.Err, "\r\nファイル " + P +
                         "\r\n\r\nに含まれるデータは 32 bit の拡張データとして扱えない特性\r\n\r\n"
                         "を持っていますので、8 bit の通常データとして扱います。\r\n");
    EXPECT_EQ(R.Out, WindowDocument(P, false).Texts.HuffmanText);
  }
}

TEST_F(QuorvantCli, DataNameNamesTheArrays) {
  const std::string Path = File("abra.txt", "abracadabra");
  const TRun R = Cli_({"arrays", Path, "--name", "一致長"});
  ASSERT_EQ(R.Exit, 0) << R.Err;
  EXPECT_EQ(R.Out,
            AbraHead +
                "  // データを LZ77 符号化した時の一致データの一致長のハフマン分布の BitPattern\r\n"
                "  mlPat: array[0..4] of Byte = (\r\n"
                "  0, 1, 3, 7, 5);\r\n"
                "\r\n"
                "  // データを LZ77 符号化した時の一致データの一致長のハフマン分布の BitLength\r\n"
                "  mlLen: array[0..4] of Byte = (\r\n"
                "  1, 3, 3, 3, 3);\r\n");
  const TRun D = Cli_({"arrays", Path, "--name=一致位置のビット数"});
  ASSERT_EQ(D.Exit, 0);
  EXPECT_NE(D.Out.find("  diPat: array[0..4] of Byte = ("), std::string::npos);
}

TEST_F(QuorvantCli, AllZeroTableShowsThatNoCodeExists) {
  const std::string Path = File("zero.bin", Words({0, 0, 0}));
  const TRun R = Cli_({"arrays", "--32bit", Path});
  ASSERT_EQ(R.Exit, 0);
  EXPECT_EQ(R.Out,
            "ファイル名 = zero.bin\r\n\r\nハフマン符号が作成出来ない為、\r\n\r\n"
            "ハフマン配列は表示出来ません。");
}

TEST_F(QuorvantCli, RefusedOpensExitOneWithTheWindowsMessages) {
  const std::string Missing = (Dir / "missing.txt").string();
  TRun R = Cli_({"table", Missing});
  EXPECT_EQ(R.Exit, 1);
  EXPECT_EQ(R.Err, "quorvant-cli: " + Missing + " は見つかりません。\n");
  EXPECT_TRUE(R.Out.empty());

  const std::string Empty = File("empty.bin", "");
  R = Cli_({"distribution", Empty});
  EXPECT_EQ(R.Exit, 1);
  EXPECT_EQ(R.Err, "quorvant-cli: " + Empty + ": サイズが 0 のファイルは表示出来ません。\n");

  const std::string Huge = File("huge.bin", "");
  ASSERT_EQ(::truncate(Huge.c_str(), 2147483648LL), 0);  // sparse
  R = Cli_({"distribution", Huge});
  EXPECT_EQ(R.Exit, 1);
  EXPECT_EQ(R.Err, "quorvant-cli: " + Huge + " は大きすぎて表示出来ません。\n");
}

TEST_F(QuorvantCli, FolderIsNamedAsAFolder) {
  const std::string Folder = Dir.string();
  for (const char* Command : {"stats", "table", "distribution", "arrays", "encode", "decode"}) {
    std::vector<std::string> Args{Command, Folder};
    if (Args[0] == "encode" || Args[0] == "decode") Args.push_back((Dir / "out").string());
    const TRun R = Cli_(Args);
    EXPECT_EQ(R.Exit, 1) << Command;
    EXPECT_EQ(R.Err, "quorvant-cli: " + Folder + ": is a folder\n") << Command;
  }
  EXPECT_FALSE(fs::exists(Dir / "out"));
}

TEST_F(QuorvantCli, UnreadableFileIsNamed) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  const std::string Path = File("locked.txt", "data");
  ASSERT_EQ(::chmod(Path.c_str(), 0), 0);
  const TRun R = Cli_({"table", Path});
  EXPECT_EQ(R.Exit, 1);
  EXPECT_NE(R.Err.find("ファイル " + Path + " は開けません"), std::string::npos);
}

TEST_F(QuorvantCli, PipeIsRefusedInsteadOfWaitedOn) {
  const std::string Path = (Dir / "pipe").string();
  ASSERT_EQ(::mkfifo(Path.c_str(), 0600), 0);
  const TRun R = Cli_({"stats", Path});
  EXPECT_EQ(R.Exit, 1);
  EXPECT_EQ(R.Err, "quorvant-cli: ファイル " + Path + " は開けません\n");
}

// ---- arrays in C ------------------------------------------------------------------

TEST_F(QuorvantCli, CArraysOfSixteenValuesALine) {
  std::vector<int64_t> Table(17, 1);
  const TRun R = Cli_({"arrays", "--32bit", "--lang=c", "--lf", File("t.bin", Words(Table))});
  ASSERT_EQ(R.Exit, 0) << R.Err;
  EXPECT_EQ(R.Out.find('\r'), std::string::npos);
  const size_t Open = R.Out.find("BitLength[17] = {\n");
  ASSERT_NE(Open, std::string::npos);
  const std::string Body = R.Out.substr(Open + 18);
  const std::string FirstLine = Body.substr(0, Body.find('\n'));
  EXPECT_EQ(std::count(FirstLine.begin(), FirstLine.end(), ','), 16);  // 16 values, then ","
  EXPECT_EQ(FirstLine.substr(0, 2), "  ");
}

TEST_F(QuorvantCli, CArraysWithoutACodeFail) {
  const std::string Path = File("zero.bin", Words({0, 0}));
  const TRun R = Cli_({"arrays", "--32bit", "--lang", "c", Path});
  EXPECT_EQ(R.Exit, 1);
  EXPECT_TRUE(R.Out.empty());
  EXPECT_NE(R.Err.find(Path), std::string::npos);
}

// ---- stats ---------------------------------------------------------------------------

TEST_F(QuorvantCli, StatsJsonReadsBack) {
  const std::string Path = File("abra.txt", "abracadabra");
  const TRun R = Cli_({"stats", Path, "--json"});
  ASSERT_EQ(R.Exit, 0) << R.Err;
  TJson J;
  ASSERT_TRUE(TJsonReader(R.Out).Read(J)) << R.Out;
  ASSERT_EQ(J.Kind, TJson::Object);
  const auto& M = J.Members;
  EXPECT_EQ(M.at("file").S, Path);
  EXPECT_EQ(M.at("mode").S, "8bit");
  EXPECT_EQ(M.at("data_count").N, 115);
  EXPECT_EQ(M.at("distinct_values").N, 5);
  EXPECT_EQ(M.at("total").N, 11);
  EXPECT_EQ(M.at("longest_code").N, 3);
  EXPECT_NEAR(M.at("average_bits").N, 23.0 / 11, 1e-9);
  EXPECT_EQ(M.at("compression_ratio_text").S, "26.1");
  EXPECT_NEAR(M.at("compression_ratio").N, 2300.0 / 88, 1e-9);
  // Entropy of 5, 2, 2, 1, 1 out of 11, worked out here.
  double Entropy = 0;
  for (double F : {5.0, 2.0, 2.0, 1.0, 1.0}) Entropy -= F / 11 * std::log2(F / 11);
  EXPECT_NEAR(M.at("entropy_bits").N, Entropy, 1e-9);
  EXPECT_NEAR(M.at("above_entropy_bits").N, 23.0 / 11 - Entropy, 1e-9);
  EXPECT_EQ(M.at("fell_back").Kind, TJson::Bool);
  EXPECT_FALSE(M.at("fell_back").B);
  EXPECT_EQ(M.at("kraft_sum").N, 1);  // a complete code
  ASSERT_EQ(M.at("files").Items.size(), 1u);
  EXPECT_EQ(M.at("files").Items[0].S, Path);
  EXPECT_EQ(M.count("max_bits"), 0u);
  TJson Single;
  ASSERT_TRUE(TJsonReader(Cli_({"stats", "--json", File("aa", "aaaa")}).Out).Read(Single));
  EXPECT_EQ(Single.Members.at("kraft_sum").N, 0.5);
}

TEST_F(QuorvantCli, StatsJsonKeepsOddFileNamesReadable) {
  const std::string Name = std::string("q\"b\\n\nx\xff.txt");
  const std::string Path = File(Name, "aab");
  const TRun R = Cli_({"stats", "--json", Path});
  ASSERT_EQ(R.Exit, 0) << R.Err;
  TJson J;
  ASSERT_TRUE(TJsonReader(R.Out).Read(J)) << R.Out;
  EXPECT_EQ(J.Members.at("file").S, (Dir / "q\"b\\n\nx\xEF\xBF\xBD.txt").string());
}

TEST_F(QuorvantCli, StatsWithoutACodeAreNull) {
  std::vector<int64_t> Table(300, 0);
  Table[299] = 5;  // beyond the code
  const TRun R = Cli_({"stats", "--32bit", "--json", File("far.bin", Words(Table))});
  ASSERT_EQ(R.Exit, 0) << R.Err;
  TJson J;
  ASSERT_TRUE(TJsonReader(R.Out).Read(J)) << R.Out;
  EXPECT_EQ(J.Members.at("mode").S, "32bit");
  EXPECT_EQ(J.Members.at("data_count").N, 300);
  EXPECT_EQ(J.Members.at("total").N, 5);
  EXPECT_EQ(J.Members.at("coded_total").N, 0);
  for (const char* Key : {"average_bits", "compression_ratio", "compression_ratio_text",
                          "entropy_bits", "longest_code"})
    EXPECT_EQ(J.Members.at(Key).Kind, TJson::Null) << Key;
}

TEST_F(QuorvantCli, StatsTextShowsTheWindowsRatio) {
  const TRun R = Cli_({"stats", File("abra.txt", "abracadabra")});
  ASSERT_EQ(R.Exit, 0);
  EXPECT_NE(R.Out.find("compression ratio: 26.1 %\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("longest code:      3 bits\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("Kraft sum:         1\n"), std::string::npos) << R.Out;
}

// ---- encode, decode ---------------------------------------------------------------------

std::string EngineEncode(const std::string& Data) {
  THuffman H;
  if (!Data.empty()) H.InStream().Write(Data.data(), static_cast<int32_t>(Data.size()));
  H.Encode();
  const auto* P = static_cast<const char*>(H.OutStream().Memory());
  return std::string(P, P + H.OutStream().Size());
}

std::vector<std::string> Samples() {
  std::mt19937 Random(11);
  std::string Noise(70000, '\0');
  for (char& C : Noise) C = static_cast<char>(Random());
  std::string Text;
  const char* Vocabulary[] = {"the ", "code ", "of ", "a ", "Huffman ", "table\n", "bit, "};
  while (Text.size() < 100000) Text += Vocabulary[Random() % 7];
  return {"", "x", "abracadabra", std::string(1000, 'A'), Noise, Text};
}

TEST_F(QuorvantCli, RoundTripThroughFiles) {
  int K = 0;
  for (const std::string& Data : Samples()) {
    const std::string In = File("in" + std::to_string(K), Data);
    const std::string Coded = (Dir / ("coded" + std::to_string(K))).string();
    const std::string Back = (Dir / ("back" + std::to_string(K))).string();
    const TRun E = Cli_({"encode", In, Coded});
    ASSERT_EQ(E.Exit, 0) << E.Err;
    EXPECT_EQ(ReadWhole(Coded), EngineEncode(Data)) << "sample " << K;
    const TRun D = Cli_({"decode", Coded, Back});
    ASSERT_EQ(D.Exit, 0) << D.Err;
    EXPECT_EQ(ReadWhole(Back), Data) << "sample " << K;
    ++K;
  }
  const std::string Abra = ReadWhole(Dir / "coded2");
  EXPECT_EQ(Abra, std::string("\x2C\0\0\0", 4) + "abracadabra");  // stored form
}

TEST_F(QuorvantCli, LargeOutputsRoundTripWhole) {
  // Outputs of 64 MiB and more take another way to the disk; an odd size
  // leaves a tail that is not a whole block.
  std::mt19937 Random(5);
  std::string Data(72 * 1024 * 1024 + 123, ' ');
  for (char& C : Data) C = static_cast<char>('a' + Random() % 7);
  const std::string In = File("big", Data);
  const std::string Coded = (Dir / "big.qv").string();
  const std::string Back = (Dir / "big.back").string();
  TRun R = Cli_({"encode", In, Coded});
  ASSERT_EQ(R.Exit, 0) << R.Err;
  R = Cli_({"decode", Coded, Back});
  ASSERT_EQ(R.Exit, 0) << R.Err;
  ASSERT_EQ(fs::file_size(Back), Data.size());
  EXPECT_TRUE(ReadWhole(Back) == Data);
  EXPECT_TRUE(Strays({"big", "big.qv", "big.back"}).empty());
}

TEST_F(QuorvantCli, RoundTripThroughPipes) {
  const std::string Data = Samples().back();
  const std::string In = File("in", Data);
  const TRun E = Cli_({"encode", "-", "-"}, In);
  ASSERT_EQ(E.Exit, 0) << E.Err;
  EXPECT_EQ(E.Out, EngineEncode(Data));
  EXPECT_LT(E.Out.size(), Data.size());
  const std::string Coded = File("coded", E.Out);
  const TRun D = Cli_({"decode", "-", "-"}, Coded);
  ASSERT_EQ(D.Exit, 0) << D.Err;
  EXPECT_EQ(D.Out, Data);
}

TEST_F(QuorvantCli, DamagedInputFailsAndLeavesOutAlone) {
  const std::string Coded = EngineEncode(std::string(1000, 'A'));
  ASSERT_EQ(Coded.size(), 134u);
  const std::string Out = (Dir / "out").string();

  // One byte short of what the header says.
  const std::string Short = File("short", Coded.substr(0, Coded.size() - 1));
  TRun R = Cli_({"decode", Short, Out});
  EXPECT_EQ(R.Exit, 1);
  EXPECT_EQ(R.Err, "quorvant-cli: " + Short + ": Data error .  Not Huffman encoded data .\n");
  EXPECT_FALSE(fs::exists(Out));

  // A payload bit that no code of the one-leaf code matches.
  std::string Bad = Coded;
  Bad[Bad.size() - 1] = '\xFF';
  const std::string BadFile = File("bad", Bad);
  WriteWhole(Out, "precious");
  R = Cli_({"decode", BadFile, Out});
  EXPECT_EQ(R.Exit, 1);
  EXPECT_EQ(R.Err, "quorvant-cli: " + BadFile + ": Data error .  Can not decode .\n");
  EXPECT_EQ(ReadWhole(Out), "precious");

  // Standard output gets nothing either.
  R = Cli_({"decode", "-", "-"}, BadFile);
  EXPECT_EQ(R.Exit, 1);
  EXPECT_TRUE(R.Out.empty());
  EXPECT_NE(R.Err.find("standard input: Data error"), std::string::npos);

  EXPECT_TRUE(Strays({"short", "bad", "out"}).empty());
}

TEST_F(QuorvantCli, OutputFailuresNameTheFile) {
  const std::string In = File("in", "abc");
  const std::string Out = (Dir / "no-such-folder" / "out").string();
  TRun R = Cli_({"encode", In, Out});
  EXPECT_EQ(R.Exit, 1);
  EXPECT_NE(R.Err.find(Out), std::string::npos);
  R = Cli_({"encode", In, Dir.string()});
  EXPECT_EQ(R.Exit, 1);
  EXPECT_NE(R.Err.find(Dir.string() + ": is a folder"), std::string::npos);
  R = Cli_({"encode", (Dir / "absent").string(), (Dir / "out").string()});
  EXPECT_EQ(R.Exit, 1);
  EXPECT_NE(R.Err.find((Dir / "absent").string()), std::string::npos);
  EXPECT_FALSE(fs::exists(Dir / "out"));
}

TEST_F(QuorvantCli, InputsNoFormCanHoldAreRefusedUnread) {
  const std::string Huge = File("huge", "");
  ASSERT_EQ(::truncate(Huge.c_str(), 2147483648LL), 0);  // sparse
  TRun R = Cli_({"encode", Huge, (Dir / "out").string()});
  EXPECT_EQ(R.Exit, 1);
  EXPECT_EQ(R.Err, "quorvant-cli: " + Huge +
                       ": too large to code: the coded and stored forms hold lengths of 30 bits, "
                       "and this input needs more (Stream size 2147483648 is not within the range "
                       "of 0..2147483647 .)\n");
  R = Cli_({"decode", Huge, (Dir / "out").string()});
  EXPECT_EQ(R.Exit, 1);
  EXPECT_EQ(R.Err, "quorvant-cli: " + Huge + ": Data error .  Not Huffman encoded data .\n");
  EXPECT_FALSE(fs::exists(Dir / "out"));
}

TEST_F(QuorvantCli, EncodeReplacesAnExistingOutputWhole) {
  const std::string In = File("in", "abracadabra");
  const std::string Out = File("out", std::string(5000, 'z'));
  ASSERT_EQ(::chmod(Out.c_str(), 0640), 0);
  const TRun R = Cli_({"encode", In, Out});
  ASSERT_EQ(R.Exit, 0) << R.Err;
  EXPECT_EQ(ReadWhole(Out), EngineEncode("abracadabra"));
  EXPECT_EQ(fs::status(Out).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_TRUE(Strays({"in", "out"}).empty());
}

TEST_F(QuorvantCli, OutputThroughALinkReachesItsTarget) {
  const std::string In = File("in", "abracadabra");
  const std::string Target = File("target", "old");
  fs::create_symlink(Target, Dir / "link");
  const TRun R = Cli_({"encode", In, (Dir / "link").string()});
  ASSERT_EQ(R.Exit, 0) << R.Err;
  EXPECT_TRUE(fs::is_symlink(Dir / "link"));
  EXPECT_EQ(ReadWhole(Target), EngineEncode("abracadabra"));
}

TEST_F(QuorvantCli, DanglingLinksAsOutAreWrittenThroughAndLoopsRefused) {
  const std::string In = File("in.txt", "abracadabra");
  const std::string Coded = File("in.qv", EngineEncode("abracadabra"));
  fs::create_directory(Dir / "sub");
  // Each command writing OUT (named O), and what OUT then holds (a graph:
  // a PNG's signature).
  const std::vector<std::pair<std::vector<std::string>, std::string>> Commands{
      {{"encode", In, "O"}, EngineEncode("abracadabra")},
      {{"decode", Coded, "O"}, "abracadabra"},
      {{"decoder", "-o", "O"}, Cli_({"decoder"}).Out},
      {{"graph", In, "-o", "O"}, "\x89PNG"},
  };
  fs::create_directory(Dir / "run");  // Qt's runtime folder for graph
  fs::permissions(Dir / "run", fs::perms::owner_all);
  const std::map<std::string, std::string> Run{{"XDG_RUNTIME_DIR", (Dir / "run").string()}};
  std::vector<std::string> Known{"in.txt", "in.qv", "sub", "run"};
  for (size_t K = 0; K < Commands.size(); ++K) {
    auto [Args, Holds] = Commands[K];
    const std::string Dangling = "dl" + std::to_string(K) + ".png";
    const std::string Loop = "lp" + std::to_string(K) + ".png";
    const std::string Target = "sub/t" + std::to_string(K) + ".png";
    fs::create_symlink(Target, Dir / Dangling);
    fs::create_symlink(Loop, Dir / Loop);
    Known.insert(Known.end(), {Dangling, Loop});
    std::replace(Args.begin(), Args.end(), std::string("O"), Dangling);
    TRun R = Cli_(Args, "/dev/null", Run);
    EXPECT_EQ(R.Exit, 0) << Args[0] << R.Err;
    EXPECT_EQ(ReadWhole(Dir / Target).substr(0, Args[0] == "graph" ? 4 : std::string::npos), Holds)
        << Args[0];
    std::replace(Args.begin(), Args.end(), Dangling, Loop);
    R = Cli_(Args, "/dev/null", Run);
    EXPECT_EQ(R.Exit, 1) << Args[0];
    EXPECT_EQ(R.Err, "quorvant-cli: " + Loop + ": " + std::strerror(ELOOP) + "\n") << Args[0];
    EXPECT_TRUE(fs::is_symlink(Dir / Dangling) && fs::is_symlink(Dir / Loop)) << Args[0];
  }
  EXPECT_TRUE(Strays(Known).empty());
}

TEST_F(QuorvantCli, InputThatCannotBeCodedStopsBeingRead) {
  // An endless device: decode stops past the largest coded form (a little
  // over 1 GiB) with the decoder's own verdict, instead of filling the memory.
  const TRun R = Cli_({"decode", "/dev/zero", (Dir / "out").string()});
  EXPECT_EQ(R.Exit, 1);
  EXPECT_EQ(R.Err, "quorvant-cli: /dev/zero: Data error .  Not Huffman encoded data .\n");
  EXPECT_FALSE(fs::exists(Dir / "out"));
}

TEST_F(QuorvantCli, SameFileAsInAndOutIsRefusedUntouched) {
  const std::string Data = "abracadabra";
  const std::string F = File("f", Data);
  fs::create_symlink("f", Dir / "link");
  struct TCase {
    std::vector<std::string> Args;
    std::string Stdin;
  };
  const std::vector<TCase> Cases{
      {{"encode", "f", "f"}, "/dev/null"},
      {{"encode", "./f", F}, "/dev/null"},
      {{"decode", "link", "f"}, "/dev/null"},
      {{"encode", "-", "link"}, F},
  };
  for (const TCase& C : Cases) {
    const TRun R = Cli_(C.Args, C.Stdin);
    EXPECT_EQ(R.Exit, 2) << C.Args[1] << " " << C.Args[2];
    EXPECT_NE(R.Err.find(" are the same file\n"), std::string::npos) << R.Err;
    EXPECT_EQ(ReadWhole(F), Data);
  }
  EXPECT_TRUE(Strays({"f", "link"}).empty());
}

TEST_F(QuorvantCli, OutputTheUserMayNotWriteIsRefusedUntouched) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write every file";
  const std::string In = File("in", "abracadabra");
  const std::string Out = File("out", "not yours");
  ASSERT_EQ(::chmod(Out.c_str(), 0444), 0);
  const TRun R = Cli_({"encode", In, Out});
  EXPECT_EQ(R.Exit, 1);
  EXPECT_EQ(R.Err, "quorvant-cli: " + Out + ": " + std::strerror(EACCES) + "\n");
  EXPECT_EQ(ReadWhole(Out), "not yours");
  EXPECT_TRUE(Strays({"in", "out"}).empty());
}

TEST_F(QuorvantCli, BinaryOutputToATerminalNeedsForce) {
  const int Master = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (Master < 0 || ::grantpt(Master) != 0 || ::unlockpt(Master) != 0)
    GTEST_SKIP() << "no pseudo-terminal";
  const std::string Terminal = ::ptsname(Master);
  const std::string In = File("in", "abracadabra");
  const std::string Coded = File("coded", EngineEncode("abracadabra"));
  for (const auto& [Command, From] : {std::pair{"encode", In}, std::pair{"decode", Coded}}) {
    TRun R = Cli_({Command, From, "-"}, "/dev/null", {}, Terminal);
    EXPECT_EQ(R.Exit, 1) << Command;
    EXPECT_EQ(R.Err, "quorvant-cli: standard output is a terminal: " + std::string(Command) +
                         " writes binary data there only with --force\n");
    R = Cli_({Command, From, "-", "--force"}, "/dev/null", {}, Terminal);
    EXPECT_EQ(R.Exit, 0) << Command << R.Err;
  }
  ::close(Master);
}

TEST_F(QuorvantCli, DevicesAndPipesAreWrittenInPlace) {
  const std::string Coded = File("coded", EngineEncode("abracadabra"));
  fs::create_symlink("/dev/null", Dir / "null");
  for (const std::string& Out : {std::string("/dev/null"), (Dir / "null").string()}) {
    const TRun R = Cli_({"decode", Coded, Out});
    EXPECT_EQ(R.Exit, 0) << Out << R.Err;
  }
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_TRUE(fs::is_symlink(Dir / "null"));
  const TRun Full = Cli_({"decode", Coded, "/dev/full"});
  EXPECT_EQ(Full.Exit, 1);
  EXPECT_EQ(Full.Err, "quorvant-cli: /dev/full: " + std::string(std::strerror(ENOSPC)) + "\n");
  EXPECT_TRUE(fs::is_character_file("/dev/full"));
  EXPECT_TRUE(Strays({"coded", "null"}).empty());
}

// ---- the decoder author's kit --------------------------------------------------------

// The leaves the engine builds from the first 256 entries of a table, in its
// table order.
std::vector<THuffmanNode> EngineLeaves(const std::vector<int64_t>& Table) {
  THuffman H;
  const std::string Bytes = Words(std::vector<int64_t>(
      Table.begin(), Table.begin() + static_cast<long>(std::min<size_t>(256, Table.size()))));
  H.InStream().Write(Bytes.data(), static_cast<int32_t>(Bytes.size()));
  H.BuildFromTable();
  std::vector<THuffmanNode> Leaves(static_cast<size_t>(H.Count()));
  for (int32_t I = 0; I < H.Count(); ++I) H.GetNode(I, Leaves[static_cast<size_t>(I)]);
  return Leaves;
}

// The stored (bit-reversed) pattern as sent, highest bit first.
int64_t AsSent(int32_t Pattern, int32_t Length) {
  int64_t Code = 0;
  for (int32_t K = 0; K < Length; ++K) Code = Code * 2 + ((Pattern >> K) & 1);
  return Code;
}

std::string Digits(int32_t Value, int32_t Length) {
  std::string Text;
  for (int32_t K = Length - 1; K >= 0; --K) Text += ((Value >> K) & 1) ? '1' : '0';
  return Text;
}

// Runs a shell command in Dir; its exit status.
int Shell(const fs::path& Dir, const std::string& Command) {
  return std::system(("cd '" + Dir.string() + "' && " + Command + " > build.log 2>&1").c_str());
}

std::string Compiler(const char* Variable, const char* Otherwise) {
  const char* Given = std::getenv(Variable);
  return Given && *Given ? Given : Otherwise;
}

TEST_F(QuorvantCli, CArraysKeepTodaysTextAndAddTheDecoderTables) {
  const TRun R = Cli_({"arrays", File("abra.txt", "abracadabra"), "--lang", "c", "--lf"});
  ASSERT_EQ(R.Exit, 0) << R.Err;
  const std::string Today =
      "/* ファイル名 = abra.txt */\n/* ハフマン符号による圧縮率 = 26.1 % */\n\n"
      "/* データのハフマン分布の BitPattern */\n"
      "static const unsigned char BitPattern[5] = {\n  0, 1, 3, 7, 5\n};\n\n"
      "/* データのハフマン分布の BitLength */\n"
      "static const unsigned char BitLength[5] = {\n  1, 3, 3, 3, 3\n};\n";
  EXPECT_EQ(R.Out.substr(0, Today.size()), Today);
  EXPECT_EQ(R.Out.substr(Today.size()).rfind("\n/* データのハフマン分布の Symbol */\n", 0), 0u)
      << R.Out;
}

TEST_F(QuorvantCli, CAndCppArraysCompileToTheEnginesCode) {
  std::vector<int64_t> Table(256);
  for (int I = 0; I < 256; ++I)
    Table[static_cast<size_t>(I)] = (I % 5 == 0) ? 0 : 1 + (I * 37) % 500;
  const std::string Path = File("t.bin", Words(Table));
  const TRun C = Cli_({"arrays", "--32bit", "--lang", "c", Path});
  const TRun Cpp = Cli_({"arrays", "--32bit", "--lang=cpp", "--msb-first", Path});
  ASSERT_EQ(C.Exit, 0) << C.Err;
  ASSERT_EQ(Cpp.Exit, 0) << Cpp.Err;
  WriteWhole(Dir / "c.h", C.Out);
  WriteWhole(Dir / "cpp.hpp", Cpp.Out);
  WriteWhole(Dir / "check.cpp",
             "#include <cstdio>\n#include \"cpp.hpp\"\nnamespace c {\n#include \"c.h\"\n}\n"
             "#define P(A) std::printf(#A); for (auto V : A) std::printf(\" %lu\", "
             "static_cast<unsigned long>(V)); std::printf(\"\\n\");\n"
             "int main() { P(c::BitPattern) P(c::BitLength) P(c::Symbol) P(c::CodeCount) "
             "P(c::CodeSymbol) P(BitPattern) P(CodeSymbol) }\n");
  ASSERT_EQ(
      Shell(Dir, Compiler("CXX", "c++") + " -std=c++17 -Wall -Wextra -Werror -o check check.cpp"),
      0)
      << ReadWhole(Dir / "build.log");
  const TRun Run = RunProgram(Dir, (Dir / "check").string(), {});
  ASSERT_EQ(Run.Exit, 0);

  const std::vector<THuffmanNode> Leaves = EngineLeaves(Table);
  std::vector<THuffmanNode> ByData = Leaves;
  std::sort(ByData.begin(), ByData.end(),
            [](const THuffmanNode& A, const THuffmanNode& B) { return A.Data < B.Data; });
  std::map<std::string, std::vector<int64_t>> Want;
  std::vector<int64_t> Counts(16, 0);
  for (const THuffmanNode& N : ByData) {
    Want["c::BitPattern"].push_back(N.BitPattern);
    Want["c::BitLength"].push_back(N.BitLength);
    Want["c::Symbol"].push_back(N.Data);
    Want["BitPattern"].push_back(AsSent(N.BitPattern, N.BitLength));
    ++Counts[static_cast<size_t>(N.BitLength - 1)];
  }
  Want["c::CodeCount"] = Counts;
  for (const THuffmanNode& N : Leaves) Want["c::CodeSymbol"].push_back(N.Data);
  Want["CodeSymbol"] = Want["c::CodeSymbol"];
  std::string Expected;
  for (const char* Name : {"c::BitPattern", "c::BitLength", "c::Symbol", "c::CodeCount",
                           "c::CodeSymbol", "BitPattern", "CodeSymbol"}) {
    Expected += Name;
    for (int64_t V : Want[Name]) {
      Expected += ' ';
      Expected += std::to_string(V);
    }
    Expected += "\n";
  }
  EXPECT_EQ(Run.Out, Expected);
}

TEST_F(QuorvantCli, GeneratedDecoderDecodesWhatEncodeWrote) {
  const TRun Printed = Cli_({"decoder"});
  ASSERT_EQ(Printed.Exit, 0) << Printed.Err;
  ASSERT_EQ(Cli_({"decoder", "-o", (Dir / "qv_decode.c").string()}).Exit, 0);
  EXPECT_EQ(ReadWhole(Dir / "qv_decode.c"), Printed.Out);
  EXPECT_NE(Printed.Out.find("quorvant-cli 1.0"), std::string::npos);
  // A tool that decodes IN into OUT with the generated qv_decode.
  WriteWhole(Dir / "tool.c",
             "#include <stdio.h>\n#include <stdlib.h>\n#include <stdint.h>\n"
             "int qv_decode(const uint8_t *, size_t, uint8_t *, size_t, size_t *);\n"
             "int main(int argc, char **argv) {\n"
             "  static uint8_t in[1 << 20], out[1 << 20];\n"
             "  FILE *f = fopen(argv[1], \"rb\");\n  size_t n, m = 0;\n"
             "  if (argc != 3 || !f) return 10;\n  n = fread(in, 1, sizeof in, f);\n"
             "  fclose(f);\n  if (qv_decode(in, n, out, sizeof out, &m) != 0) return 11;\n"
             "  f = fopen(argv[2], \"wb\");\n"
             "  return f && fwrite(out, 1, m, f) == m && fclose(f) == 0 ? 0 : 12;\n}\n");
  ASSERT_EQ(
      Shell(Dir, Compiler("CC", "cc") +
                     " -std=c99 -Wall -Wextra -pedantic -Werror -O2 -o tool tool.c qv_decode.c"),
      0)
      << ReadWhole(Dir / "build.log");
  // Each sample coded with the default code and with a lower limit; the
  // limited form must also go back through the ordinary decode.
  const std::vector<std::string> Data = Samples();
  for (size_t K = 0; K < Data.size(); ++K) {
    const std::string In = File("in" + std::to_string(K), Data[K]);
    for (const char* Bits : {"16", "9"}) {
      SCOPED_TRACE("sample " + std::to_string(K) + ", " + Bits + " bits");
      const std::string Coded = (Dir / "coded").string();
      const std::string Back = (Dir / "back").string();
      const TRun E = Cli_({"encode", In, Coded, "--max-bits", Bits});
      ASSERT_EQ(E.Exit, 0) << E.Err;
      ASSERT_EQ(RunProgram(Dir, (Dir / "tool").string(), {Coded, Back}).Exit, 0);
      EXPECT_TRUE(ReadWhole(Back) == Data[K]);
      ASSERT_EQ(Cli_({"decode", Coded, Back}).Exit, 0);
      EXPECT_TRUE(ReadWhole(Back) == Data[K]);
    }
  }
}

// decoder --code and arrays --code --lang verilog: the engine's texts of
// the code file's code (held to every stream in the engine's tests).
TEST_F(QuorvantCli, CorpusCountsAsTheFilesJoined) {
  // A folder with a subfolder, a link to a file beside it (the file read
  // once) and a link back up (not entered): a/1, a/2, a/b/3 are read.
  const std::vector<std::string> Parts{"abracadabra", std::string(300, 'x') + "yz",
                                       "the quick brown fox"};
  fs::create_directories(Dir / "a" / "b");
  WriteWhole(Dir / "a" / "1", Parts[0]);
  WriteWhole(Dir / "a" / "2", Parts[1]);
  WriteWhole(Dir / "a" / "b" / "3", Parts[2]);
  fs::create_symlink(Dir / "a" / "1", Dir / "a" / "link");
  fs::create_directory_symlink(Dir / "a", Dir / "a" / "b" / "up");
  const std::string Joined = File("joined", Parts[0] + Parts[1] + Parts[2]);
  const auto Body = [](const std::string& Text) { return Text.substr(Text.find('\n')); };
  for (const char* Command : {"distribution", "arrays", "table"}) {
    const TRun One = Cli_({Command, Joined});
    const TRun Many = Cli_({Command, "-r", (Dir / "a").string()});
    ASSERT_EQ(Many.Exit, 0) << Many.Err;
    EXPECT_EQ(Many.Out.substr(0, Many.Out.find('\n') + 1), "ファイル名 = 1 ほか 2 件\r\n");
    EXPECT_EQ(Body(Many.Out), Body(One.Out)) << Command;
  }
  // An empty file adds nothing; files listed count in the order given, and
  // stats names them all.
  const TRun WithEmpty = Cli_({"distribution", File("empty", ""), Joined});
  std::string Alone = Cli_({"distribution", Joined}).Out;
  EXPECT_EQ(WithEmpty.Out, Alone.replace(Alone.find("joined"), 6, "empty ほか 1 件"));
  const std::string First = (Dir / "a" / "b" / "3").string();
  const std::string Second = (Dir / "a" / "1").string();
  TJson J;
  const TRun Stats = Cli_({"stats", "--json", First, Second});
  ASSERT_TRUE(TJsonReader(Stats.Out).Read(J)) << Stats.Out;
  EXPECT_EQ(J.Members.at("total").N, static_cast<double>(Parts[2].size() + Parts[0].size()));
  ASSERT_EQ(J.Members.at("files").Items.size(), 2u);
  EXPECT_EQ(J.Members.at("files").Items[0].S, First);
  EXPECT_EQ(J.Members.at("files").Items[1].S, Second);
  EXPECT_EQ(J.Members.at("file").S, First);

  // 32-bit tables are added word by word, the longer one's tail kept.
  const std::vector<int64_t> A{3, 0, 7}, B{1, 2, 0, 0, 9};
  const TRun Sum = Cli_({"table", "--32bit", File("ta", Words(A)), File("tb", Words(B))});
  const TRun Want = Cli_({"table", "--32bit", File("tsum", Words({4, 2, 7, 0, 9}))});
  ASSERT_EQ(Sum.Exit, 0) << Sum.Err;
  EXPECT_EQ(Sum.Out.substr(0, Sum.Out.find('\n') + 1), "ファイル名 = ta ほか 1 件\r\n");
  EXPECT_EQ(Body(Sum.Out), Body(Want.Out));
}

TEST_F(QuorvantCli, RecursiveNamesTheFolderThatCannotBeListed) {
  if (::geteuid() == 0) GTEST_SKIP() << "root lists every folder";
  fs::create_directories(Dir / "c2" / "locked");
  WriteWhole(Dir / "c2" / "a", "abc");
  fs::permissions(Dir / "c2" / "locked", fs::perms::none);
  const TRun R = Cli_({"stats", "-r", "c2"});
  EXPECT_EQ(R.Exit, 1);
  EXPECT_EQ(R.Err, "quorvant-cli: c2/locked: " + std::string(std::strerror(EACCES)) + "\n");
}

TEST_F(QuorvantCli, GraphOfACorpusIsTheGraphOfTheFilesJoined) {
  const std::string A = "abracadabra", B = std::string(40, 'z') + "yy";
  const std::string First = File("a", A), Second = File("b", B), Joined = File("ab", A + B);
  // The PNG's bytes, or "exit N" when nothing was written.
  const auto Png = [&](const std::vector<std::string>& Files, std::vector<std::string> Args) {
    fs::remove(Dir / "g.png");
    Args.insert(Args.begin(), Files.begin(), Files.end());
    Args.insert(Args.begin(), "graph");
    Args.insert(Args.end(), {"-o", "g.png"});
    const TRun R = Cli_(Args);
    return R.Exit == 0 && fs::exists(Dir / "g.png") ? ReadWhole(Dir / "g.png")
                                                    : "exit " + std::to_string(R.Exit);
  };
  // Seven values: --max-bits 3 is the least that holds them; it changes the
  // code, never the bars.
  const std::vector<std::vector<std::string>> Cases{
      {}, {"--order", "frequency", "--curve"}, {"--curve", "--max-bits", "3"}};
  ASSERT_EQ(Png({Joined}, {}).rfind("\x89PNG", 0), 0u);
  for (const auto& Options : Cases)
    EXPECT_EQ(Png({First, Second}, Options), Png({Joined}, Options)) << Options.size();
  EXPECT_EQ(Png({Joined}, Cases[2]), Png({Joined}, {"--curve"}));
  EXPECT_EQ(Png({First, Second}, {"--max-bits", "2"}), "exit 2");
}

TEST_F(QuorvantCli, CorpusBeyondWhatATableHoldsIsRefusedUnprinted) {
  const std::string Total =
      "the files hold 2200000000 data in all, more than the 2147483647 a "
      "frequency table can count";
  const struct {
    std::vector<int64_t> Words;  // each file's table; none: a sparse 1.1e9-byte file
    std::string Says;
  } Cases[] = {
      {std::vector<int64_t>(3, 600000),
       "datum 0 sums to a frequency of 1200000, more than the "
       "1048576 a 32-bit table word may hold"},
      {std::vector<int64_t>(2200, 500000), Total},
      {{}, Total},  // 8 bit: refused by the sizes, unread
  };
  for (const auto& C : Cases) {
    const std::string One = File("one", Words(C.Words));
    const std::string Two = File("two", Words(C.Words));
    if (C.Words.empty())
      for (const std::string& Path : {One, Two}) fs::resize_file(Path, 1100000000);
    else
      ASSERT_EQ(Cli_({"stats", "--32bit", One}).Exit, 0);  // each alone is a table
    std::vector<std::string> Args{"distribution", One, Two};
    if (!C.Words.empty()) Args.push_back("--32bit");
    const TRun R = Cli_(Args);
    EXPECT_EQ(R.Exit, 1);
    EXPECT_TRUE(R.Out.empty());
    EXPECT_EQ(R.Err, "quorvant-cli: " + One + " and 1 more files: " + C.Says + "\n");
  }
}

TEST_F(QuorvantCli, MaxBitsLimitsTheCodeAndShowsItsCost) {
  // Fibonacci frequencies: the default code needs 16 bits for 20 values.
  std::vector<int64_t> Table(20);
  Table[0] = Table[1] = 1;
  for (size_t I = 2; I < Table.size(); ++I) Table[I] = Table[I - 1] + Table[I - 2];
  const std::string Path = File("fib.bin", Words(Table));
  const auto Stats = [&](const std::vector<std::string>& More) {
    std::vector<std::string> Args{"stats", "--32bit", "--json", Path};
    Args.insert(Args.end(), More.begin(), More.end());
    const TRun R = Cli_(Args);
    EXPECT_EQ(R.Exit, 0) << R.Err;
    TJson J;
    EXPECT_TRUE(TJsonReader(R.Out).Read(J)) << R.Out;
    return std::make_pair(R.Out, J.Members);
  };
  const auto [Plain, P] = Stats({});
  EXPECT_GT(P.at("longest_code").N, 11);
  EXPECT_EQ(Stats({"--max-bits", "16"}).first, Plain);
  EXPECT_EQ(Cli_({"distribution", "--32bit", Path, "--max-bits=16"}).Out,
            Cli_({"distribution", "--32bit", Path}).Out);
  for (int Bits : {5, 8, 11}) {
    const auto [Text, M] = Stats({"--max-bits", std::to_string(Bits)});
    EXPECT_EQ(M.at("max_bits").N, Bits);
    EXPECT_EQ(M.at("longest_code").N, Bits);
    EXPECT_EQ(M.at("kraft_sum").N, 1);
    EXPECT_EQ(M.at("average_bits_16").N, P.at("average_bits").N);
    EXPECT_GT(M.at("average_bits").N, P.at("average_bits").N);
    // The views show the limited code: no length beyond the limit.
    const TRun A = Cli_(
        {"arrays", "--32bit", "--lang", "rust", "--max-bits", std::to_string(Bits), "--lf", Path});
    const size_t Lengths = A.Out.find("BitLength: [u8; 20] = [\n");
    ASSERT_NE(Lengths, std::string::npos) << A.Out;
    std::istringstream Values(A.Out.substr(Lengths + 24));
    int Longest = 0;
    for (int K = 0, V = 0; K < 20 && Values >> V; ++K, Values.ignore(2))
      Longest = std::max(Longest, V);
    EXPECT_EQ(Longest, Bits);
  }
  const TRun Low = Cli_({"distribution", "--32bit", Path, "--max-bits", "4"});
  EXPECT_EQ(Low.Exit, 2);
  EXPECT_TRUE(Low.Out.empty());
  EXPECT_EQ(Low.Err,
            "quorvant-cli: --max-bits 4 is not within the range of 5..16 for the values of " +
                Path + "\nTry 'quorvant-cli distribution --help'.\n");
}

TEST_F(QuorvantCli, TableCsvHasEveryEntryWithTheViewsCode) {
  std::vector<int64_t> Table(300, 0);
  for (size_t I = 0; I < Table.size(); I += 3) Table[I] = 1 + static_cast<int64_t>(I % 17);
  const TRun R = Cli_({"table", "--32bit", "--csv", File("t.bin", Words(Table))});
  ASSERT_EQ(R.Exit, 0) << R.Err;
  std::map<int, const THuffmanNode*> Code;
  const std::vector<THuffmanNode> Leaves = EngineLeaves(Table);
  for (const THuffmanNode& N : Leaves) Code[N.Data] = &N;
  std::string Want = "datum,frequency,bit_length,bit_pattern\r\n";
  for (size_t I = 0; I < Table.size(); ++I) {
    Want += std::to_string(I) + "," + std::to_string(Table[I]) + ",";
    if (const auto It = Code.find(static_cast<int>(I)); I < 256 && It != Code.end())
      Want += std::to_string(It->second->BitLength) + "," +
              Digits(It->second->BitPattern, It->second->BitLength);
    else
      Want += ",";
    Want += "\r\n";
  }
  EXPECT_EQ(R.Out, Want);
  // A file's table with --lf: the view's digits, highest first.
  const std::string Abra = Cli_({"table", "--csv", "--lf", File("abra", "abracadabra")}).Out;
  for (const char* Line : {"\n96,0,,\n", "\n97,5,1,0\n", "\n98,2,3,001\n", "\n99,1,3,011\n"})
    EXPECT_NE(Abra.find(Line), std::string::npos) << Line;
  EXPECT_EQ(std::count(Abra.begin(), Abra.end(), '\n'), 257);
}

// ---- usage -------------------------------------------------------------------------------

TEST_F(QuorvantCli, UsageErrorsExitTwo) {
  const std::string F = File("f", "abc");
  // The arguments, the first problem in their order, whose help to point at.
  const std::vector<std::tuple<std::vector<std::string>, std::string, std::string>> Bad{
      {{}, "no command given", ""},
      {{"compress", F}, "unknown command 'compress'", ""},
      {{"table"}, "table needs a FILE", "table"},
      {{"encode", F, F, F}, "unexpected operand '" + F + "'", "encode"},
      {{"decoder", F}, "unexpected operand '" + F + "'", "decoder"},
      {{"table", F, "--json"}, "option --json does not apply to table", "table"},
      {{"table", F, "-json", "--name"}, "unknown option '-json'", "table"},
      {{"table", F, "--lf=1"}, "option --lf takes no value", "table"},
      {{"arrays", F, "--lang", "go"},
       "--lang takes pascal, c, cpp, rust, python or verilog, not 'go'",
       "arrays"},
      {{"stats", F, "--max-bits", "0"},
       "--max-bits takes a number of bits up to 16, not '0'",
       "stats"},
      {{"encode", F, "x", "--max-bits=17"},
       "--max-bits takes a number of bits up to 16, not '17'",
       "encode"},
      {{"arrays", F, "--max-bits", "4x"},
       "--max-bits takes a number of bits up to 16, not '4x'",
       "arrays"},
      {{"table", F, "--max-bits", "8"}, "option --max-bits does not apply to table", "table"},
      {{"distribution", F, "--csv"}, "option --csv does not apply to distribution", "distribution"},
      {{"decode", F, "x", "-r"}, "option -r does not apply to decode", "decode"},
      {{"table", F, "-", "-r"}, "table reads a file, not standard input", "table"},
      {{"arrays", F, "--name"}, "option --name needs a value", "arrays"},
      {{"encode", F}, "encode needs IN and OUT", "encode"},
      {{"decode", F, "--32bit", "x"}, "option --32bit does not apply to decode", "decode"},
      {{"stats", F, "--lf"}, "option --lf does not apply to stats", "stats"},
      {{"table", F, "--force"}, "option --force does not apply to table", "table"},
      {{"table", "-"}, "table reads a file, not standard input", "table"},
      {{"graph", F, "-", "-o", "g.png"}, "graph reads a file, not standard input", "graph"},
      {{"help", "nothing"}, "unknown command 'nothing'", ""},
      {{"decoder", "--bit-order", "msb0"},
       "option --bit-order applies to decoder --code only",
       "decoder"},
      {{"decoder", "--code", F, "--bit-order", "le"},
       "--bit-order takes lsb0 or msb0, not 'le'",
       "decoder"},
      {{"decoder", "--code", F, "--name", "a-b"},
       "--name takes a C identifier for the decoder, not 'a-b'",
       "decoder"},
      {{"stats", F, "--limit-rule", "best"},
       "--limit-rule takes repair or optimal, not 'best'",
       "stats"},
      {{"table", F, "--limit-rule", "optimal"},
       "option --limit-rule does not apply to table",
       "table"},
      {{"limits", F, "--max-bits", "8"}, "option --max-bits does not apply to limits", "limits"},
      {{"limits", F, "--json", "--csv"}, "--json and --csv exclude each other", "limits"},
      {{"code", F}, "code needs -o CODE.json (\"-o -\" writes to standard output)", "code"},
      {{"code", F, "-o", F}, F + " and " + F + " are the same file", "code"},
      {{"evaluate", F}, "evaluate takes either --code CODE.json or --table TABLE.bin", "evaluate"},
      {{"evaluate", F, "--code", "c", "--table", "t"},
       "evaluate takes either --code CODE.json or --table TABLE.bin",
       "evaluate"},
      {{"evaluate", F, "--code", "c", "--max-bits", "9"},
       "--max-bits and --limit-rule do not apply with --code: the code file fixes the code",
       "evaluate"},
      {{"encode", F, "x", "--code", "c", "--limit-rule", "repair"},
       "--max-bits and --limit-rule do not apply with --code: the code file fixes the code",
       "encode"},
      {{"arrays", "--code", "c", F}, "unexpected operand '" + F + "'", "arrays"},
      {{"decode", F, "x", "--code", "c"}, "option --code does not apply to decode", "decode"},
      {{"graph", F, "-o", "g.png", "--first", "2147483648"},
       "--first 2147483648 is too large (at most 2147483647)",
       "graph"},
      {{"graph", F, "-o", "g.png", "--size", "10x4294967296"},
       "--size 10x4294967296 is too large (at most 8192x8192)",
       "graph"},
      {{"stats", F, "--max-bits", "2147483648"},
       "--max-bits 2147483648 is too large (at most 16)",
       "stats"},
  };
  for (const auto& [Args, Message, Topic] : Bad) {
    const TRun R = Cli_(Args);
    EXPECT_EQ(R.Exit, 2) << Message;
    EXPECT_TRUE(R.Out.empty()) << Message;
    EXPECT_EQ(R.Err, "quorvant-cli: " + Message + "\nTry 'quorvant-cli " +
                         (Topic.empty() ? "" : Topic + " ") + "--help'.\n");
  }
}

TEST_F(QuorvantCli, VersionAndHelp) {
  TRun R = Cli_({"--version"});
  EXPECT_EQ(R.Exit, 0);
  EXPECT_EQ(R.Out, "Quorvant Version 1.0\n");
  R = Cli_({"--help"});
  EXPECT_EQ(R.Exit, 0);
  for (const char* Command : {"distribution", "arrays", "table", "stats", "encode", "decode"})
    EXPECT_NE(R.Out.find("  " + std::string(Command) + " "), std::string::npos) << Command;
  for (const char* Command : {"distribution", "arrays", "table", "stats", "encode", "decode"}) {
    const TRun H = Cli_({Command, "--help"});
    EXPECT_EQ(H.Exit, 0) << Command;
    EXPECT_EQ(H.Out.rfind("Usage: quorvant-cli " + std::string(Command), 0), 0u) << Command;
    EXPECT_EQ(Cli_({"help", Command}).Out, H.Out);
  }
  EXPECT_NE(Cli_({"arrays", "-h"}).Out.find("--lang c"), std::string::npos);
}

// ---- the designer's loop -----------------------------------------------------

TEST_F(QuorvantCli, CodeFileRoundTripsThroughEncodeDecodeAndArrays) {
  const std::string Abra = File("abra.txt", "abracadabra");
  ASSERT_EQ(Cli_({"code", Abra, "-o", "c.json"}).Exit, 0);
  const std::string Code = (Dir / "c.json").string();
  const std::string Other = File("other.txt", std::string(3000, 'd') + "cabbadrab");
  TRun R = Cli_({"encode", "--code", Code, Other, "o.qv"});
  ASSERT_EQ(R.Exit, 0) << R.Err;
  EXPECT_EQ(Cli_({"decode", "o.qv", "-"}).Out, ReadWhole(Other));
  // The size evaluate promised is the size written.
  R = Cli_({"evaluate", "--code", Code, Other, "--json"});
  TJson J;
  ASSERT_TRUE(TJsonReader(R.Out).Read(J)) << R.Out;
  EXPECT_EQ(J.Members.at("total").Members.at("coded_bytes").N,
            static_cast<double>(fs::file_size(Dir / "o.qv")));
  // Coded even where storing would be smaller, and for nothing at all.
  for (const std::string& Input : {std::string("a"), std::string()}) {
    ASSERT_EQ(Cli_({"encode", "--code", Code, File("small", Input), "s.qv"}).Exit, 0);
    const std::string Coded = ReadWhole(Dir / "s.qv");
    EXPECT_EQ(Coded[0] & 3, 1) << "the coded form's tag";
    EXPECT_EQ(Cli_({"decode", "s.qv", "-"}).Out, Input);
  }
  // A byte without a code refuses the input: named, with its offset; no OUT.
  R = Cli_({"encode", "--code", Code, File("z.txt", "abcz"), "z.qv"});
  EXPECT_EQ(R.Exit, 1);
  EXPECT_EQ(R.Err, "quorvant-cli: " + (Dir / "z.txt").string() +
                       ": byte $7A at offset 3 has no code in " + Code + "\n");
  EXPECT_FALSE(fs::exists(Dir / "z.qv"));
  // The arrays of the file are the arrays of the data it was designed on.
  const auto Tail = [](const std::string& Text) { return Text.substr(Text.find("\r\n\r\n")); };
  for (const char* Lang : {"c", "rust"})
    EXPECT_EQ(Tail(Cli_({"arrays", "--code", Code, "--lang", Lang}).Out),
              Tail(Cli_({"arrays", Abra, "--lang", Lang}).Out));
  // A bad code file: exit 1, the file and the problem named.
  const std::string Bad =
      File("bad.json",
           ReadWhole(Code).replace(ReadWhole(Code).find("\"code\":\"0\""), 10, "\"code\":\"1\""));
  for (const auto& Args :
       std::vector<std::vector<std::string>>{{"encode", "--code", Bad, Abra, "x.qv"},
                                             {"evaluate", "--code", Bad, Abra},
                                             {"arrays", "--code", Bad}}) {
    R = Cli_(Args);
    EXPECT_EQ(R.Exit, 1);
    EXPECT_EQ(
        R.Err.rfind("quorvant-cli: " + Bad + ": symbol 1: code \"1\" is not the canonical", 0), 0u)
        << R.Err;
  }
}

TEST_F(QuorvantCli, LimitsShowWhatTheLimitedCodesCost) {
  std::vector<int64_t> Fib(18);
  Fib[0] = Fib[1] = 1;
  for (size_t I = 2; I < Fib.size(); ++I) Fib[I] = Fib[I - 1] + Fib[I - 2];
  const std::string Path = File("fib.bin", Words(Fib));
  TRun R = Cli_({"limits", "--32bit", "--json", Path});
  TJson J;
  ASSERT_TRUE(TJsonReader(R.Out).Read(J)) << R.Out;
  const auto& Rows = J.Members.at("rows").Items;
  ASSERT_EQ(Rows.size(), 16u - 5 + 1);
  const double Total = J.Members.at("total").N;
  for (const TJson& Row : Rows) {
    const int Bits = static_cast<int>(Row.Members.at("max_bits").N);
    for (const char* Rule : {"repair", "optimal"}) {
      // The limited code stats reports costs what the row says.
      TJson S;
      ASSERT_TRUE(TJsonReader(Cli_({"stats", "--32bit", "--json", Path, "--max-bits",
                                    std::to_string(Bits), "--limit-rule", Rule})
                                  .Out)
                      .Read(S));
      EXPECT_NEAR(S.Members.at("average_bits").N * Total,
                  Row.Members.at(std::string(Rule) + "_total_bits").N, 1e-6)
          << Rule << " at " << Bits;
      EXPECT_EQ(S.Members.at("longest_code").N, std::min(Bits, 16));
    }
  }
  EXPECT_LT(Rows.back().Members.at("optimal_total_bits").N,
            Rows.back().Members.at("repair_total_bits").N);
  // Nothing changes where the new options are not given.
  EXPECT_EQ(
      Cli_({"distribution", "--32bit", Path, "--max-bits", "9", "--limit-rule", "repair"}).Out,
      Cli_({"distribution", "--32bit", Path, "--max-bits", "9"}).Out);
  // No data: no rows, and no failure.
  R = Cli_({"limits", File("empty", ""), "--csv"});
  EXPECT_EQ(R.Exit, 0);
  EXPECT_EQ(std::count(R.Out.begin(), R.Out.end(), '\n'), 1);
}

}  // namespace
