// quorvant-cli: the workbench's views, figures and coder without a window.
// No display, no widgets.  Here every failure becomes its message on standard
// error and its exit code (see CliOptions.h).
#include "CliCommands.h"
#include "CliFiles.h"
#include "CliOptions.h"
#include "SysUtils.h"

#include <exception>
#include <new>
#include <string>

using namespace Cli;

int main(int Argc, char** Argv) {
  InstallSignalCleanup();
  try {
    const int Status = Run(Argc, Argv);
    CloseStdout();
    return Status;
  } catch (const TUsageError& E) {
    const std::string Hint =
        E.Command.empty() ? "quorvant-cli --help" : "quorvant-cli " + E.Command + " --help";
    WriteStderr(std::string(ProgramName) + ": " + E.Message + "\nTry '" + Hint + "'.\n");
    return ExitUsage;
  } catch (const TFailure& E) {
    WriteStderr(std::string(ProgramName) + ": " + E.Message + "\n");
    return ExitFailure;
  } catch (const std::bad_alloc&) {
    WriteStderr(std::string(ProgramName) + ": out of memory\n");
    return ExitFailure;
  } catch (const Exception& E) {
    WriteStderr(std::string(ProgramName) + ": " + E.Message() + "\n");
    return ExitFailure;
  } catch (const std::exception& E) {
    WriteStderr(std::string(ProgramName) + ": " + E.what() + "\n");
    return ExitFailure;
  }
}
