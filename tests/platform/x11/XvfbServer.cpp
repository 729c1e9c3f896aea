#include "XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

namespace kvp::test {

bool TXvfb::Start(std::string& Why) {
  int Pipe[2];
  if (pipe(Pipe) != 0) {
    Why = "no pipe for Xvfb's display number";
    return false;
  }
  std::string Fd = std::to_string(Pipe[1]);
  std::vector<std::string> Args = {"Xvfb",         "-displayfd", Fd,    "-screen", "0",
                                   "1280x1024x24", "-nolisten",  "tcp", "-noreset"};
  std::vector<char*> Argv;
  for (std::string& A : Args) Argv.push_back(A.data());
  Argv.push_back(nullptr);
  // The exec's failure comes back through a pipe that closes on success.
  int Failed[2];
  if (pipe2(Failed, O_CLOEXEC) != 0) {
    close(Pipe[0]);
    close(Pipe[1]);
    Why = "no pipe to start Xvfb";
    return false;
  }
  pid_t Parent = getpid();
  FPid = fork();
  if (FPid == 0) {
    // The server goes with the test, even one that crashes; its chatter
    // stays out of the test's output.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != Parent) _exit(127);
    int Null = open("/dev/null", O_RDWR);
    dup2(Null, 0);
    dup2(Null, 1);
    dup2(Null, 2);
    close(Pipe[0]);
    execvp("Xvfb", Argv.data());
    int Err = errno;
    (void)!write(Failed[1], &Err, sizeof Err);
    _exit(127);
  }
  close(Pipe[1]);
  close(Failed[1]);
  int Err = FPid < 0 ? errno : 0;
  if (FPid > 0 && read(Failed[0], &Err, sizeof Err) != sizeof Err) Err = 0;
  close(Failed[0]);
  if (Err != 0) {
    close(Pipe[0]);
    if (FPid > 0) waitpid(FPid, nullptr, 0);
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
