// Writes the generated C decoder to the file named by its argument, for the
// decoder benchmark to compile.
#include "DecoderSource.h"

#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: DecoderSourceGen FILE\n";
    return 2;
  }
  std::ofstream Out(argv[1], std::ios::binary);
  Out << DecoderSource();
  Out.close();
  return Out.good() ? 0 : 1;
}
