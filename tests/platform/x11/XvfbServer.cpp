#include "XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

extern char** environ;

namespace kvp::test {

bool TXvfb::Start(std::string& Why) {
  int Pipe[2];
  if (pipe(Pipe) != 0) {
    Why = "no pipe for Xvfb's display number";
    return false;
  }
  std::string Fd = std::to_string(Pipe[1]);
  std::vector<std::string> Args = {"Xvfb",    "-displayfd", Fd,     "-screen", "0",
                                   "1280x1024x24", "-nolisten", "tcp", "-noreset"};
  std::vector<char*> Argv;
  for (std::string& A : Args) Argv.push_back(A.data());
  Argv.push_back(nullptr);
  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  posix_spawn_file_actions_addclose(&Actions, Pipe[0]);
  // The server's chatter stays out of the test's output.
  posix_spawn_file_actions_addopen(&Actions, 2, "/dev/null", O_WRONLY, 0);
  int Err = posix_spawnp(&FPid, "Xvfb", &Actions, nullptr, Argv.data(), environ);
  posix_spawn_file_actions_destroy(&Actions);
  close(Pipe[1]);
  if (Err != 0) {
    close(Pipe[0]);
    FPid = -1;
    Why = std::string("Xvfb could not be started (") + std::strerror(Err) +
          "); install the xvfb package to run the X11 tests";
    return false;
  }
  // The number arrives once the server listens.
  std::string Number;
  auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  for (;;) {
    auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    Deadline - std::chrono::steady_clock::now())
                    .count();
    if (Left <= 0) break;
    pollfd P{Pipe[0], POLLIN, 0};
    if (poll(&P, 1, int(Left)) <= 0) break;
    char Buf[32];
    ssize_t N = read(Pipe[0], Buf, sizeof Buf);
    if (N <= 0) break;
    Number.append(Buf, std::size_t(N));
    if (Number.find('\n') != std::string::npos) break;
  }
  close(Pipe[0]);
  while (!Number.empty() && (Number.back() == '\n' || Number.back() == ' ')) Number.pop_back();
  if (Number.empty()) {
    Stop();
    Why = "Xvfb started but gave no display number";
    return false;
  }
  FName = ":" + Number;
  return true;
}

void TXvfb::Stop() {
  if (FPid <= 0) return;
  kill(FPid, SIGTERM);
  int Status = 0;
  while (waitpid(FPid, &Status, 0) < 0 && errno == EINTR) {
  }
  FPid = -1;
}

}  // namespace kvp::test
