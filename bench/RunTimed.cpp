// Runs one command with its output thrown away and prints its wall time,
// processor time and peak memory, for bench/open.sh's side-by-side runs
// (finer than /usr/bin/time's hundredths, which are a tenth of a cached
// read of 1 GiB).
//
//   RunTimed COMMAND [ARGUMENTS...]
//
// Prints "seconds=<wall s> cpu=<user + system s> peak_mib=<MiB>" and exits
// with the command's status (127 when it could not be started).
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

int main(int argc, char* argv[]) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: RunTimed COMMAND [ARGUMENTS...]\n");
    return 2;
  }
  const auto Start = std::chrono::steady_clock::now();
  const pid_t Child = fork();
  if (Child < 0) return std::perror("fork"), 127;
  if (Child == 0) {
    const int Null = open("/dev/null", O_WRONLY);
    if (Null < 0 || dup2(Null, STDOUT_FILENO) < 0) _exit(127);
    execvp(argv[1], argv + 1);
    std::perror(argv[1]);
    _exit(127);
  }
  int Status = 0;
  rusage Usage{};
  if (wait4(Child, &Status, 0, &Usage) != Child) return std::perror("wait4"), 127;
  const double Wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
  const double Cpu = static_cast<double>(Usage.ru_utime.tv_sec + Usage.ru_stime.tv_sec) +
                     static_cast<double>(Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec) / 1e6;
  std::printf("seconds=%.4f cpu=%.3f peak_mib=%.1f\n", Wall, Cpu,
              static_cast<double>(Usage.ru_maxrss) / 1024.0);  // ru_maxrss is in KiB
  return WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
}
