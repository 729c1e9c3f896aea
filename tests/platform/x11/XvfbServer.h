// Test helpers for the X11 backend: an Xvfb server of the test's own on a
// display number the server picks itself (so that tests running at the same
// time never meet), stopped when the helper goes, and a second connection to
// it that plays the user's hands (XTest), the desktop and other programs.
#pragma once

#include <sys/types.h>

#include <string>

struct _XDisplay;

namespace kvp::test {

// TXvfb: starts "Xvfb -displayfd" and waits for the display number.
class TXvfb {
 public:
  TXvfb() = default;
  ~TXvfb() { Stop(); }
  TXvfb(const TXvfb&) = delete;
  TXvfb& operator=(const TXvfb&) = delete;

  // Answers false (with the reason in Why) when no server could start.
  bool Start(std::string& Why);
  void Stop();
  const std::string& Name() const { return FName; }  // ":N"

 private:
  pid_t FPid = -1;
  std::string FName;
};

}  // namespace kvp::test
