// Encode, SwapStreams, Decode of arbitrary bytes: the model's code and form,
// and the input back byte for byte.  Inputs this small cannot reach the
// representation limits, so any exception is a fault.
#include "CompressModel.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string Fault = CompressModel::CheckRoundTrip(Data, Size);
  if (!Fault.empty()) {
    std::fprintf(stderr, "FuzzRoundTrip: %s\n", Fault.c_str());
    std::abort();
  }
  return 0;
}
