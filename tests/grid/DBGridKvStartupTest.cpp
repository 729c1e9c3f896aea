// The grid unit's start-up: the values and objects every grid shares (row
// indicators and sort markers as they are drawn, cursors, shortcuts, the
// search colours, the sort-marker font), a start-up that cannot load a
// cursor, counted start-ups and shut-downs, and the column interceptors a
// property storage uses to save and restore column widths and order.
#include <gtest/gtest.h>

#include <map>

#include "grid/DBGridKv.h"
#include "platform/classes/Resources.h"
#include "platform/classes/TypInfo.h"
#include "platform/win/Win.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

// Holds the unit at one fresh start-up for the test (the window system is
// reset first, so the cursors are loaded anew) and gives the state back.
class DBGridKvUnitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    FSavedCount = DBGridKvUnitStartCount();
    while (DBGridKvUnitStartCount() > 0) DBGridKvUnitShutdown();
    DBGridKvUnitStartup();
  }
  void TearDown() override {
    for (const char* Name : {"DOWNCURKV", "RIGHTCURKV", "LEFTCURKV"})
      SetResourceHidden(Name, RT_CURSOR, false);
    while (DBGridKvUnitStartCount() > 0) DBGridKvUnitShutdown();
    for (Integer I = 0; I < FSavedCount; ++I) DBGridKvUnitStartup();
    ResetWindowSystem();
  }
  void ShutDownAll() {
    while (DBGridKvUnitStartCount() > 0) DBGridKvUnitShutdown();
  }

  // The pixel (X, Y) of image Index drawn over a bitmap of colour Back.
  static COLORREF ImagePixel(TCustomImageList* List, Integer Index, Integer X, Integer Y,
                             TColor Back = 0xC08040) {
    TObjectPtr<TBitmap> Bitmap(TBitmap::Create());
    Bitmap->SetSize(List->GetWidth(), List->GetHeight());
    Bitmap->GetCanvas()->GetBrush()->SetColor(Back);
    Bitmap->GetCanvas()->FillRect({0, 0, List->GetWidth(), List->GetHeight()});
    List->Draw(Bitmap->GetCanvas(), 0, 0, Index, true);
    return Bitmap->GetCanvas()->GetPixel(X, Y);
  }

  Integer FSavedCount = 0;
};

TEST_F(DBGridKvUnitTest, StartUpSetsTheSharedValues) {
  EXPECT_EQ(InplaceSearchShortCut, 16454);       // Ctrl+F
  EXPECT_EQ(InplaceSearchNextShortCut, 16397);   // Ctrl+Enter
  EXPECT_EQ(InplaceSearchPriorShortCut, 24589);  // Ctrl+Shift+Enter
  EXPECT_EQ(CopyValueShortCut, 16606);           // Ctrl+'
  EXPECT_EQ(FindDialogShortCut, 16454);
  EXPECT_EQ(ShortCutToText(InplaceSearchPriorShortCut), "Shift+Ctrl+Enter");
  EXPECT_EQ(InplaceSearchTimeOut, 1500);
  EXPECT_EQ(InplaceSearchHighlightColor, TColor(0x00FFFF));
  EXPECT_EQ(InplaceSearchHighlightFontColor, TColor(0));
  EXPECT_FALSE(DisableDoubleBuffer);
  ASSERT_NE(GridCellParams, nullptr);
  EXPECT_EQ(GridCellParams->GetCol(), -1);
  EXPECT_NE(DefaultGridStyle(), nullptr);

  // The sort-marker digits stand as high as the marker bitmap.
  TObjectPtr<TBitmap> Marker(TBitmap::Create());
  Marker->LoadFromResourceName(HInstance, "DBSMDOWNKV");
  ASSERT_NE(SortMarkerFont(), nullptr);
  EXPECT_EQ(SortMarkerFont()->GetName(), "Arial");
  EXPECT_EQ(SortMarkerFont()->GetHeight(), 1 - Marker->GetHeight());

  EXPECT_EQ(GetCursorName(GridDownCursor), "DOWNCURKV");
  EXPECT_EQ(GetCursorName(GridRightCursor), "RIGHTCURKV");
  EXPECT_EQ(GetCursorName(GridLeftCursor), "LEFTCURKV");
}

TEST_F(DBGridKvUnitTest, IndicatorImagesShowTheirShapesOnTheRowColour) {
  TCustomImageList* L = GridIndicatorImages;
  ASSERT_NE(L, nullptr);
  TObjectPtr<TBitmap> Arrow(TBitmap::Create());
  Arrow->LoadFromResourceName(HInstance, "DBGARROWKV");
  EXPECT_EQ(L->GetCount(), 7);
  EXPECT_EQ(L->GetWidth(), Arrow->GetWidth());
  EXPECT_EQ(L->GetHeight(), Arrow->GetHeight());

  const COLORREF Back = ColorToRGB(TColor(0xC08040));
  const COLORREF Black = 0, White = 0xFFFFFF, Yellow = 0x00FFFF;
  // Images 0 to 4 lose their white; each keeps its own black shape.
  struct TCase {
    Integer Index;
    Integer X, Y;  // a pixel of the shape
  } Cases[] = {{0, 2, 1}, {1, 1, 1}, {2, 3, 1}, {3, 2, 3}, {4, 0, 1}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Index);
    EXPECT_EQ(ImagePixel(L, C.Index, 0, 0), Back);
    EXPECT_EQ(ImagePixel(L, C.Index, C.X, C.Y), Black);
    EXPECT_EQ(ImagePixel(L, C.Index, 7, 8), Back);
  }
  // Image 5, for a dark row: a white arrow in a black outline, its teal gone.
  EXPECT_EQ(ImagePixel(L, 5, 0, 0, TColor(0x404040)), 0x404040u);
  EXPECT_EQ(ImagePixel(L, 5, 1, 1, TColor(0x404040)), Black);
  EXPECT_EQ(ImagePixel(L, 5, 2, 3), White);
  // Image 6: the same arrow filled with the search colour.
  EXPECT_EQ(ImagePixel(L, 6, 0, 0), Back);
  EXPECT_EQ(ImagePixel(L, 6, 1, 1), Black);
  EXPECT_EQ(ImagePixel(L, 6, 2, 3), Yellow);
  EXPECT_EQ(ImagePixel(L, 6, 3, 4), Yellow);
}

TEST_F(DBGridKvUnitTest, SortMarkersAreTwoTrianglesOnTheTitleColour) {
  TCustomImageList* L = GridSortMarkerImages;
  ASSERT_NE(L, nullptr);
  EXPECT_EQ(L->GetCount(), 2);
  TObjectPtr<TBitmap> Down(TBitmap::Create());
  Down->LoadFromResourceName(HInstance, "DBSMDOWNKV");
  EXPECT_EQ(L->GetWidth(), Down->GetWidth());
  EXPECT_EQ(L->GetHeight(), Down->GetHeight());
  const COLORREF Back = ColorToRGB(clBtnFace), Grey = 0x808080;
  // Down: wide at the top; up: wide at the bottom. Magenta is transparent.
  EXPECT_EQ(ImagePixel(L, 0, 1, 2, clBtnFace), Grey);
  EXPECT_EQ(ImagePixel(L, 0, 1, 5, clBtnFace), Back);
  EXPECT_EQ(ImagePixel(L, 1, 1, 5, clBtnFace), Grey);
  EXPECT_EQ(ImagePixel(L, 1, 1, 2, clBtnFace), Back);
  EXPECT_EQ(ImagePixel(L, 0, 0, 0, clBtnFace), Back);
}

TEST_F(DBGridKvUnitTest, OnlyTheFirstStartUpAndTheLastShutDownWork) {
  TCustomImageList* Indicators = GridIndicatorImages;
  TFont* Font = SortMarkerFont();
  const HCURSOR Down = GridDownCursor;
  DBGridKvUnitStartup();
  EXPECT_EQ(DBGridKvUnitStartCount(), 2);
  EXPECT_EQ(GridIndicatorImages, Indicators);
  EXPECT_EQ(SortMarkerFont(), Font);
  DBGridKvUnitShutdown();
  EXPECT_EQ(GridIndicatorImages, Indicators) << "one start-up is still held";
  EXPECT_EQ(GetCursorName(Down), "DOWNCURKV");

  const Integer Lists = GetLiveImageListCount();
  DBGridKvUnitShutdown();
  EXPECT_EQ(DBGridKvUnitStartCount(), 0);
  EXPECT_EQ(GridIndicatorImages, nullptr);
  EXPECT_EQ(GridSortMarkerImages, nullptr);
  EXPECT_EQ(GridCellParams, nullptr);
  EXPECT_EQ(GridDownCursor, nullptr);
  EXPECT_EQ(GridRightCursor, nullptr);
  EXPECT_EQ(GridLeftCursor, nullptr);
  EXPECT_EQ(DefaultGridStyle(), nullptr);
  EXPECT_EQ(GetLiveImageListCount(), Lists - 2);
  EXPECT_EQ(GetCursorName(Down), "") << "the cursor was destroyed";
  DBGridKvUnitShutdown();  // one too many does nothing
  EXPECT_EQ(DBGridKvUnitStartCount(), 0);

  // A grid made now starts the unit again for the program.
  {
    TObjectPtr<TForm> Form(TForm::Create(nullptr));
    EnsureDBGridKvUnit();
    EXPECT_EQ(DBGridKvUnitStartCount(), 1);
    EXPECT_NE(GridIndicatorImages, nullptr);
    EXPECT_NE(DefaultGridStyle(), nullptr);
    EnsureDBGridKvUnit();
    EXPECT_EQ(DBGridKvUnitStartCount(), 1);
  }
}

TEST_F(DBGridKvUnitTest, AMissingCursorStopsTheStartUp) {
  ShutDownAll();
  SetResourceHidden("RIGHTCURKV", RT_CURSOR, true);
  try {
    DBGridKvUnitStartup();
    FAIL() << "the start-up went on without its cursor";
  } catch (const EOutOfResources& E) {
    EXPECT_EQ(E.GetMessage(), "Cannot load cursor resource");
  }
  // What came before the cursors exists; nothing after them was made.
  EXPECT_NE(DefaultGridStyle(), nullptr);
  EXPECT_NE(SortMarkerFont(), nullptr);
  EXPECT_EQ(GetCursorName(GridDownCursor), "DOWNCURKV");
  EXPECT_EQ(GridRightCursor, nullptr);
  EXPECT_EQ(GridLeftCursor, nullptr);
  EXPECT_EQ(GridIndicatorImages, nullptr);
  EXPECT_EQ(GridSortMarkerImages, nullptr);
  EXPECT_EQ(GridCellParams, nullptr);
  // Its shut-down frees what was made.
  DBGridKvUnitShutdown();
  EXPECT_EQ(GridDownCursor, nullptr);
  EXPECT_EQ(DefaultGridStyle(), nullptr);
  SetResourceHidden("RIGHTCURKV", RT_CURSOR, false);
  DBGridKvUnitStartup();
  EXPECT_EQ(GetCursorName(GridRightCursor), "RIGHTCURKV");
}

// [SECTION] Column interceptors

// A storage that writes an object's published properties through its
// interceptor, and reads them back into a fresh one.
class TTestStorage {
 public:
  static TObjectPtr<TStoragePropertyInterceptor> Intercept(TObject* Object) {
    TClass Class = GetClassPropertyInterceptor(Object->ClassType());
    EXPECT_NE(Class, nullptr);
    return TObjectPtr<TStoragePropertyInterceptor>(
        static_cast<TStoragePropertyInterceptor*>(Class->Factory(Object)));
  }
  void Save(TObject* Object) {
    auto Interceptor = Intercept(Object);
    for (const TPropInfo* P : GetPropList(Interceptor->ClassType()))
      if (P->Get) Values[P->Name] = P->Get(Interceptor.get());
  }
  void Restore(TObject* Object) {
    auto Interceptor = Intercept(Object);
    for (const TPropInfo* P : GetPropList(Interceptor->ClassType()))
      if (Values.count(P->Name)) P->Set(Interceptor.get(), Values[P->Name]);
    Interceptor->Readed();
  }
  std::map<String, TPropValue> Values;
};

class ColumnInterceptorTest : public DBGridOnFormTest {
 protected:
  void SetUp() override {
    DBGridOnFormTest::SetUp();
    for (const char* Name : {"A", "B", "C"}) Grid->GetColumns()->Add()->SetFieldName(Name);
  }
  String Order() {
    String S;
    for (Integer I = 0; I < Grid->GetColumns()->GetCount(); ++I)
      S += Grid->Column(I)->GetFieldName() + (Grid->Column(I)->GetTag() ? "'" : "");
    return S;
  }
  void WriteIndex(const String& Text) {
    auto Interceptor = TTestStorage::Intercept(Grid->GetColumns());
    SetStrProp(Interceptor.get(), "ColumnsIndex", Text);
    Interceptor->Readed();
  }
  String ReadIndex() {
    return GetStrProp(TTestStorage::Intercept(Grid->GetColumns()).get(), "ColumnsIndex");
  }
};

TEST_F(ColumnInterceptorTest, ColumnsIndexSavesAndRestoresTheColumnOrder) {
  EXPECT_EQ(ReadIndex(), "\"A\",\"B\",\"C\"");
  TTestStorage Storage;
  Grid->Column(2)->SetIndex(0);
  Storage.Save(Grid->GetColumns());
  Grid->Column(2)->SetIndex(0);
  Grid->Column(2)->SetIndex(1);
  ASSERT_NE(Order(), "CAB");
  Storage.Restore(Grid->GetColumns());
  EXPECT_EQ(Order(), "CAB");
}

TEST_F(ColumnInterceptorTest, ColumnsIndexMovesTheNamedColumnsInOneUpdate) {
  const Integer Layouts = Grid->Layouts;
  WriteIndex("\"C\",\"A\"");
  EXPECT_EQ(Order(), "CAB") << "unnamed columns follow in their own order";
  EXPECT_EQ(Grid->Layouts, Layouts + 1) << "both moves are laid out once";
  // A name that differs in case only matches no column; its place is
  // skipped like that of a name without a column.
  WriteIndex("\"b\",\"B\"");
  EXPECT_EQ(Order(), "CBA");
  WriteIndex("\"X\",\"A\"");
  EXPECT_EQ(Order(), "CAB");
}

TEST_F(ColumnInterceptorTest, ColumnsSharingAFieldNameComeBackInTheirStoredOrder) {
  // Two unbound columns (no field name) between A and a new D: each name of
  // the stored order takes a column not placed yet, so the second empty
  // name moves the second unbound column instead of the first one again.
  Grid->Column(1)->SetFieldName("");
  Grid->Column(2)->SetFieldName("");
  Grid->GetColumns()->Add()->SetFieldName("D");
  auto Names = [this] {
    String S;
    for (Integer I = 0; I < Grid->GetColumns()->GetCount(); ++I)
      S += "[" + Grid->Column(I)->GetFieldName() + "]";
    return S;
  };
  ASSERT_EQ(Names(), "[A][][][D]");
  WriteIndex("\"\",\"D\",\"\",\"A\"");
  EXPECT_EQ(Names(), "[][D][][A]");
}

TEST_F(ColumnInterceptorTest, AFieldNameWithAQuoteReadsBackWhole) {
  Grid->Column(1)->SetFieldName("Say \"hi\", B");
  EXPECT_EQ(ReadIndex(), "\"A\",\"Say \"\"hi\"\", B\",\"C\"");
  TTestStorage Storage;
  Grid->Column(1)->SetIndex(0);
  Storage.Save(Grid->GetColumns());
  Grid->Column(0)->SetIndex(2);
  Storage.Restore(Grid->GetColumns());
  EXPECT_EQ(Grid->Column(0)->GetFieldName(), "Say \"hi\", B");
  EXPECT_EQ(Order(), "Say \"hi\", BAC");
}

TEST_F(ColumnInterceptorTest, WidthRestoresTheColumnOrItsBaseWidthWhileFitting) {
  TColumnKv* B = Grid->Column(1);
  TTestStorage Storage;
  B->SetWidth(90);
  Storage.Save(B);
  EXPECT_TRUE(Storage.Values.empty()) << "Width is only written";
  Storage.Values["Width"] = TPropValue(Int64(70));
  Storage.Restore(B);
  EXPECT_EQ(B->GetWidth(), 70);
  EXPECT_EQ(Grid->GetColWidths(2), 70);

  Grid->SetAutoFitColWidths(true);
  const Integer Fitted = B->GetWidth();
  const Integer Layouts = Grid->Layouts;
  Storage.Values["Width"] = TPropValue(Int64(40));
  Storage.Restore(B);
  EXPECT_EQ(Grid->Layouts, Layouts) << "no layout while fitting";
  EXPECT_EQ(B->GetWidth(), Fitted);
  EXPECT_EQ(B->GetInitWidth(), 40);
  Grid->SetAutoFitColWidths(false);
  EXPECT_EQ(B->GetWidth(), 40) << "the restored width comes back when fitting ends";
}

}  // namespace
}  // namespace korvel
