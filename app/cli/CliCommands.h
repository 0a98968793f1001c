// quorvant-cli's commands: the window's views, stats, encode and decode, and
// the dispatch of a command line to them (help and version included).
#pragma once

namespace Cli {

// Runs the command line and returns the exit code of a success (0).  Usage
// errors raise TUsageError; bad data and I/O failures TFailure; the engine's
// and the run-time layer's exceptions and std::bad_alloc pass through.
int Run(int Argc, char** Argv);

}  // namespace Cli
