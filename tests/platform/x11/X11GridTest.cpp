// The data-aware grid over the sample database in a real window: what the X
// server shows is what the grid painted, and a person at the server browses,
// edits (with a character the US layout has no key for), copies into another
// program and closes the window, which ends the application.

#include <cstdio>
#include <filesystem>

#include "X11TestUtil.h"
#include "grid/DBGridKv.h"
#include "platform/controls/Forms.h"
#include "platform/db/DB.h"
#include "platform/db/SQLiteDataSet.h"
#include "platform/db/SampleDatabase.h"

// Xlib after every header of ours: its macros (KeyPress, None, Status ...)
// must not reach them.
// clang-format off
#include <X11/Xlib.h>
#include <X11/keysym.h>
// clang-format on

namespace kvp::test {
namespace {

using korvel::TColumnKv;
using korvel::TCustomDBGridKv;

class X11GridTest : public X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    if (!Backend) return;
    Application()->Reset();
    Application()->InstallMessageFilter();
    DbFile = (std::filesystem::temp_directory_path() /
              ("kv_x11_grid_" + std::to_string(::getpid()) + ".db"))
                 .string();
    std::remove(DbFile.c_str());
    CreateSampleDatabase(DbFile);
    Form = TForm::Create(nullptr);
    Form->SetCaption("Customers");
    Form->SetBounds(40, 40, 640, 360);
    Application()->SetMainForm(Form);
    Customers = TSQLiteDataSet::Create(Form);
    Customers->SetDatabaseName(DbFile);
    Customers->SetTableName("customers");
    auto* Source = TDataSource::Create(Form);
    Source->SetDataSet(Customers);
    Grid = TCustomDBGridKv::Create(Form);
    Grid->SetBounds(8, 8, 600, 300);
    Grid->SetParent(Form);
    for (auto [Field, Width] :
         {std::pair<const char*, Integer>{"id", 40}, {"name", 160}, {"city", 120}}) {
      TColumnKv* C = Grid->GetColumns()->Add();
      C->SetFieldName(Field);
      C->SetWidth(Width);
    }
    Grid->SetDataSource(Source);
    Grid->SetEditActions({korvel::geaCopyKv, korvel::geaPasteKv, korvel::geaSelectAllKv});
    Customers->Open();
    Form->Show();
    Grid->SetFocus();
    ASSERT_TRUE(RunUntil(
        [&] { return Viewable(XWin(Form->GetHandle())) && HasFocus(XWin(Form->GetHandle())); }));
    RunFor(50);
  }
  void TearDown() override {
    if (Form) {
      Application()->CheckNoExceptions();
      FreeAndNil(Form);
    }
    if (!DbFile.empty()) std::remove(DbFile.c_str());
    X11Test::TearDown();
  }
  // The middle of a cell on the screen.
  TPoint CellPoint(Integer Col, Integer Row) {
    TRect R = Grid->CellRect(Col, Row);
    TPoint P{(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2};
    ClientToScreen(Grid->GetHandle(), &P);
    return P;
  }
  String DbFile;
  TForm* Form = nullptr;
  TSQLiteDataSet* Customers = nullptr;
  TCustomDBGridKv* Grid = nullptr;
};

TEST_F(X11GridTest, APersonBrowsesEditsCopiesAndClosesTheGridInARealWindow) {
  HWND Wnd = Form->GetHandle();
  EXPECT_EQ(PixelsDiffering(Wnd), 0) << "the server shows the grid as it painted itself";
  unsigned EAcute = MapSpareKey(XK_eacute, XK_Eacute);

  // [Phase 1] Browsing: the arrow keys and a click on a row.
  Tap(XK_Down);
  Tap(XK_Down);
  EXPECT_EQ(Customers->GetRecNo(), 3);
  Click(CellPoint(2, 5));
  EXPECT_EQ(Customers->GetRecNo(), 5);
  EXPECT_EQ(Grid->GetSelectedIndex(), 1) << "the name column";

  // [Phase 2] Editing the name: typed text, a character of the layout, Enter
  // and a move to the next record post it.
  Key(XK_Shift_L, true);
  Tap(XK_z);
  Key(XK_Shift_L, false);
  KeyCode(EAcute, true);
  KeyCode(EAcute, false);
  Tap(XK_d);
  Tap(XK_Return);
  Tap(XK_Down);
  Tap(XK_Up);
  EXPECT_EQ(Customers->GetState(), dsBrowse);
  EXPECT_EQ(Customers->GetRecNo(), 5);
  EXPECT_EQ(Customers->FieldByName("name")->GetAsString(), "Zéd");
  RunFor(50);
  EXPECT_EQ(PixelsDiffering(Wnd), 0);

  // [Phase 3] Copying every record: another program reads them from the selection.
  Key(XK_Control_L, true);
  Tap(XK_a);
  Tap(XK_c);
  Key(XK_Control_L, false);
  Window Reader = XCreateSimpleWindow(Peer, DefaultRootWindow(Peer), 0, 0, 1, 1, 0, 0, 0);
  Atom Prop = XInternAtom(Peer, "PEER_PROP", False);
  XConvertSelection(Peer, XInternAtom(Peer, "CLIPBOARD", False),
                    XInternAtom(Peer, "UTF8_STRING", False), Prop, Reader, CurrentTime);
  XEvent E;
  ASSERT_TRUE(RunUntil([&] { return XCheckTypedWindowEvent(Peer, Reader, SelectionNotify, &E); }));
  ASSERT_NE(E.xselection.property, 0u);
  Atom Type = 0;
  int Format = 0;
  unsigned long N = 0, After = 0;
  unsigned char* Data = nullptr;
  XGetWindowProperty(Peer, Reader, Prop, 0, 1 << 16, True, AnyPropertyType, &Type, &Format, &N,
                     &After, &Data);
  String Copied(reinterpret_cast<const char*>(Data), N);
  if (Data) XFree(Data);
  EXPECT_NE(Copied.find("Zéd"), String::npos) << Copied;
  EXPECT_NE(Copied.find(Customers->FieldByName("city")->GetAsString()), String::npos) << Copied;

  // [Phase 4] Text copied in another program, pasted into a cell.
  {
    TOtherProgram Other(Server.Name(), "Xaver", false);
    Click(CellPoint(2, 2));
    Tap(XK_F2);
    Key(XK_Control_L, true);
    Tap(XK_a);
    Tap(XK_v);
    Key(XK_Control_L, false);
    Tap(XK_Return);
    Tap(XK_Down);
  }
  Customers->SetRecNo(2);
  EXPECT_EQ(Customers->FieldByName("name")->GetAsString(), "Xaver");

  // [Phase 5] The close box ends the application.
  XEvent Close{};
  Close.xclient.type = ClientMessage;
  Close.xclient.window = XWin(Wnd);
  Close.xclient.message_type = XInternAtom(Peer, "WM_PROTOCOLS", False);
  Close.xclient.format = 32;
  Close.xclient.data.l[0] = long(XInternAtom(Peer, "WM_DELETE_WINDOW", False));
  XSendEvent(Peer, XWin(Wnd), False, 0, &Close);
  XFlush(Peer);
  Backend->Run([] { return Application()->GetTerminated(); }, [] { Application()->Idle(); });
  EXPECT_TRUE(Application()->GetTerminated());
}

}  // namespace
}  // namespace kvp::test
