// Decode of arbitrary bytes: the documented outcome (the model's bytes and
// table, or exactly one of the two data-error messages), nothing read or
// written outside the streams, and a decoded result that codes and decodes
// back to itself.
#include "CompressModel.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string Fault = CompressModel::CheckDecode(Data, Size);
  if (!Fault.empty()) {
    std::fprintf(stderr, "FuzzDecode: %s\n", Fault.c_str());
    std::abort();
  }
  return 0;
}
