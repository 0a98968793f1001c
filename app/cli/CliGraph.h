// quorvant-cli graph: the workbench's frequency graph as a PNG or SVG file,
// drawn offscreen by the window's own drawing code with the window's
// defaults (711 x 230, bar width 10, data order, first position 0, no curve).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct TDocument;

namespace Cli {

// The graph's options after the command line was read; values are checked
// as they are read (TUsageError for the graph command).
struct TGraphOptions {
  std::optional<std::string> Output;  // -o, --output: OUT.png or OUT.svg
  bool FrequencyOrder = false;        // --order frequency
  int32_t BarWidth = 10;              // --bar-width, 1..20
  int Width = 711;                    // --size WxH, each 1..8192
  int Height = 230;
  int32_t First = 0;   // --first, 0 and more
  bool Curve = false;  // --curve
};

// True when Name is one of the graph's options.
bool IsGraphOption(const std::string& Name);

// Reads the graph option Name (IsGraphOption) into Graph, taking its value
// through TakeValue and refusing a value given to --curve (HasValue).
// Raises TUsageError for a bad value.
void ReadGraphOption(const std::string& Name, bool HasValue,
                     const std::function<std::string()>& TakeValue, TGraphOptions& Graph);

// The help of the graph command.
std::string GraphHelp();

// Settles everything about Graph.Output before any of Files is read: a
// missing -o, an OUT that is not .png or .svg, or one that is one of Files
// raise TUsageError; an OUT that cannot be written TFailure (CheckOutput).
void CheckGraphOutput(const TGraphOptions& Graph, const std::vector<std::string>& Files);

// Draws Doc's table into Graph.Output (CheckGraphOutput passed).  A graph the
// window would leave blank is written blank with a note on standard error
// naming Label.  Returns 0.
int WriteGraph(const TDocument& Doc, const std::string& Label, const TGraphOptions& Graph);

}  // namespace Cli
