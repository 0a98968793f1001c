// The run-time layer: messages and conversions (SysUtils), the memory
// stream (Classes), including its large blocks, and the atomic file.
#include "AtomicFile.h"
#include "Classes.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::vector<uint8_t> Pattern(size_t Size, uint32_t Seed) {
  std::vector<uint8_t> Bytes(Size);
  uint32_t X = Seed;
  for (auto& B : Bytes) {
    X = X * 1103515245u + 12345u;
    B = uint8_t(X >> 24);
  }
  return Bytes;
}

std::vector<uint8_t> Contents(const TMemoryStream& S) {
  const auto* P = static_cast<const uint8_t*>(S.Memory());
  return P == nullptr ? std::vector<uint8_t>() : std::vector<uint8_t>(P, P + S.Size());
}

// A folder of its own under the test's temporary folder, removed afterwards.
class TTempFolder {
public:
  TTempFolder() {
    const char* Base = std::getenv("TMPDIR");
    std::string Template = std::string(Base != nullptr && *Base ? Base : "/tmp") + "/qv-rtl-XXXXXX";
    FPath = ::mkdtemp(Template.data());
  }
  ~TTempFolder() { std::filesystem::remove_all(FPath); }
  std::string File(const std::string& Name) const { return FPath + "/" + Name; }

private:
  std::string FPath;
};

}  // namespace

TEST(SysUtils, FormatAndConversions) {
  EXPECT_EQ(Format(SRangeError, 5, 0, 4), "5 is not within the valid range of 0..4");
  EXPECT_EQ(Format("%s-%X", "a", 255u), "a-FF");
  EXPECT_EQ(Format("%s", ""), "");
  EXPECT_EQ(IntToStr(-12), "-12");
  EXPECT_EQ(IntToStr(INT64_C(9000000000)), "9000000000");
  EXPECT_EQ(IntToHex(255, 2), "FF");
  EXPECT_EQ(IntToHex(300, 2), "12C");
  EXPECT_EQ(IntToHex(5, 2), "05");
  EXPECT_EQ(IntToHex(0, 1), "0");
}

TEST(SysUtils, StrToIntAcceptsOnlyPlainDecimalInt32) {
  int32_t V = 0;
  EXPECT_TRUE(TryStrToInt("-2147483648", V));
  EXPECT_EQ(V, INT32_MIN);
  EXPECT_TRUE(TryStrToInt("+17", V));
  EXPECT_EQ(V, 17);
  for (const char* Bad : {"", "-", "2147483648", " 1", "1 ", "1,000", "0x10", "12a"})
    EXPECT_FALSE(TryStrToInt(Bad, V)) << Bad;
  EXPECT_EQ(StrToInt("42"), 42);
  try {
    StrToInt("abc");
    FAIL() << "no exception";
  } catch (const EConvertError& E) {
    EXPECT_EQ(E.Message(), "'abc' は整数ではありません");
  }
}

TEST(SysUtils, FormatFixedRoundsHalfUpOnTheDecimalForm) {
  EXPECT_EQ(FormatFixed(12.25, 0, 1), "12.3");
  EXPECT_EQ(FormatFixed(0.15, 0, 1), "0.2");
  EXPECT_EQ(FormatFixed(-1.5, 6, 2), " -1.50");
  EXPECT_EQ(FormatFixed(9.96, 0, 1, ','), "10,0");
  EXPECT_EQ(FormatFixed(3.0, 0, 0), "3");
  EXPECT_EQ(FormatFixed(-0.01, 0, 1), "0.0");
}

TEST(TMemoryStream, WriteReadAndRepositionWithinTheBlock) {
  TMemoryStream S;
  EXPECT_EQ(S.Size(), 0);
  EXPECT_EQ(S.Write("abcdef", 6), 6);
  EXPECT_EQ(S.Position(), 6);
  S.SetPosition(2);
  char Buffer[8] = {};
  EXPECT_EQ(S.Read(Buffer, 8), 4);  // fewer at the end
  EXPECT_STREQ(Buffer, "cdef");
  EXPECT_EQ(S.Read(Buffer, 1), 0);
  EXPECT_EQ(S.Read(Buffer, -1), 0);
  EXPECT_EQ(S.Write(Buffer, 0), 0);
  S.SetPosition(1);
  S.Write("XY", 2);
  EXPECT_EQ(std::string(static_cast<const char*>(S.Memory()), 6), "aXYdef");
  S.SetSize(3);
  EXPECT_EQ(S.Size(), 3);
  EXPECT_EQ(S.Position(), 3);  // clamped to the new size
  EXPECT_THROW(S.SetSize(-1), ERangeError);
  EXPECT_THROW(S.SetPosition(-1), ERangeError);
  S.Clear();
  EXPECT_EQ(S.Size(), 0);
  EXPECT_EQ(S.Position(), 0);
  EXPECT_EQ(S.Capacity(), 0);
}

TEST(TMemoryStream, AWritePastTheEndClearsTheGap) {
  TMemoryStream S;
  S.Write("ab", 2);
  S.SetPosition(6);
  S.Write("z", 1);
  EXPECT_EQ(Contents(S), std::vector<uint8_t>({'a', 'b', 0, 0, 0, 0, 'z'}));
}

TEST(TMemoryStream, CapacityGrowsInStepsAndGeometrically) {
  TMemoryStream S;
  S.Write("x", 1);
  EXPECT_EQ(S.Capacity(), 8192);
  int64_t Reallocations = 0;
  int64_t Last = S.Capacity();
  for (int I = 0; I < 200000; ++I) {
    S.Write("0123456789", 10);
    if (S.Capacity() != Last) ++Reallocations;
    Last = S.Capacity();
    ASSERT_EQ(S.Capacity() % 8192, 0);
  }
  EXPECT_EQ(S.Size(), 2000001);
  EXPECT_LT(Reallocations, 20);
}

TEST(TMemoryStream, LargeBlocksKeepTheirBytesThroughGrowthAndShrink) {
  TMemoryStream S;
  const auto Small = Pattern(100000, 1);
  S.Write(Small.data(), int32_t(Small.size()));
  // Bytes written beyond the size survive a change of capacity.
  S.SetCapacity(300000);
  std::memset(static_cast<uint8_t*>(S.Memory()) + 100000, 0x5A, 1000);
  S.SetCapacity(5 << 20);  // small block -> mapped block
  S.SetSize(101000);
  const auto Got = Contents(S);
  EXPECT_TRUE(std::equal(Small.begin(), Small.end(), Got.begin()));
  EXPECT_EQ(Got[100999], 0x5A);
  const auto Big = Pattern(3 << 20, 2);
  S.SetPosition(S.Size());
  S.Write(Big.data(), int32_t(Big.size()));
  S.AdviseFill(S.Size());
  S.SetSize(S.Size() + (40 << 20));  // grows the mapped block in place or by moving it
  const auto After = Contents(S);
  EXPECT_TRUE(std::equal(Small.begin(), Small.end(), After.begin()));
  EXPECT_TRUE(std::equal(Big.begin(), Big.end(), After.begin() + 101000));
  S.SetSize(1000);
  S.SetCapacity(0);  // shrinks to the size: mapped block -> small block
  EXPECT_EQ(S.Capacity(), 8192);
  EXPECT_TRUE(std::equal(Small.begin(), Small.begin() + 1000, Contents(S).begin()));
}

TEST(TMemoryStream, LoadFromStreamCopiesAllBytesWhateverThePosition) {
  TMemoryStream Source, Target;
  const auto Bytes = Pattern(400000, 3);
  Source.Write(Bytes.data(), int32_t(Bytes.size()));
  Source.SetPosition(17);
  Target.Write("old", 3);
  Target.LoadFromStream(Source);
  EXPECT_EQ(Contents(Target), Bytes);
  EXPECT_EQ(Target.Position(), 0);
  EXPECT_EQ(Source.Position(), Source.Size());
  Target.LoadFromStream(Target);
  EXPECT_EQ(Contents(Target), Bytes);
}

TEST(TMemoryStream, SwapContentsExchangesBlocksAndPositions) {
  TMemoryStream A, B;
  A.Write("first", 5);
  const auto Big = Pattern(1 << 20, 4);
  B.Write(Big.data(), int32_t(Big.size()));
  B.SetPosition(3);
  A.SwapContents(B);
  EXPECT_EQ(Contents(A), Big);
  EXPECT_EQ(A.Position(), 3);
  EXPECT_EQ(std::string(static_cast<const char*>(B.Memory()), 5), "first");
  EXPECT_EQ(B.Position(), 5);
}

TEST(TMemoryStream, LoadFromFileReadsTheWholeFile) {
  TTempFolder Folder;
  const auto Bytes = Pattern(700000, 5);
  {
    std::ofstream File(Folder.File("data.bin"), std::ios::binary);
    File.write(reinterpret_cast<const char*>(Bytes.data()), std::streamsize(Bytes.size()));
  }
  TMemoryStream S;
  S.Write("stale", 5);
  S.LoadFromFile(Folder.File("data.bin"));
  EXPECT_EQ(Contents(S), Bytes);
  EXPECT_EQ(S.Position(), 0);
  { std::ofstream Empty(Folder.File("empty.bin"), std::ios::binary); }
  S.LoadFromFile(Folder.File("empty.bin"));
  EXPECT_EQ(S.Size(), 0);
}

TEST(TMemoryStream, LoadFromAMissingFileOrAFolderRaisesTheOpenError) {
  TTempFolder Folder;
  TMemoryStream S;
  const std::string Missing = Folder.File("missing.bin");
  try {
    S.LoadFromFile(Missing);
    FAIL() << "no exception";
  } catch (const EFOpenError& E) {
    EXPECT_EQ(E.Message(), "ファイル " + Missing + " は開けません");
  }
  std::filesystem::create_directory(Folder.File("sub"));
  EXPECT_THROW(S.LoadFromFile(Folder.File("sub")), EFOpenError);
}

TEST(TMemoryStream, LoadFromAFifoRaisesTheOpenErrorWithoutWaitingForAWriter) {
  TTempFolder Folder;
  const std::string Fifo = Folder.File("fifo");
  ASSERT_EQ(mkfifo(Fifo.c_str(), 0600), 0);
  TMemoryStream S;
  auto Load = std::async(std::launch::async, [&] { S.LoadFromFile(Fifo); });
  if (Load.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    const int Writer = open(Fifo.c_str(), O_WRONLY);  // releases the blocked open
    close(Writer);
    Load.wait();
    FAIL() << "the open waited for a writer";
  }
  EXPECT_THROW(Load.get(), EFOpenError);
  EXPECT_EQ(S.Size(), 0);
}

TEST(TMemoryStream, UntouchedReserveCostsNoMemory) {
  // A 4 GiB stream that is never written stays virtual: only what is
  // written becomes resident.
  TMemoryStream S;
  S.SetSize(int64_t(4) << 30);
  EXPECT_EQ(S.Size(), int64_t(4) << 30);
  static_cast<uint8_t*>(S.Memory())[(int64_t(4) << 30) - 1] = 7;
  S.SetPosition(S.Size() - 1);
  uint8_t Last = 0;
  EXPECT_EQ(S.Read(&Last, 1), 1);
  EXPECT_EQ(Last, 7);
}

namespace {

std::set<std::string> Names(const std::string& Folder) {
  std::set<std::string> Found;
  for (const auto& Entry : std::filesystem::directory_iterator(Folder))
    Found.insert(Entry.path().filename().string());
  return Found;
}

std::string Bytes(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), {});
}

void Save(const std::string& Name, const std::string& Text) {
  TAtomicFile File(Name);
  File.Write(Text.data(), Text.size());
  File.Commit();
}

}  // namespace

TEST(TAtomicFile, SaveRemovesNoFileItDidNotCreate) {
  // Under umask 077 every file of the user's is 0600, like a temporary.
  TTempFolder Folder;
  const mode_t Mask = umask(077);
  const std::set<std::string> Theirs{"x.png.backup", "x.png.notes1", "x.png.a1B2c3",
                                     ".x.png.quorvant-tmp-a1B2c3"};
  for (const std::string& Name : Theirs) std::ofstream(Folder.File(Name)) << Name;
  Save(Folder.File("x.png"), "made");
  Save(Folder.File("x.png"), "replaced");
  { TAtomicFile Dropped(Folder.File("x.png")); }  // uncommitted: nothing stays
  umask(Mask);
  for (const std::string& Name : Theirs) EXPECT_EQ(Bytes(Folder.File(Name)), Name);
  EXPECT_EQ(Names(Folder.File("")).size(), Theirs.size() + 1);  // and x.png
  EXPECT_EQ(Bytes(Folder.File("x.png")), "replaced");
}

TEST(TAtomicFile, LinksAreWrittenThroughAndNeverReplaced) {
  namespace fs = std::filesystem;
  TTempFolder Folder;
  fs::create_directory(Folder.File("in"));
  // Link, what it points to (from its folder), the file written; none: refused.
  const std::vector<std::tuple<std::string, std::string, std::string>> Cases{
      {"dangling", "in/new", "in/new"}, {"chain", "dangling", "in/new"}, {"loop", "loop", ""}};
  for (const auto& [Link, To, Written] : Cases) {
    fs::create_symlink(To, Folder.File(Link));
    if (Written.empty()) {
      EXPECT_THROW(Save(Folder.File(Link), Link), EFCreateError);
    } else {
      Save(Folder.File(Link), Link);
      EXPECT_EQ(Bytes(Folder.File(Written)), Link);
    }
    EXPECT_EQ(fs::read_symlink(Folder.File(Link)).string(), To) << Link;
  }
  EXPECT_EQ(Names(Folder.File("in")), std::set<std::string>{"new"});
}
