// Unit Compress: the bit stream, the code builder, the stream coder and the
// reports, against the worked examples and against the slow literal model of
// the symbol-by-symbol procedures (CompressModel.h: counting, linear-search
// coding and decoding), which shares nothing with the engine's loops.
#include "AbracadabraGolden.h"
#include "Compress.h"
#include "CompressModel.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using TBytes = std::vector<uint8_t>;

// ---------------------------------------------------------------------------
// Independent helpers

TBytes BytesOf(const std::string& Text) { return TBytes(Text.begin(), Text.end()); }

TBytes StreamBytes(const TMemoryStream& Stream) {
  const auto* P = static_cast<const uint8_t*>(Stream.Memory());
  return P == nullptr ? TBytes() : TBytes(P, P + Stream.Size());
}

void Fill(TMemoryStream& Stream, const TBytes& Bytes) {
  Stream.Clear();
  if (!Bytes.empty()) Stream.Write(Bytes.data(), static_cast<int32_t>(Bytes.size()));
  Stream.SetPosition(0);
}

// Frequencies as the table build reads them: 4 bytes each, low byte first.
void FillTable(THuffman& Huffman, const std::vector<int32_t>& Frequencies) {
  Huffman.Clear();
  for (const int32_t F : Frequencies) {
    const uint32_t U = static_cast<uint32_t>(F);
    const uint8_t B[4] = {uint8_t(U), uint8_t(U >> 8), uint8_t(U >> 16), uint8_t(U >> 24)};
    Huffman.InStream().Write(B, 4);
  }
}

// The coded form of Data by the steps of a counting build and coding, one by
// one (Encode would store a form that does not pay).
TBytes CodedBySteps(THuffman& Huffman, const TBytes& Data) {
  Fill(Huffman.InStream(), Data);
  Huffman.CountFrequencies();
  Huffman.BuildTree();
  Huffman.AssignCodes();
  Huffman.EncodeData();
  return StreamBytes(Huffman.OutStream());
}

std::vector<THuffmanNode> NodesOf(const THuffman& Huffman, int32_t Count) {
  std::vector<THuffmanNode> Nodes(static_cast<size_t>(Count));
  for (int32_t I = 0; I < Count; ++I) Huffman.GetNode(I, Nodes[static_cast<size_t>(I)]);
  return Nodes;
}

std::string Hex(const TBytes& Bytes) {
  static const char* Digits = "0123456789ABCDEF";
  std::string Text;
  for (const uint8_t B : Bytes) {
    if (!Text.empty()) Text += ' ';
    Text += Digits[B >> 4];
    Text += Digits[B & 15];
  }
  return Text;
}

// The reference coder: the slow literal model shared with the fuzz targets.
TBytes RefEncode(const std::vector<THuffmanNode>& Nodes, const TBytes& Data) {
  return CompressModel::CodedForm(Nodes, Data.data(), Data.size());
}

uint64_t RefGetBits(const TBytes& Bytes, uint64_t Bit, int32_t Count) {
  return CompressModel::GetBits(Bytes.data(), Bytes.size(), Bit, Count);
}

// A coded form written field by field: PayloadBytes whole payload bytes (no
// tail bits), W-bit length counts that give one code of length 1 (no counts
// when W is 0), the data values Values, then the Payload bytes.
TBytes OneCodeForm(uint32_t PayloadBytes, int32_t W, const TBytes& Values, const TBytes& Payload) {
  CompressModel::TBitWriter Out;
  Out.Put(PayloadBytes * 4 + 1, 32);
  Out.Put(0, 3);
  Out.Put(uint64_t(W), 5);
  Out.Put(Values.size(), 8);
  for (const uint8_t V : Values) Out.Put(V, 8);
  if (W > 0)
    for (int32_t Length = 1; Length <= 16; ++Length) Out.Put(Length == 1 ? 1 : 0, W);
  Out.Bytes.insert(Out.Bytes.end(), Payload.begin(), Payload.end());
  return Out.Bytes;
}

// Generated inputs of several shapes.
TBytes RandomBytes(std::mt19937& Rng, size_t Size, int Shape) {
  TBytes Data(Size);
  std::uniform_int_distribution<int> Byte(0, 255);
  std::geometric_distribution<int> Skew(0.3);
  for (size_t I = 0; I < Size; ++I) {
    switch (Shape % 4) {
      case 0: Data[I] = uint8_t(Byte(Rng)); break;
      case 1: Data[I] = uint8_t(std::min(Skew(Rng), 255)); break;
      case 2: Data[I] = uint8_t("etaoin shrdlu"[Rng() % 13]); break;
      default: Data[I] = uint8_t(Byte(Rng) < 250 ? 7 : Byte(Rng)); break;
    }
  }
  return Data;
}

// Frequencies 1, 1, 2, 3, 5, ... (Count values).
std::vector<int32_t> Fibonacci(int Count) {
  std::vector<int32_t> F{1, 1};
  while (int(F.size()) < Count) F.push_back(F[F.size() - 1] + F[F.size() - 2]);
  F.resize(size_t(Count));
  return F;
}

const std::string Abracadabra = "abracadabra";
const std::string SNotHuffman = "Data error .  Not Huffman encoded data .";
const std::string SCanNotDecode = "Data error .  Can not decode .";

template <typename TCall>
std::string MessageOf(TCall Call) {
  try {
    Call();
  } catch (const Exception& E) {
    return E.Message();
  }
  return "(no exception)";
}

}  // namespace

// ===========================================================================
// TBitStream

TEST(TBitStream, LsbFirstWritesAndRewritesTheHeaderInPlace) {
  TBitStream S;
  S.SetLsbFirst(true);
  const uint32_t Nine = 9, Seven = 7, Three = 3, Two = 2;
  EXPECT_EQ(S.WriteBits(&Nine, 32), 32);
  EXPECT_EQ(S.WriteBits(&Seven, 3), 3);
  EXPECT_EQ(S.WriteBits(&Three, 5), 5);
  EXPECT_EQ(Hex(StreamBytes(S)), "09 00 00 00 1F");
  S.SetPosition(4);
  S.SetBitPosition(0);
  S.WriteBits(&Two, 3);
  EXPECT_EQ(Hex(StreamBytes(S)), "09 00 00 00 1A");
  EXPECT_EQ(S.Position(), 4);
  EXPECT_EQ(S.BitPosition(), 3);
}

TEST(TBitStream, MsbFirstKeepsBitStringsLeftAligned) {
  TBitStream S;
  const uint8_t A0 = 0xA0;
  EXPECT_EQ(S.WriteBits(&A0, 3), 3);
  EXPECT_EQ(Hex(StreamBytes(S)), "A0");
  S.SetPosition(0);
  S.SetBitPosition(0);
  uint8_t Back = 0;
  EXPECT_EQ(S.ReadBits(&Back, 3), 3);
  EXPECT_EQ(Back, 0xA0);
}

TEST(TBitStream, CountsOutsideOneToThirtyTwoAreRefused) {
  TBitStream S;
  Fill(S, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  S.SetPosition(1);
  S.SetBitPosition(3);
  uint64_t V = 0;
  EXPECT_EQ(S.ReadBits(&V, 0), 0);
  EXPECT_EQ(S.ReadBits(&V, 33), 0);
  EXPECT_EQ(S.WriteBits(&V, 0), 0);
  EXPECT_EQ(S.WriteBits(&V, 33), 0);
  EXPECT_EQ(S.Position(), 1);
  EXPECT_EQ(S.BitPosition(), 3);
  EXPECT_EQ(V, 0u);
  EXPECT_EQ(S.Size(), 5);
}

TEST(TBitStream, ReadingPastTheEndDeliversWhatIsLeft) {
  TBitStream S;
  S.SetLsbFirst(true);
  Fill(S, {0x00, 0xFF});
  S.SetPosition(1);
  S.SetBitPosition(3);
  uint32_t V = 0xFFFFFFFF;
  EXPECT_EQ(S.ReadBits(&V, 16), 5);
  EXPECT_EQ(V, 0xFFFFFF1Fu);  // one byte delivered: 5 bits, the rest of it 0
  EXPECT_EQ(S.Position(), S.Size());
  EXPECT_EQ(S.BitPosition(), 0);
  EXPECT_EQ(S.ReadBits(&V, 1), 0);
}

TEST(TBitStream, BitPositionOutsideZeroToSevenIsARangeError) {
  TBitStream S;
  S.SetBitPosition(5);
  EXPECT_EQ(MessageOf([&] { S.SetBitPosition(8); }),
            "BitPosition 8 is not within the range of 0..7 .");
  EXPECT_EQ(MessageOf([&] { S.SetBitPosition(-1); }),
            "BitPosition -1 is not within the range of 0..7 .");
  EXPECT_THROW(S.SetBitPosition(8), ERangeError);
  EXPECT_EQ(S.BitPosition(), 5);
}

TEST(TBitStream, ByteReadAndWriteResetTheBitPosition) {
  TBitStream S;
  S.SetLsbFirst(true);
  const uint32_t Five = 5;
  S.WriteBits(&Five, 3);
  EXPECT_EQ(S.BitPosition(), 3);
  const uint8_t Bytes[2] = {0xAB, 0xCD};
  EXPECT_EQ(S.Write(Bytes, 2), 2);
  EXPECT_EQ(S.BitPosition(), 0);
  EXPECT_EQ(Hex(StreamBytes(S)), "AB CD");  // whole bytes at the position
  S.SetPosition(0);
  S.SetBitPosition(6);
  uint8_t One = 0;
  EXPECT_EQ(S.Read(&One, 1), 1);
  EXPECT_EQ(One, 0xAB);
  EXPECT_EQ(S.BitPosition(), 0);
}

TEST(TBitStream, RandomRunsMatchABitByBitModelInBothOrders) {
  std::mt19937 Rng(7);
  for (const bool Lsb : {true, false}) {
    TBitStream S;
    S.SetLsbFirst(Lsb);
    std::vector<int> Model;  // stream bits in stream order
    uint64_t Cursor = 0;
    for (int Step = 0; Step < 3000; ++Step) {
      const int32_t Count = int32_t(Rng() % 32) + 1;
      if (Step % 7 == 6 && !Model.empty()) {  // reposition somewhere inside
        Cursor = Rng() % Model.size();
        S.SetPosition(int64_t(Cursor / 8));
        S.SetBitPosition(int32_t(Cursor % 8));
      }
      uint8_t Buffer[4];
      for (auto& B : Buffer) B = uint8_t(Rng());
      ASSERT_EQ(S.WriteBits(Buffer, Count), Count);
      for (int32_t J = 0; J < Count; ++J) {
        const int Bit = Lsb ? (Buffer[J / 8] >> (J % 8)) & 1 : (Buffer[J / 8] >> (7 - J % 8)) & 1;
        if (Cursor + uint64_t(J) >= Model.size()) Model.resize(Cursor + uint64_t(J) + 1, 0);
        Model[Cursor + uint64_t(J)] = Bit;
      }
      Cursor += uint64_t(Count);
      ASSERT_EQ(uint64_t(S.Position() * 8 + S.BitPosition()), Cursor);
    }
    Model.resize((Model.size() + 7) / 8 * 8, 0);  // the last byte's spare bits are 0
    const TBytes Bytes = StreamBytes(S);
    ASSERT_EQ(Bytes.size() * 8, Model.size());
    for (size_t B = 0; B < Model.size(); ++B) {
      const int Bit = Lsb ? (Bytes[B / 8] >> (B % 8)) & 1 : (Bytes[B / 8] >> (7 - B % 8)) & 1;
      ASSERT_EQ(Bit, Model[B]) << "bit " << B << (Lsb ? " lsb" : " msb");
    }
    // Reads of random lengths from random places agree with the model.
    for (int Step = 0; Step < 2000; ++Step) {
      const uint64_t From = Rng() % Model.size();
      const int32_t Count = int32_t(Rng() % 32) + 1;
      S.SetPosition(int64_t(From / 8));
      S.SetBitPosition(int32_t(From % 8));
      uint8_t Buffer[6] = {0x55, 0x55, 0x55, 0x55, 0x55, 0x55};
      const int32_t Got = S.ReadBits(Buffer, Count);
      ASSERT_EQ(uint64_t(Got), std::min<uint64_t>(uint64_t(Count), Model.size() - From));
      for (int32_t J = 0; J < (Got + 7) / 8 * 8; ++J) {
        const int Bit = Lsb ? (Buffer[J / 8] >> (J % 8)) & 1 : (Buffer[J / 8] >> (7 - J % 8)) & 1;
        ASSERT_EQ(Bit, J < Got ? Model[From + uint64_t(J)] : 0);
      }
      ASSERT_EQ(Buffer[(Got + 7) / 8], 0x55);  // nothing beyond the delivered bytes
    }
  }
}

// ===========================================================================
// THuffman: the code builder

TEST(THuffman, AbracadabraBuildsTheWorkedExampleTable) {
  THuffman H;
  Fill(H.InStream(), BytesOf(Abracadabra));
  ASSERT_EQ(H.CountFrequencies(), 5);
  ASSERT_EQ(H.BuildTree(), 5);
  ASSERT_EQ(H.AssignCodes(), 5);
  const auto N = NodesOf(H, 5);
  const char Data[] = {'a', 'b', 'r', 'c', 'd'};
  const int32_t Index[] = {0, 2, 1, 4, 3}, Frequency[] = {5, 2, 2, 1, 1};
  const int32_t Parent[] = {8, 6, 6, 5, 5}, Length[] = {1, 3, 3, 3, 3};
  const int32_t Pattern[] = {0, 1, 5, 3, 7};
  for (int K = 0; K < 5; ++K) {
    SCOPED_TRACE(K);
    EXPECT_EQ(N[size_t(K)].Data, uint8_t(Data[K]));
    EXPECT_EQ(N[size_t(K)].Index, Index[K]);
    EXPECT_EQ(N[size_t(K)].Frequency, Frequency[K]);
    EXPECT_EQ(N[size_t(K)].Parent, Parent[K]);
    EXPECT_EQ(N[size_t(K)].BitLength, Length[K]);
    EXPECT_EQ(N[size_t(K)].BitPattern, Pattern[K]);
    EXPECT_EQ(N[size_t(K)].Left, -1);
    EXPECT_EQ(N[size_t(K)].Right, -1);
  }
  EXPECT_THROW(H.GetNode(5, const_cast<THuffmanNode&>(N[0])), ERangeError);
}

TEST(THuffman, CountingBeforeTheTreeSortsTheFirstOccurrenceOrder) {
  THuffman H;
  Fill(H.InStream(), BytesOf(Abracadabra));
  H.InStream().SetPosition(7);  // counting ignores the position
  ASSERT_EQ(H.CountFrequencies(), 5);
  const auto N = NodesOf(H, 5);
  // First occurrence a, b, r, c, d; the quicksort gives a, r, b, d, c.
  EXPECT_EQ(std::string({char(N[0].Data), char(N[1].Data), char(N[2].Data), char(N[3].Data),
                         char(N[4].Data)}),
            "arbdc");
  for (int K = 0; K < 5; ++K) EXPECT_EQ(N[size_t(K)].Index, K);
}

TEST(THuffman, EqualFrequenciesFollowTheQuicksortOrder) {
  // Per leaf: Data, Index, BitLength, BitPattern, Parent.
  using TLeafRow = std::array<int32_t, 5>;
  const std::vector<std::pair<std::vector<int32_t>, std::vector<TLeafRow>>> Cases = {
      // Three equal: the tree puts data 2 at depth 1, and the final sort puts
      // data 0 before data 1 (a stable sort would keep 1 before 0).
      {{1, 1, 1}, {{2, 0, 1, 0, 4}, {0, 2, 2, 1, 3}, {1, 1, 2, 3, 3}}},
      // Four equal: data order 0..3 again, but each leaf keeps the position
      // the first sort gave it (2, 3, 0, 1) as Index.
      {{1, 1, 1, 1}, {{0, 2, 2, 0, 4}, {1, 3, 2, 2, 4}, {2, 0, 2, 1, 5}, {3, 1, 2, 3, 5}}},
  };
  THuffman H;
  for (const auto& [Table, Leaves] : Cases) {
    FillTable(H, Table);
    ASSERT_EQ(H.BuildFromTable(), int32_t(Leaves.size()));
    const auto N = NodesOf(H, int32_t(Leaves.size()));
    for (size_t K = 0; K < Leaves.size(); ++K) {
      const auto& [Data, Index, Length, Pattern, Parent] = Leaves[K];
      EXPECT_EQ(N[K].Data, Data) << Table.size() << " leaves, leaf " << K;
      EXPECT_EQ(N[K].Index, Index);
      EXPECT_EQ(N[K].BitLength, Length);
      EXPECT_EQ(N[K].BitPattern, Pattern);
      EXPECT_EQ(N[K].Parent, Parent);
    }
  }
}

TEST(THuffman, OneDistinctValueGetsLengthOnePatternZero) {
  THuffman H;
  Fill(H.InStream(), TBytes(500, 0x33));
  H.Encode();
  ASSERT_EQ(H.Count(), 1);
  THuffmanNode N;
  H.GetNode(0, N);
  EXPECT_EQ(N.Data, 0x33);
  EXPECT_EQ(N.Frequency, 500);
  EXPECT_EQ(N.BitLength, 1);
  EXPECT_EQ(N.BitPattern, 0);
  EXPECT_EQ(N.Parent, 1);
  EXPECT_THROW(H.GetNode(1, N), ERangeError);
}

TEST(THuffman, AllByteValuesEqualGetEightBitReversedCodes) {
  THuffman H;
  TBytes Data;
  for (int Round = 0; Round < 3; ++Round)
    for (int V = 0; V < 256; ++V) Data.push_back(uint8_t(V));
  Fill(H.InStream(), Data);
  H.Encode();
  ASSERT_EQ(H.Count(), 256);
  const auto N = NodesOf(H, 256);
  for (int K = 0; K < 256; ++K) {
    int Reversed = 0;
    for (int B = 0; B < 8; ++B)
      if ((K >> B) & 1) Reversed |= 1 << (7 - B);
    ASSERT_EQ(N[size_t(K)].BitLength, 8);
    ASSERT_EQ(N[size_t(K)].BitPattern, Reversed) << K;
  }
}

TEST(THuffman, FibonacciFrequenciesAreLimitedToSixteenBits) {
  THuffman H;
  FillTable(H, Fibonacci(20));
  ASSERT_EQ(H.BuildFromTable(), 20);
  const auto N = NodesOf(H, 20);
  int Counts[17] = {};
  for (const auto& Node : N) ++Counts[Node.BitLength];
  for (int L = 1; L <= 13; ++L) EXPECT_EQ(Counts[L], 1) << L;
  EXPECT_EQ(Counts[14], 0);
  EXPECT_EQ(Counts[15], 1);
  EXPECT_EQ(Counts[16], 6);
  // The six least frequent values (data 0..5) share length 16; the code is
  // complete and canonical in table order.
  uint64_t Kraft = 0;
  for (const auto& Node : N) {
    if (Node.Data <= 5) {
      EXPECT_EQ(Node.BitLength, 16);
    }
    Kraft += uint64_t(1) << (16 - Node.BitLength);
  }
  EXPECT_EQ(Kraft, 65536u);
  for (size_t K = 1; K < N.size(); ++K) EXPECT_LE(N[K - 1].BitLength, N[K].BitLength);
  EXPECT_EQ(N[19].BitPattern, 65535);  // the last code is all ones
}

TEST(THuffman, TableBuildRulesForZeroNegativeAndLongTables) {
  THuffman H;
  FillTable(H, {4, 0, -1, 5});
  EXPECT_EQ(H.BuildFromTable(), 0);
  EXPECT_EQ(H.Count(), 0);
  THuffmanNode N;
  EXPECT_THROW(H.GetNode(0, N), ERangeError);
  FillTable(H, std::vector<int32_t>(300, 0));
  EXPECT_EQ(H.BuildFromTable(), 0);
  // Only the first 256 words count: a negative or positive word after them
  // changes nothing.
  std::vector<int32_t> Long(256, 0);
  Long[3] = 9;
  Long[200] = 2;
  Long.push_back(-5);
  Long.push_back(100);
  FillTable(H, Long);
  ASSERT_EQ(H.BuildFromTable(), 2);
  H.GetNode(0, N);
  EXPECT_EQ(N.Data, 3);
  H.GetNode(1, N);
  EXPECT_EQ(N.Data, 200);
  EXPECT_EQ(H.OutStream().Size(), 0);
}

TEST(THuffman, ATrailingPartialWordKeepsThePreviousHighBytes) {
  THuffman H;
  // Word 0 = 0x01000000 + 7; then one byte 0x05: value 0x01000005.
  Fill(H.InStream(), {7, 0, 0, 1, 5});
  ASSERT_EQ(H.LoadFrequencies(), 2);
  THuffmanNode N;
  H.GetNode(0, N);
  EXPECT_EQ(N.Data, 0);
  EXPECT_EQ(N.Frequency, 0x01000007);
  H.GetNode(1, N);
  EXPECT_EQ(N.Data, 1);
  EXPECT_EQ(N.Frequency, 0x01000005);
  // A stream shorter than a word: the missing high bytes are 0.
  Fill(H.InStream(), {3, 0});
  ASSERT_EQ(H.LoadFrequencies(), 1);
  H.GetNode(0, N);
  EXPECT_EQ(N.Frequency, 3);
}

TEST(THuffman, EmptyStreamCountsNothingAndKeepsTheTable) {
  THuffman H;
  Fill(H.InStream(), BytesOf(Abracadabra));
  H.Encode();
  H.InStream().Clear();
  EXPECT_EQ(H.CountFrequencies(), 0);
  EXPECT_EQ(H.Count(), 5);
  THuffmanNode N;
  H.GetNode(4, N);
  EXPECT_EQ(N.Data, 'd');
}

TEST(THuffman, GetNodeOutOfRangeNamesTheValidRange) {
  THuffman H;
  Fill(H.InStream(), BytesOf(Abracadabra));
  H.Encode();
  THuffmanNode N;
  EXPECT_EQ(MessageOf([&] { H.GetNode(-1, N); }), "-1 is not within the valid range of 0..4");
  EXPECT_EQ(MessageOf([&] { H.GetNode(5, N); }), "5 is not within the valid range of 0..4");
  H.Clear();
  EXPECT_EQ(MessageOf([&] { H.GetNode(0, N); }), "0 is not within the valid range of 0..-1");
}

TEST(THuffman, ClearEmptiesTheTableAndBothStreams) {
  THuffman H;
  Fill(H.InStream(), BytesOf(Abracadabra));
  H.Encode();
  H.Clear();
  EXPECT_EQ(H.Count(), 0);
  EXPECT_EQ(H.InStream().Size(), 0);
  EXPECT_EQ(H.OutStream().Size(), 0);
  EXPECT_TRUE(H.InStream().LsbFirst());
  EXPECT_TRUE(H.OutStream().LsbFirst());
}

TEST(THuffman, CountingMatchesTheModelOnVariedInputs) {
  std::mt19937 Rng(11);
  for (int Case = 0; Case < 60; ++Case) {
    const TBytes Data = RandomBytes(Rng, 1 + Rng() % 5000, Case);
    const auto Leaves = CompressModel::CountLeaves(Data.data(), Data.size());
    THuffman H;
    Fill(H.InStream(), Data);
    ASSERT_EQ(H.CountFrequencies(), int32_t(Leaves.size()));
    for (size_t K = 0; K < Leaves.size(); ++K) {
      THuffmanNode N;
      H.GetNode(int32_t(K), N);
      ASSERT_EQ(N.Data, Leaves[K].Data) << Case << " " << K;
      ASSERT_EQ(N.Frequency, Leaves[K].Frequency);
      ASSERT_EQ(N.Index, int32_t(K));
    }
  }
}

TEST(THuffman, BuildsAreCompleteLimitedAndCanonical) {
  std::mt19937 Rng(5);
  for (int Case = 0; Case < 300; ++Case) {
    std::vector<int32_t> F(256, 0);
    const int Used = 1 + int(Rng() % 256);
    for (int K = 0; K < Used; ++K)
      F[Rng() % 256] = Case % 3 == 0 ? int32_t(1 + Rng() % 3)
                                     : int32_t(1 + (Rng() % 1000000) / (1 + Rng() % 5000));
    THuffman H;
    FillTable(H, F);
    const int32_t Count = H.BuildFromTable();
    const auto N = NodesOf(H, Count);
    uint64_t Kraft = 0;
    for (size_t K = 0; K < N.size(); ++K) {
      ASSERT_GE(N[K].BitLength, 1);
      ASSERT_LE(N[K].BitLength, 16);
      if (K > 0) {
        ASSERT_GE(N[K - 1].Frequency, N[K].Frequency);
        ASSERT_LE(N[K - 1].BitLength, N[K].BitLength);
      }
      Kraft += uint64_t(1) << (16 - N[K].BitLength);
    }
    if (Count >= 2) {
      ASSERT_EQ(Kraft, 65536u);
    }
    // Canonical in table order: the codes, read first bit first, increase.
    uint32_t Previous = 0;
    for (size_t K = 0; K < N.size(); ++K) {
      uint32_t Code = 0;
      for (int B = 0; B < N[K].BitLength; ++B)
        Code = Code << 1 | ((uint32_t(N[K].BitPattern) >> B) & 1);
      const uint32_t Aligned = Code << (16 - N[K].BitLength);
      if (K > 0) {
        ASSERT_GT(Aligned, Previous);
      }
      Previous = Aligned;
    }
  }
}

TEST(ReverseBits, TurnsTheLowBitsOfTheShiftedCode) {
  EXPECT_EQ(ReverseBits(0x8000, 1), 1);
  EXPECT_EQ(ReverseBits(0x0000, 1), 0);
  EXPECT_EQ(ReverseBits(0xC000, 3), 3);  // 110 -> 011
  EXPECT_EQ(ReverseBits(0x8000, 3), 1);  // 100 -> 001
  EXPECT_EQ(ReverseBits(0x0001, 16), 0x8000);
  EXPECT_EQ(ReverseBits(0x10000, 1), 2);  // a bit above the length stays
}

TEST(BitWidth, CountsShiftsToZeroAtLeastOne) {
  EXPECT_EQ(BitWidth(0), 1);
  EXPECT_EQ(BitWidth(1), 1);
  EXPECT_EQ(BitWidth(2), 2);
  EXPECT_EQ(BitWidth(3), 2);
  EXPECT_EQ(BitWidth(4), 3);
  EXPECT_EQ(BitWidth(7), 3);
  EXPECT_EQ(BitWidth(256), 9);
  EXPECT_EQ(BitWidth(0xFFFFFFFFu), 32);
}

// ===========================================================================
// THuffman: the stream coder

TEST(THuffmanCoder, AbracadabraCodesToTheTwentyBytes) {
  THuffman H;
  Fill(H.InStream(), BytesOf(Abracadabra));
  H.CountFrequencies();
  H.BuildTree();
  H.AssignCodes();
  EXPECT_EQ(H.EncodeData(), 20);
  EXPECT_EQ(Hex(StreamBytes(H.OutStream())),
            "09 00 00 00 1F 05 61 62 72 63 64 01 01 00 00 00 00 52 73 29");
  EXPECT_EQ(H.OutStream().Position(), 4);
  EXPECT_EQ(H.OutStream().BitPosition(), 3);
}

TEST(THuffmanCoder, AbracadabraEncodesToTheStoredForm) {
  THuffman H;
  Fill(H.InStream(), BytesOf(Abracadabra));
  EXPECT_EQ(H.Encode(), 15);
  EXPECT_EQ(Hex(StreamBytes(H.OutStream())), "2C 00 00 00 61 62 72 61 63 61 64 61 62 72 61");
  EXPECT_EQ(H.Count(), 5);  // the code stays built
  H.SwapStreams();
  EXPECT_EQ(H.Decode(), 11);
  EXPECT_EQ(StreamBytes(H.OutStream()), BytesOf(Abracadabra));
  EXPECT_EQ(H.Count(), 5);  // a stored form leaves the table alone
}

TEST(THuffmanCoder, ThousandBytesOfOneValueStayCoded) {
  THuffman H;
  Fill(H.InStream(), TBytes(1000, 0x41));
  EXPECT_EQ(H.Encode(), 134);
  TBytes Expected = {0xF5, 0x01, 0x00, 0x00, 0x08, 0x01, 0x41, 0x01, 0x00};
  Expected.resize(134, 0);
  EXPECT_EQ(StreamBytes(H.OutStream()), Expected);
  H.SwapStreams();
  EXPECT_EQ(H.CheckFormat(), 1);
  EXPECT_EQ(H.Decode(), 1000);
  EXPECT_EQ(StreamBytes(H.OutStream()), TBytes(1000, 0x41));
  THuffmanNode N;
  H.GetNode(0, N);
  EXPECT_EQ(N.Frequency, 0);  // read back from the table
  EXPECT_EQ(N.BitLength, 1);
}

// A coder keeps its output block for the next call only while the block is
// at most twice what that call may need: a large job's block does not stay
// behind a small one, coding or decoding.
TEST(THuffmanCoder, ALargeOutputBlockIsNotKeptForASmallOutput) {
  TBytes Large(size_t{4} << 20);
  for (size_t I = 0; I < Large.size(); ++I) Large[I] = static_cast<uint8_t>(I * 7 % 251);
  THuffman Small;
  Fill(Small.InStream(), TBytes(1000, 0x41));
  Small.Encode();
  const TBytes SmallCoded = StreamBytes(Small.OutStream());
  THuffman H;
  Fill(H.InStream(), Large);
  H.Encode();
  ASSERT_GT(H.OutStream().Capacity(), int64_t{1} << 20);
  Fill(H.InStream(), TBytes(1000, 0x41));
  EXPECT_EQ(H.Encode(), 134);
  EXPECT_LT(H.OutStream().Capacity(), 65536) << "coding";
  Fill(H.InStream(), Large);
  H.Encode();
  H.SwapStreams();
  H.Decode();
  ASSERT_EQ(StreamBytes(H.OutStream()), Large);
  Fill(H.InStream(), SmallCoded);
  EXPECT_EQ(H.Decode(), 1000);
  EXPECT_LT(H.OutStream().Capacity(), 65536) << "decoding";
}

TEST(THuffmanCoder, EmptyInputStoresFourZeroBytesAndKeepsTheCode) {
  THuffman H;
  Fill(H.InStream(), BytesOf(Abracadabra));
  H.Encode();
  H.InStream().Clear();
  EXPECT_EQ(H.Encode(), 4);
  EXPECT_EQ(Hex(StreamBytes(H.OutStream())), "00 00 00 00");
  EXPECT_EQ(H.Count(), 5);
  H.SwapStreams();
  EXPECT_EQ(H.Decode(), 0);
  EXPECT_EQ(H.OutStream().Size(), 0);
}

TEST(THuffmanCoder, AllByteValuesWriteTheCountAsZero) {
  THuffman H;
  TBytes Data;
  for (int V = 0; V < 256; ++V) Data.insert(Data.end(), size_t(V % 7 + 1) * 40, uint8_t(V));
  Fill(H.InStream(), Data);
  H.Encode();
  const TBytes Coded = StreamBytes(H.OutStream());
  ASSERT_LT(Coded.size(), Data.size());
  EXPECT_EQ(Coded[5], 0);
  H.SwapStreams();
  EXPECT_EQ(H.CheckFormat(), 1);
  EXPECT_EQ(H.ReadTable(), 256);
  EXPECT_EQ(H.Decode(), int32_t(Data.size()));
  EXPECT_EQ(StreamBytes(H.OutStream()), Data);
}

TEST(THuffmanCoder, CheckFormatClassifiesBySize) {
  THuffman H;
  Fill(H.InStream(), {0x08, 0, 0, 0, 1, 2});
  EXPECT_EQ(H.CheckFormat(), 0);
  Fill(H.InStream(), {0x08, 0, 0, 0, 1});
  EXPECT_EQ(H.CheckFormat(), -1);
  Fill(H.InStream(), {0x00, 0, 0});
  EXPECT_EQ(H.CheckFormat(), -1);
  Fill(H.InStream(), {});
  EXPECT_EQ(H.CheckFormat(), -1);
  // Tags 2 and 3 count as coded.
  TBytes Coded = CodedBySteps(H, BytesOf(Abracadabra));
  Coded[0] = uint8_t((Coded[0] & ~3) | 3);
  Fill(H.InStream(), Coded);
  EXPECT_EQ(H.CheckFormat(), 1);
}

TEST(THuffmanCoder, DamagedFormsRaiseTheDataErrors) {
  THuffman H;
  Fill(H.InStream(), TBytes(1000, 0x41));
  H.Encode();
  const TBytes Coded = StreamBytes(H.OutStream());
  TBytes Longer = Coded;
  Longer.push_back(0);
  Fill(H.InStream(), Longer);
  EXPECT_EQ(MessageOf([&] { H.Decode(); }), SNotHuffman);
  Fill(H.InStream(), TBytes(Coded.begin(), Coded.end() - 1));
  EXPECT_EQ(MessageOf([&] { H.Decode(); }), SNotHuffman);
  for (size_t Size = 0; Size < 4; ++Size) {
    Fill(H.InStream(), TBytes(Size, 0));
    EXPECT_EQ(MessageOf([&] { H.Decode(); }), SNotHuffman) << Size;
  }
  // A one-leaf code has only the code 0: any 1 bit cannot be decoded.
  TBytes Damaged = Coded;
  Damaged[50] = 0x10;
  Fill(H.InStream(), Damaged);
  EXPECT_EQ(MessageOf([&] { H.Decode(); }), SCanNotDecode);
  EXPECT_EQ(H.OutStream().Size(), (50 - 9) * 8 + 4);  // what was decoded before
  // A stored form whose size does not match, straight to RestoreData.
  Fill(H.InStream(), {0x0C, 0, 0, 0, 1, 2});
  EXPECT_EQ(MessageOf([&] { H.RestoreData(); }), SNotHuffman);
  EXPECT_THROW(H.Decode(), Exception);
}

TEST(THuffmanCoder, CountsThatLeaveLengthZeroEntriesRaiseInsteadOfLooping) {
  // The stream, what Decode raises, and the bytes it leaves.
  const std::vector<std::tuple<TBytes, std::string, TBytes>> Cases = {
      // N = 2 (data 'x', 'y'), W = 1, counts: one code of length 1 only, so
      // 'y' gets length 0.  Payload 16 bits: every bit 0 decodes to 'x'.
      {OneCodeForm(2, 1, BytesOf("xy"), {0x00, 0x00}), "(no exception)", TBytes(16, 'x')},
      {OneCodeForm(2, 1, BytesOf("xy"), {0x01, 0x00}), SCanNotDecode, {}},
      // W = 0: no counts at all, every entry has length 0.
      {OneCodeForm(1, 0, BytesOf("z"), {0x00}), SCanNotDecode, {}},
  };
  THuffman H;
  for (const auto& [Stream, Message, Out] : Cases) {
    Fill(H.InStream(), Stream);
    int32_t Result = -1;
    EXPECT_EQ(MessageOf([&] { Result = H.Decode(); }), Message) << Hex(Stream);
    EXPECT_EQ(StreamBytes(H.OutStream()), Out);
    if (Message == "(no exception)") {
      EXPECT_EQ(Result, int32_t(Out.size()));
    }
  }
}

TEST(THuffmanCoder, APayloadPastTheStreamEndIsNotDecoded) {
  // Straight to ReadTable and DecodeData, past Decode's size check: a header
  // that promises 2^30 payload bytes on a stream of a few bytes.
  THuffman H;
  Fill(H.InStream(), TBytes(1000, 0x41));
  H.Encode();
  TBytes Coded = StreamBytes(H.OutStream());
  Coded[3] = 0xFF;
  Fill(H.InStream(), Coded);
  H.ReadTable();
  H.OutStream().Clear();
  H.OutStream().Write("kept", 4);
  EXPECT_EQ(MessageOf([&] { H.DecodeData(); }), SNotHuffman);
  EXPECT_EQ(H.OutStream().Size(), 4);
  // One byte short is refused too; the exact size decodes.
  Fill(H.InStream(), TBytes(1000, 0x41));
  H.Encode();
  Coded = StreamBytes(H.OutStream());
  Fill(H.InStream(), TBytes(Coded.begin(), Coded.end() - 1));
  H.ReadTable();
  EXPECT_EQ(MessageOf([&] { H.DecodeData(); }), SNotHuffman);
  Fill(H.InStream(), Coded);
  H.ReadTable();
  EXPECT_EQ(H.DecodeData(), 1000);
}

TEST(THuffmanCoder, OversizedFormsRaiseARangeErrorAndLeaveNoOutput) {
  THuffman H;
  // The stored form holds at most 2^30-1 bytes.  Untouched pages cost no
  // memory.
  H.InStream().SetSize(int64_t(1) << 30);
  H.OutStream().Write("old", 3);
  EXPECT_THROW(H.StoreData(), ERangeError);
  EXPECT_EQ(H.OutStream().Size(), 0);
  // A coded payload of 2^30 bytes: 2^29 zero bytes at 16 bits each.
  FillTable(H, Fibonacci(20));  // data 0 gets a 16-bit code
  H.BuildFromTable();
  H.InStream().Clear();
  H.InStream().SetSize(int64_t(1) << 29);
  EXPECT_EQ(MessageOf([&] { H.EncodeData(); }),
            "Coded data size 1073741824 is not within the range of 0..1073741823 .");
  EXPECT_EQ(H.OutStream().Size(), 0);
}

TEST(THuffmanCoder, CountingMoreThanTwoGigabytesIsARangeError) {
  THuffman H;
  Fill(H.InStream(), BytesOf(Abracadabra));
  H.Encode();
  H.InStream().SetSize(int64_t(1) << 31);
  EXPECT_EQ(MessageOf([&] { H.CountFrequencies(); }),
            "Stream size 2147483648 is not within the range of 0..2147483647 .");
  EXPECT_EQ(H.Count(), 5);
}

namespace {
// A coder whose coded form never fits the header.
class TOverflowingHuffman : public THuffman {
public:
  int32_t EncodeData() override { throw ERangeError("too large"); }
};
}  // namespace

TEST(THuffmanCoder, EncodeFallsBackToTheStoredFormWhenTheCodedOneCannotBeHeld) {
  TOverflowingHuffman H;
  Fill(H.InStream(), BytesOf(Abracadabra));
  EXPECT_EQ(H.Encode(), 15);
  EXPECT_EQ(StreamBytes(H.OutStream())[0], 0x2C);
}

TEST(THuffmanCoder, EncodingMatchesLinearSearchOnVariedInputs) {
  std::mt19937 Rng(3);
  for (int Case = 0; Case < 200; ++Case) {
    const TBytes Data = RandomBytes(Rng, Rng() % 3000, Case);
    if (Data.empty()) continue;
    THuffman H;
    const TBytes Coded = CodedBySteps(H, Data);
    ASSERT_EQ(Coded, RefEncode(NodesOf(H, H.Count()), Data)) << Case;
  }
  // Fibonacci-deep codes: lengths up to 16 on every flush path.
  for (int Leaves = 2; Leaves <= 40; ++Leaves) {
    THuffman H;
    FillTable(H, Fibonacci(Leaves));
    H.BuildFromTable();
    const auto Nodes = NodesOf(H, H.Count());
    TBytes Data(4000);
    for (auto& B : Data) B = uint8_t(Rng() % uint32_t(Leaves + 3));  // some bytes have no leaf
    Fill(H.InStream(), Data);
    H.EncodeData();
    ASSERT_EQ(StreamBytes(H.OutStream()), RefEncode(Nodes, Data)) << Leaves;
  }
}

TEST(THuffmanCoder, DecodingMatchesLinearSearchOnMutatedStreams) {
  std::mt19937 Rng(9);
  int Decoded = 0, Failed = 0;
  for (int Case = 0; Case < 400; ++Case) {
    const TBytes Data = RandomBytes(Rng, 1 + Rng() % 2000, Case);
    THuffman H;
    TBytes Coded = CodedBySteps(H, Data);
    const int Flips = Case % 5;
    for (int F = 0; F < Flips; ++F) Coded[Rng() % Coded.size()] ^= uint8_t(1u << (Rng() % 8));
    const bool Intact = Flips == 0 && Case % 3 != 2;
    if (Case % 3 == 2) {  // damage the length counts: incomplete or overfull codes
      const size_t Table = 6 + (Coded[5] == 0 ? 256u : Coded[5]);
      const size_t CountBytes = 2 * size_t(Coded[4] >> 3);
      if (CountBytes > 0 && Table + CountBytes <= Coded.size())
        Coded[Table + Rng() % CountBytes] ^= uint8_t(1u << (Rng() % 8));
    }
    Fill(H.InStream(), Coded);
    if (H.CheckFormat() != 1) continue;
    H.ReadTable();
    const auto Ref = CompressModel::Decode(Coded.data(), Coded.size());
    if (Ref.Outcome == CompressModel::TOutcome::CannotDecode) {
      ++Failed;
      ASSERT_EQ(MessageOf([&] { H.DecodeData(); }), SCanNotDecode) << Case;
      // What was decoded before the fault stays.
      ASSERT_EQ(StreamBytes(H.OutStream()), Ref.Data) << Case;
    } else {
      ++Decoded;
      ASSERT_EQ(H.DecodeData(), int32_t(Ref.Data.size()));
      ASSERT_EQ(StreamBytes(H.OutStream()), Ref.Data) << Case;
      if (Intact) {
        ASSERT_EQ(Ref.Data, Data);
      }
    }
  }
  EXPECT_GT(Decoded, 100);
  EXPECT_GT(Failed, 10);
}

TEST(THuffmanCoder, DecodingLeavesTheStreamsWhereTheProcedureDoes) {
  // After the last symbol the input sits behind its 16-bit (or shorter) peek.
  THuffman H;
  const TBytes Coded = CodedBySteps(H, BytesOf("mississippi river banks, mississippi mud"));
  const auto Nodes = NodesOf(H, H.Count());
  Fill(H.InStream(), Coded);
  H.Decode();
  // Recompute the last peek independently.
  const uint32_t Word = RefGetBits(Coded, 0, 32);
  const uint64_t Total = uint64_t(Word >> 2) * 8 + RefGetBits(Coded, 32, 3);
  const uint64_t Start = Nodes.size() + 6 + 2 * RefGetBits(Coded, 35, 5);
  const auto Ref = CompressModel::Decode(Coded.data(), Coded.size());
  uint64_t Pos = 0, Last = 0;
  for (const uint8_t B : Ref.Data) {
    Last = Pos;
    for (const auto& N : Nodes)
      if (N.Data == B) {
        Pos += uint64_t(N.BitLength);
        break;
      }
  }
  const uint64_t End = Start * 8 + Last + std::min<uint64_t>(Total - Last, 16);
  EXPECT_EQ(uint64_t(H.InStream().Position()), End / 8);
  EXPECT_EQ(uint64_t(H.InStream().BitPosition()), End % 8);
  EXPECT_EQ(H.OutStream().Position(), H.OutStream().Size());
}

TEST(THuffmanCoder, RoundTripsLongSkewedAndDeepInputs) {
  std::mt19937 Rng(21);
  std::vector<TBytes> Inputs;
  for (int Shape = 0; Shape < 4; ++Shape) Inputs.push_back(RandomBytes(Rng, 300000, Shape));
  TBytes Deep;  // Fibonacci-shaped counts: codes of all lengths up to 16
  const auto F = Fibonacci(24);
  for (int V = 0; V < 24; ++V) Deep.insert(Deep.end(), size_t(F[size_t(V)]), uint8_t(V * 9));
  std::shuffle(Deep.begin(), Deep.end(), Rng);
  Inputs.push_back(Deep);
  for (const TBytes& Data : Inputs) {
    THuffman H;
    Fill(H.InStream(), Data);
    H.Encode();
    H.SwapStreams();
    ASSERT_EQ(H.Decode(), int32_t(Data.size()));
    ASSERT_EQ(StreamBytes(H.OutStream()), Data);
  }
}

TEST(THuffmanCoder, LargeInputsMatchTheProceduresAcrossBlocksAndChunks) {
  // Beyond the sizes where coding goes two bytes a step and decoding works
  // in chunks of output.
  std::mt19937 Rng(33);
  std::vector<TBytes> Inputs = {RandomBytes(Rng, 1300000, 1), RandomBytes(Rng, 700000, 2)};
  TBytes Deep;
  const auto F = Fibonacci(22);
  for (int Round = 0; Round < 20; ++Round)
    for (int V = 0; V < 22; ++V) Deep.insert(Deep.end(), size_t(F[size_t(V)]), uint8_t(200 - V));
  std::shuffle(Deep.begin(), Deep.end(), Rng);
  Inputs.push_back(Deep);
  for (const TBytes& Data : Inputs) {
    THuffman H;
    const TBytes Coded = CodedBySteps(H, Data);
    ASSERT_EQ(Coded, RefEncode(NodesOf(H, H.Count()), Data));
    Fill(H.InStream(), Coded);
    ASSERT_EQ(H.Decode(), int32_t(Data.size()));
    ASSERT_EQ(StreamBytes(H.OutStream()), Data);
    // Damage deep inside the payload: the same bytes, or the same failure.
    TBytes Damaged = Coded;
    for (int Flip = 0; Flip < 3; ++Flip)
      Damaged[Damaged.size() / 2 + Rng() % (Damaged.size() / 3)] ^= uint8_t(1u << (Rng() % 8));
    Fill(H.InStream(), Damaged);
    H.CheckFormat();
    H.ReadTable();
    const auto Ref = CompressModel::Decode(Damaged.data(), Damaged.size());
    if (Ref.Outcome == CompressModel::TOutcome::CannotDecode) {
      ASSERT_EQ(MessageOf([&] { H.DecodeData(); }), SCanNotDecode);
      ASSERT_EQ(StreamBytes(H.OutStream()), Ref.Data);
    } else {
      H.DecodeData();
      ASSERT_EQ(StreamBytes(H.OutStream()), Ref.Data);
    }
  }
}

TEST(THuffmanCoder, SwapStreamsExchangesContentsAndRewinds) {
  THuffman H;
  Fill(H.InStream(), {1, 2, 3});
  H.OutStream().Write("xy", 2);
  H.OutStream().SetBitPosition(0);
  H.SwapStreams();
  EXPECT_EQ(StreamBytes(H.InStream()), BytesOf("xy"));
  EXPECT_EQ(StreamBytes(H.OutStream()), TBytes({1, 2, 3}));
  EXPECT_EQ(H.InStream().Position(), 0);
  EXPECT_EQ(H.OutStream().Position(), 0);
  H.OutStream().Clear();
  H.SwapStreams();
  EXPECT_EQ(H.InStream().Size(), 0);
  EXPECT_EQ(StreamBytes(H.OutStream()), BytesOf("xy"));
}

namespace {
// Records the slots the drivers call.
class TTracingHuffman : public THuffman {
public:
  std::string Calls;
  int32_t CountFrequencies() override {
    Calls += "Count ";
    return THuffman::CountFrequencies();
  }
  int32_t LoadFrequencies() override {
    Calls += "Load ";
    return THuffman::LoadFrequencies();
  }
  int32_t BuildTree() override {
    Calls += "Tree ";
    return THuffman::BuildTree();
  }
  int32_t AssignCodes() override {
    Calls += "Codes ";
    return THuffman::AssignCodes();
  }
  int32_t EncodeData() override {
    Calls += "EncodeData ";
    return THuffman::EncodeData();
  }
  int32_t StoreData() override {
    Calls += "Store ";
    return THuffman::StoreData();
  }
  int32_t CheckFormat() override {
    Calls += "Check ";
    return THuffman::CheckFormat();
  }
  int32_t ReadTable() override {
    Calls += "Table ";
    return THuffman::ReadTable();
  }
  int32_t DecodeData() override {
    Calls += "DecodeData ";
    return THuffman::DecodeData();
  }
  int32_t RestoreData() override {
    Calls += "Restore ";
    return THuffman::RestoreData();
  }
};
}  // namespace

TEST(THuffmanCoder, DriversCallTheStepsThroughTheirSlots) {
  TTracingHuffman H;
  Fill(H.InStream(), BytesOf(Abracadabra));
  H.Encode();
  EXPECT_EQ(H.Calls, "Count Tree Codes EncodeData Store ");
  H.Calls.clear();
  H.SwapStreams();
  H.Decode();
  EXPECT_EQ(H.Calls, "Check Restore ");
  Fill(H.InStream(), TBytes(100, 1));
  H.Encode();
  H.SwapStreams();
  H.Calls.clear();
  H.Decode();
  EXPECT_EQ(H.Calls, "Check Table DecodeData ");
  FillTable(H, {1, 2});
  H.Calls.clear();
  H.BuildFromTable();
  EXPECT_EQ(H.Calls, "Load Tree Codes ");
}

// ===========================================================================
// Reports

TEST(BinaryDigits, ShowsTheLowBitsHighestFirst) {
  EXPECT_EQ(BinaryDigits(5, 4), "0101");
  EXPECT_EQ(BinaryDigits(5, 2), "01");
  EXPECT_EQ(BinaryDigits(-1, 32), std::string(32, '1'));
  EXPECT_EQ(BinaryDigits(0, 1), "0");
  EXPECT_EQ(MessageOf([] { BinaryDigits(1, 0); }), "Digits 0 is not within the range of 1..32 .");
  EXPECT_EQ(MessageOf([] { BinaryDigits(1, 33); }), "Digits 33 is not within the range of 1..32 .");
  EXPECT_THROW(BinaryDigits(1, -3), ERangeError);
}

namespace {
std::vector<int32_t> AbracadabraTable() {
  std::vector<int32_t> F(256, 0);
  F['a'] = 5;
  F['b'] = 2;
  F['r'] = 2;
  F['c'] = 1;
  F['d'] = 1;
  return F;
}
const std::string Rule(64, '=');
const std::string Head = "Index: Data: Frequency: BitLength: BitPattern: Parent: Left: Right";
}  // namespace

TEST(HuffmanTableText, AbracadabraListsTheWorkedRows) {
  EXPECT_EQ(HuffmanTableText(AbracadabraTable(), 256), AbracadabraGolden::TableText);
}

TEST(HuffmanTableText, OneLeafShowsItsSingleDigitPattern) {
  std::vector<int32_t> F(10, 0);
  F[0x41 - 60] = 2;
  EXPECT_EQ(HuffmanTableText(F, 10),
            Rule + "\r\n" + Head + "\r\n" + Rule + "\r\n" +
                "0  :  $05  :  2  :  1  :  0 = 0  :  1  :  -1  :  -1\r\n\r\n");
}

TEST(HuffmanTableText, NoCodeGivesAnEmptyText) {
  const auto F = AbracadabraTable();
  EXPECT_EQ(HuffmanTableText(F, 0), "");
  EXPECT_EQ(HuffmanTableText(F, 257), "");
  EXPECT_EQ(HuffmanTableText({}, 256), "");
  std::vector<int32_t> Late(300, 0);
  Late[280] = 5;
  EXPECT_EQ(HuffmanTableText(Late, 256), "");
  std::vector<int32_t> Negative = F;
  Negative[0] = -1;
  EXPECT_EQ(HuffmanTableText(Negative, 256), "");
  EXPECT_EQ(HuffmanArraySource(Negative, 256, ""), "");
  EXPECT_EQ(HuffmanArraySource(Late, 256, ""), "");
  EXPECT_EQ(HuffmanArraySource(F, 0, ""), "");
  // The limit cuts the table: only 'a'..'b' (97, 98) counted.
  EXPECT_NE(HuffmanTableText(F, 99).find("$62"), std::string::npos);
  EXPECT_EQ(HuffmanTableText(F, 99).find("$72"), std::string::npos);
}

TEST(HuffmanArraySource, AbracadabraWritesBothArraysInDataOrder) {
  EXPECT_EQ(HuffmanArraySource(AbracadabraTable(), 256, ""), AbracadabraGolden::ArraySource);
}

TEST(HuffmanArraySource, ThreeLeavesGiveTheSevenLines) {
  // Frequencies that give 97 -> (0, 1), 98 -> (1, 2), 99 -> (3, 2).
  std::vector<int32_t> F(100, 0);
  F[97] = 2;
  F[98] = 1;
  F[99] = 1;
  EXPECT_EQ(HuffmanArraySource(F, 100, ""),
            "  // データのハフマン分布の BitPattern\r\n"
            "  BitPattern: array[0..2] of Byte = (\r\n"
            "  0, 1, 3);\r\n"
            "\r\n"
            "  // データのハフマン分布の BitLength\r\n"
            "  BitLength: array[0..2] of Byte = (\r\n"
            "  1, 2, 2);\r\n");
}

TEST(HuffmanArraySource, MatchNamesSelectTheLz77Arrays) {
  const std::string Length = HuffmanArraySource(AbracadabraTable(), 256, "一致長");
  EXPECT_EQ(Length.substr(0, Length.find("\r\n")),
            "  // データを LZ77 符号化した時の一致データの一致長のハフマン分布の BitPattern");
  EXPECT_NE(Length.find("  mlPat: array[0..4] of Byte = ("), std::string::npos);
  EXPECT_NE(Length.find("  mlLen: array[0..4] of Byte = ("), std::string::npos);
  const std::string Distance = HuffmanArraySource(AbracadabraTable(), 256, "一致位置のビット数");
  EXPECT_NE(Distance.find("一致データの一致位置のビット数のハフマン分布の BitLength\r\n  diLen:"),
            std::string::npos);
  EXPECT_NE(Distance.find("  diPat: array"), std::string::npos);
  const std::string Other = HuffmanArraySource(AbracadabraTable(), 256, "長さ");
  EXPECT_EQ(Other.substr(0, Other.find("\r\n")), "  // 長さのハフマン分布の BitPattern");
  EXPECT_NE(Other.find("  BitPattern: array"), std::string::npos);
}

TEST(HuffmanArraySource, SixteenValuesFillALineTheSeventeenthStartsTheNext) {
  std::vector<int32_t> Sixteen(16, 1);
  const std::string Text16 = HuffmanArraySource(Sixteen, 256, "");
  // All lengths 4: one line of 16 values, no break before ");".
  EXPECT_NE(Text16.find("(\r\n  4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4);\r\n"),
            std::string::npos);
  std::vector<int32_t> Seventeen(17, 1);
  Seventeen[16] = 50;
  const std::string Text17 = HuffmanArraySource(Seventeen, 256, "");
  EXPECT_NE(Text17.find("  BitLength: array[0..16] of Byte = (\r\n"
                        "  5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5,\r\n"
                        "  1);\r\n"),
            std::string::npos);
}

TEST(HuffmanArraySource, ElementTypeFollowsTheLargestPattern) {
  // 256 equal values: largest pattern 255 (Byte).
  const std::string Byte = HuffmanArraySource(std::vector<int32_t>(256, 3), 256, "");
  EXPECT_NE(Byte.find("BitPattern: array[0..255] of Byte"), std::string::npos);
  // Fibonacci: the last code is sixteen ones, pattern 65535 (Word).
  const std::string Word = HuffmanArraySource(Fibonacci(20), 256, "");
  EXPECT_NE(Word.find("BitPattern: array[0..19] of Word"), std::string::npos);
  EXPECT_NE(Word.find("65535"), std::string::npos);
  EXPECT_NE(Word.find("BitLength: array[0..19] of Byte"), std::string::npos);
}

TEST(GetTableText, ListsTheWholeTableWithARuleAfterTheLeaves) {
  THuffman H;
  std::string Text = "stale";
  H.GetTableText(Text);
  EXPECT_EQ(Text, "");
  Fill(H.InStream(), TBytes(3, 0x41));
  H.Encode();
  H.GetTableText(Text);
  EXPECT_EQ(Text, Head + "\r\n" + Rule + "\r\n" +
                      "0  :  $41  :  3  :  1  :  0 = 0  :  1  :  -1  :  -1\r\n" + Rule + "\r\n");
  // A table read from a coded stream: entries of length 0 show no pattern.
  Fill(H.InStream(), OneCodeForm(0, 1, {0xAB, 0x0C}, {}));
  H.ReadTable();
  H.GetTableText(Text);
  EXPECT_EQ(Text, Head + "\r\n" + Rule + "\r\n" +
                      "0  :  $AB  :  0  :  1  :  0 = 0  :  -1  :  -1  :  -1\r\n"
                      "1  :  $0C  :  0  :  0  :    :  -1  :  -1  :  -1\r\n" +
                      Rule + "\r\n");
}
