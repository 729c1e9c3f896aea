// The grid unit's start-up and shut-down, the objects and values it shares
// between all grids (style, sort-marker font, cursors, image lists of row
// indicators and sort markers, shortcuts, search colours, the shared cell
// parameters), and the two property-storage interceptors it registers for
// columns.
//
// Index:
//   [SECTION] Unit values          the shared variables
//   [SECTION] Image lists          the indicator and sort-marker lists
//   [SECTION] Start-up             DBGridKvUnitStartup, DBGridKvUnitShutdown
//   [SECTION] Interceptors         TColumnKvPropertyInterceptor, TColumnsKvPropertyInterceptor
#include <algorithm>
#include <vector>

#include "base/KorvelConsts.h"
#include "grid/DBGridKv.h"
#include "platform/classes/Resources.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

// [SECTION] Unit values

TShortCut InplaceSearchShortCut = 0;
TShortCut InplaceSearchNextShortCut = 0;
TShortCut InplaceSearchPriorShortCut = 0;
TShortCut CopyValueShortCut = 0;
TShortCut FindDialogShortCut = 0;
Integer InplaceSearchTimeOut = 0;
TColor InplaceSearchHighlightColor = 0;
TColor InplaceSearchHighlightFontColor = 0;
bool DisableDoubleBuffer = false;

TCustomImageList* GridIndicatorImages = nullptr;
TCustomImageList* GridSortMarkerImages = nullptr;
HCURSOR GridDownCursor = nullptr;
HCURSOR GridRightCursor = nullptr;
HCURSOR GridLeftCursor = nullptr;
TColCellParamsKv* GridCellParams = nullptr;

namespace {

TFont* GSortMarkerFont = nullptr;
Integer GStartCount = 0;      // start-ups not yet given back
bool GProgramStarted = false;  // EnsureDBGridKvUnit holds one start-up

// Gives the program's start-up back when the program ends. The platform's
// tables of drawing objects, image lists, fonts, cursors and windows are
// made before it, so that they are still there when it frees its objects.
struct TProgramShutdown {
  TProgramShutdown() {
    DeleteObject(CreateRectRgn(0, 0, 0, 0));
    ImageList_Destroy(ImageList_Create(1, 1, ILC_MASK, 0, 0));
    TObjectPtr<TFont> Font(TFont::Create());
    Font->GetHandle();
    GetCursor();
    GetFocus();
    GetSystemMetrics(SM_CXSCREEN);
  }
  ~TProgramShutdown() {
    if (GProgramStarted) DBGridKvUnitShutdown();
  }
} ProgramShutdown;

// A bitmap of the library's resources; the caller frees it.
TBitmap* LoadResourceBitmap(const char* Name) {
  TObjectPtr<TBitmap> Bitmap(TBitmap::Create());
  Bitmap->LoadFromResourceName(HInstance, Name);
  return Bitmap.release();
}

}  // namespace

TFont* SortMarkerFont() {
  EnsureDBGridKvUnit();
  return GSortMarkerFont;
}

// [SECTION] Image lists

namespace {

constexpr TColor MaskWhite = 0xFFFFFF;
constexpr TColor MaskTeal = 0x808000;
constexpr TColor MaskMagenta = 0xFF00FF;

TCustomImageList* BuildIndicatorImages() {
  TObjectPtr<TBitmap> Bitmap(LoadResourceBitmap("DBGARROWKV"));
  TObjectPtr<TCustomImageList> List(
      TCustomImageList::CreateSize(Bitmap->GetWidth(), Bitmap->GetHeight()));
  List->AddMasked(Bitmap.get(), MaskWhite);
  for (const char* Name : {"DBEDITKV", "DBINSERTKV", "DBMULTIDOTKV", "DBMULTIARROWKV"}) {
    Bitmap.reset(LoadResourceBitmap(Name));
    List->AddMasked(Bitmap.get(), MaskWhite);
  }
  Bitmap.reset(LoadResourceBitmap("DBGARROWKVW"));
  List->AddMasked(Bitmap.get(), MaskTeal);
  // The arrow in the search colour: the white of the dark-row arrow is made
  // transparent over a background of that colour and drawn back into the
  // bitmap, which then goes in with teal as its mask like image 5.
  TObjectPtr<TCustomImageList> Search(
      TCustomImageList::CreateSize(Bitmap->GetWidth(), Bitmap->GetHeight()));
  Search->SetBkColor(InplaceSearchHighlightColor);
  Search->AddMasked(Bitmap.get(), MaskWhite);
  Search->Draw(Bitmap->GetCanvas(), 0, 0, 0, true);
  List->AddMasked(Bitmap.get(), MaskTeal);
  return List.release();
}

TCustomImageList* BuildSortMarkerImages() {
  TObjectPtr<TBitmap> Down(LoadResourceBitmap("DBSMDOWNKV"));
  TObjectPtr<TBitmap> Up(LoadResourceBitmap("DBSMUPKV"));
  TObjectPtr<TCustomImageList> List(
      TCustomImageList::CreateSize(Down->GetWidth(), Down->GetHeight()));
  List->AddMasked(Down.get(), MaskMagenta);
  List->AddMasked(Up.get(), MaskMagenta);
  return List.release();
}

HCURSOR LoadGridCursor(const char* Name) {
  const HCURSOR Cursor = LoadCursor(HInstance, Name);
  if (!Cursor) throw EOutOfResources(SCannotLoadCursorResource);
  return Cursor;
}

}  // namespace

// [SECTION] Start-up

void DBGridKvUnitStartup() {
  if (GStartCount++ != 0) return;
  // [Phase 1] The column interceptors.
  RegisterClassPropertyInterceptor(TColumnKv::StaticClass(),
                                   TColumnKvPropertyInterceptor::StaticClass());
  RegisterClassPropertyInterceptor(TDBGridColumnsKv::StaticClass(),
                                   TColumnsKvPropertyInterceptor::StaticClass());
  // [Phase 2] The default style and the data service.
  CreateDefaultGridStyle();
  CreateDBGridKvDataService();
  // [Phase 3] The sort-marker font: its digits stand as high as the marker.
  {
    TObjectPtr<TBitmap> Marker(LoadResourceBitmap("DBSMDOWNKV"));
    GSortMarkerFont = TFont::Create();
    GSortMarkerFont->SetHeight(1 - Marker->GetHeight());
    GSortMarkerFont->SetName("Arial");
  }
  // [Phase 4] The cursors; a missing one ends the start-up here.
  GridDownCursor = LoadGridCursor("DOWNCURKV");
  GridRightCursor = LoadGridCursor("RIGHTCURKV");
  GridLeftCursor = LoadGridCursor("LEFTCURKV");
  // [Phase 5] Shortcuts, the search time-out and colours.
  InplaceSearchShortCut = ShortCut('F', {ssCtrl});
  InplaceSearchNextShortCut = ShortCut(VK_RETURN, {ssCtrl});
  InplaceSearchPriorShortCut = ShortCut(VK_RETURN, {ssCtrl, ssShift});
  CopyValueShortCut = ShortCut(222, {ssCtrl});
  FindDialogShortCut = ShortCut('F', {ssCtrl});
  InplaceSearchTimeOut = 1500;
  InplaceSearchHighlightColor = 0x00FFFF;
  InplaceSearchHighlightFontColor = 0;
  // [Phase 6] The image lists.
  GridIndicatorImages = BuildIndicatorImages();
  GridSortMarkerImages = BuildSortMarkerImages();
  // [Phase 7] The shared cell parameters; double buffering allowed.
  GridCellParams = TColCellParamsKv::Create();
  DisableDoubleBuffer = false;
}

void DBGridKvUnitShutdown() {
  if (GStartCount == 0) return;
  if (--GStartCount != 0) return;
  for (HCURSOR* Cursor : {&GridDownCursor, &GridRightCursor, &GridLeftCursor}) {
    if (*Cursor) DestroyCursor(*Cursor);
    *Cursor = nullptr;
  }
  FreeAndNil(GridIndicatorImages);
  FreeAndNil(GridSortMarkerImages);
  FreeAndNil(GSortMarkerFont);
  FreeDefaultGridStyle();
  FreeDBGridKvDataService();
  FreeAndNil(GridCellParams);
  // The interceptors stay registered: the interceptor unit frees its
  // registry at its own shut-down.
  GProgramStarted = false;
}

Integer DBGridKvUnitStartCount() { return GStartCount; }

void EnsureDBGridKvUnit() {
  if (GStartCount > 0) return;
  GProgramStarted = true;
  DBGridKvUnitStartup();
}

// [SECTION] Interceptors

void TColumnKvPropertyInterceptor::KvPublish(TPublisher<TColumnKvPropertyInterceptor>& P) {
  P.Prop("Width", nullptr, &TColumnKvPropertyInterceptor::SetWidth);
}

void TColumnKvPropertyInterceptor::SetWidth(Integer Value) {
  auto* Column = DynCast<TColumnKv>(GetTarget());
  if (!Column) return;
  TCustomDBGridKv* Grid = Column->GetGrid();
  if (Grid && Grid->GetAutoFitColWidths())
    Column->SetInitWidth(Value);  // fitting scales from it; no layout now
  else
    Column->SetWidth(Value);
}

void TColumnsKvPropertyInterceptor::KvPublish(TPublisher<TColumnsKvPropertyInterceptor>& P) {
  P.Prop("ColumnsIndex", &TColumnsKvPropertyInterceptor::GetColumnsIndex,
         &TColumnsKvPropertyInterceptor::SetColumnsIndex);
}

String TColumnsKvPropertyInterceptor::GetColumnsIndex() const {
  auto* Columns = DynCast<TDBGridColumnsKv>(GetTarget());
  if (!Columns) return {};
  String Result;
  for (Integer I = 0; I < Columns->GetCount(); ++I) {
    if (I > 0) Result += ',';
    // Quotes inside a name are doubled, so that the name reads back whole.
    Result += AnsiQuotedStr(Columns->GetColumn(I)->GetFieldName(), '"');
  }
  return Result;
}

void TColumnsKvPropertyInterceptor::SetColumnsIndex(const String& Value) {
  FColumnsIndex = Value;
  auto* Columns = DynCast<TDBGridColumnsKv>(GetTarget());
  if (!Columns) return;
  TObjectPtr<TStringList> Names(TStringList::Create());
  Names->SetCommaText(Value);
  Columns->BeginUpdate();
  struct TEnd {
    TDBGridColumnsKv* C;
    ~TEnd() { C->EndUpdate(); }
  } End{Columns};
  // Each name takes the first column of that name not yet placed by this
  // write, so that columns sharing a field name keep their stored order.
  std::vector<TColumnKv*> Placed;
  for (Integer I = 0; I < Names->GetCount(); ++I) {
    const String& Name = Names->GetStrings(I);
    for (Integer J = 0; J < Columns->GetCount(); ++J) {
      TColumnKv* Column = Columns->GetColumn(J);
      if (AnsiCompareStr(Column->GetFieldName(), Name) != 0) continue;
      if (std::find(Placed.begin(), Placed.end(), Column) != Placed.end()) continue;
      Placed.push_back(Column);
      Column->SetIndex(std::min(I, Columns->GetCount() - 1));
      break;
    }
  }
}

}  // namespace korvel
