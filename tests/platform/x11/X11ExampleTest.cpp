// The example application run with --window on an Xvfb server: its form
// appears as a window named "Customers", answers a key by painting the
// moved row, and closing it from the desktop ends the program with success
// (under the sanitizers: no leak, no X error).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "XvfbServer.h"

// Xlib after every header of ours: its macros (KeyPress, None, Status ...)
// must not reach them.
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
// clang-format on

extern char** environ;

namespace kvp::test {
namespace {

#ifdef KV_EXAMPLE
constexpr const char* ExamplePath = KV_EXAMPLE;
#else
constexpr const char* ExamplePath = "";
#endif

// The first top-level window whose _NET_WM_NAME is Name and that is viewable.
Window FindNamed(Display* Dpy, const std::string& Name) {
  Window Root = 0, Parent = 0, *Kids = nullptr;
  unsigned N = 0;
  Window Found = 0;
  Atom NetWmName = XInternAtom(Dpy, "_NET_WM_NAME", False);
  if (!XQueryTree(Dpy, DefaultRootWindow(Dpy), &Root, &Parent, &Kids, &N)) return 0;
  for (unsigned I = 0; I < N && !Found; ++I) {
    Atom Type = 0;
    int Format = 0;
    unsigned long Count = 0, After = 0;
    unsigned char* Data = nullptr;
    if (XGetWindowProperty(Dpy, Kids[I], NetWmName, 0, 1024, False, AnyPropertyType, &Type, &Format,
                           &Count, &After, &Data) == Success &&
        Data) {
      XWindowAttributes A{};
      if (std::string(reinterpret_cast<char*>(Data), Count) == Name &&
          XGetWindowAttributes(Dpy, Kids[I], &A) && A.map_state == IsViewable)
        Found = Kids[I];
      XFree(Data);
    }
  }
  if (Kids) XFree(Kids);
  return Found;
}

// A checksum of the window's pixels as the server shows them.
std::uint64_t Picture(Display* Dpy, Window W) {
  XWindowAttributes A{};
  XGetWindowAttributes(Dpy, W, &A);
  XImage* Img = XGetImage(Dpy, W, 0, 0, unsigned(A.width), unsigned(A.height), AllPlanes, ZPixmap);
  std::uint64_t Sum = 0;
  for (int Y = 0; Y < A.height; ++Y)
    for (int X = 0; X < A.width; ++X) Sum = Sum * 1000003 + (XGetPixel(Img, X, Y) & 0xFFFFFF);
  XDestroyImage(Img);
  return Sum;
}

TEST(X11ExampleTest, TheExampleOpensInAWindowAndEndsCleanlyWhenItIsClosed) {
  if (!*ExamplePath) GTEST_SKIP() << "the example application is not built";
  TXvfb Server;
  std::string Why;
  if (!Server.Start(Why)) GTEST_SKIP() << "The X11 backend's tests need Xvfb: " << Why;
  Display* Peer = XOpenDisplay(Server.Name().c_str());
  ASSERT_TRUE(Peer);

  // [Phase 1] The program, on our server, its output kept in a file.
  std::filesystem::path Dir =
      std::filesystem::temp_directory_path() / ("kv_x11_example_" + std::to_string(::getpid()));
  std::filesystem::create_directories(Dir);
  std::string Log = (Dir / "output.txt").string();
  std::vector<std::string> Env;
  for (char** E = environ; *E; ++E)
    if (std::string(*E).rfind("DISPLAY=", 0) != 0) Env.push_back(*E);
  Env.push_back("DISPLAY=" + Server.Name());
  std::vector<char*> EnvP;
  for (std::string& E : Env) EnvP.push_back(E.data());
  EnvP.push_back(nullptr);
  std::string Prog = ExamplePath, Flag = "--window", Out = Dir.string();
  char* Argv[] = {Prog.data(), Flag.data(), Out.data(), nullptr};
  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  posix_spawn_file_actions_addopen(&Actions, 1, Log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&Actions, 1, 2);
  pid_t Pid = -1;
  ASSERT_EQ(posix_spawn(&Pid, Prog.c_str(), &Actions, nullptr, Argv, EnvP.data()), 0);
  posix_spawn_file_actions_destroy(&Actions);
  auto Output = [&] {
    std::ifstream In(Log);
    std::stringstream S;
    S << In.rdbuf();
    return S.str();
  };

  // [Phase 2] Its window appears and answers a key.
  Window W = 0;
  for (int I = 0; I < 600 && !W; ++I) {
    W = FindNamed(Peer, "Customers");
    if (!W) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (!W) {
    kill(Pid, SIGKILL);
    waitpid(Pid, nullptr, 0);
  }
  ASSERT_NE(W, 0u) << Output();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  std::uint64_t Before = Picture(Peer, W);
  XSetInputFocus(Peer, W, RevertToParent, CurrentTime);
  for (int I = 0; I < 3; ++I) {
    XTestFakeKeyEvent(Peer, XKeysymToKeycode(Peer, XK_Down), True, CurrentTime);
    XTestFakeKeyEvent(Peer, XKeysymToKeycode(Peer, XK_Down), False, CurrentTime);
  }
  XSync(Peer, False);
  bool Repainted = false;
  for (int I = 0; I < 100 && !Repainted; ++I) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Repainted = Picture(Peer, W) != Before;
  }
  EXPECT_TRUE(Repainted) << "the moved row shows";

  // [Phase 3] The close box ends it, with success.
  XEvent Close{};
  Close.xclient.type = ClientMessage;
  Close.xclient.window = W;
  Close.xclient.message_type = XInternAtom(Peer, "WM_PROTOCOLS", False);
  Close.xclient.format = 32;
  Close.xclient.data.l[0] = long(XInternAtom(Peer, "WM_DELETE_WINDOW", False));
  XSendEvent(Peer, W, False, 0, &Close);
  XSync(Peer, False);
  int ExitStatus = -1;
  pid_t Done = 0;
  for (int I = 0; I < 600 && Done == 0; ++I) {
    Done = waitpid(Pid, &ExitStatus, WNOHANG);
    if (Done == 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (Done == 0) {
    kill(Pid, SIGKILL);
    waitpid(Pid, nullptr, 0);
  }
  ASSERT_EQ(Done, Pid) << "the program did not end\n" << Output();
  EXPECT_TRUE(WIFEXITED(ExitStatus) && WEXITSTATUS(ExitStatus) == 0) << Output();
  XCloseDisplay(Peer);
  std::filesystem::remove_all(Dir);
}

}  // namespace
}  // namespace kvp::test
