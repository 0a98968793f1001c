// Writes the generated C decoders into the folder named by its argument, for
// the decoder benchmark to compile: qv_decode.c (the coded form's decoder)
// and, per input, raw_lsb0_S.c and raw_msb0_S.c, the raw-stream decoders of
// that input's code (functions raw_lsb0_S_decode, raw_msb0_S_decode).
#include "CodeTables.h"
#include "Compress.h"
#include "DecoderInputs.h"
#include "DecoderSource.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

// The code the coded form of Data carries (its leaves, as the benchmark's
// encode builds them; CodeTablesOf may break ties between equal
// frequencies otherwise).
TCodeTables CodedFormCode(const DecoderInputs::TBytes& Data) {
  THuffman H;
  H.InStream().Write(Data.data(), static_cast<int32_t>(Data.size()));
  H.CountFrequencies();
  H.BuildTree();
  H.AssignCodes();
  std::vector<THuffmanNode> Leaves(static_cast<size_t>(H.Count()));
  for (int32_t I = 0; I < H.Count(); ++I) H.GetNode(I, Leaves[static_cast<size_t>(I)]);
  std::sort(Leaves.begin(), Leaves.end(),
            [](const THuffmanNode& A, const THuffmanNode& B) { return A.Data < B.Data; });
  TCodeTables T;
  for (const THuffmanNode& N : Leaves) {
    T.Symbol.push_back(N.Data);
    T.Pattern.push_back(N.BitPattern);
    T.Length.push_back(N.BitLength);
    T.LargestLength = std::max(T.LargestLength, N.BitLength);
  }
  return T;
}

bool Write(const std::string& Path, const std::string& Text) {
  std::ofstream Out(Path, std::ios::binary);
  Out << Text;
  Out.close();
  return Out.good();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: DecoderSourceGen FOLDER\n";
    return 2;
  }
  const std::string Folder = argv[1];
  bool Good = Write(Folder + "/qv_decode.c", DecoderSource());
  for (int Shape = 0; Shape < DecoderInputs::Shapes; ++Shape) {
    const TCodeTables Tables = CodedFormCode(DecoderInputs::Input(Shape));
    for (const auto& [Order, Name] :
         {std::pair{TBitOrder::Lsb0, "raw_lsb0_"}, std::pair{TBitOrder::Msb0, "raw_msb0_"}}) {
      const std::string Function = Name + std::to_string(Shape);
      Good = Good &&
             Write(Folder + "/" + Function + ".c", RawDecoderSource(Tables, Function, Order, {}));
    }
  }
  return Good ? 0 : 1;
}
