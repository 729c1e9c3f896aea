// The grid's in-place editor: which edit style a column's cells get, what
// the editor takes from the grid and the column each time it is loaded for a
// cell (style, font, colour, text, mask, limit, read-only state, image, the
// column's most-recently-used list), the image that follows its text, and
// the grid's side of it (the factory, the list-mode questions, the editor's
// change notifications).
//
// Index:
//   [SECTION] Style rule    GetColumnEditStyle, EditorStyleOf
//   [SECTION] Life          Construct, Destroy, Notification, GetGrid, GetColumn, GetMRUList
//   [SECTION] Style         SetEditStyle, GetPopupCalculator
//   [SECTION] Contents      UpdateContents, SetWordWrap, CreateParams
//   [SECTION] Image         UpdateImageIndex, TextChanged
//   [SECTION] Grid side     CreateEditor, GetDBInplaceEditor, EditorListMode,
//                           EditorWritable, WMCommand
#include "controls/DBCtrlsKv.h"
#include "grid/DBGridKvImpl.h"
#include "grid/DBLookupGridsKv.h"
#include "platform/controls/EditClass.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;
using dbgrid::HasItems;

// [SECTION] Style rule

namespace {

// The rule of both the painting (InEditor false) and the editor's own loads
// (InEditor true): only outside the editor does a grid being designed show
// the list of a lookup column whose key fields cannot be written.
TColumnEditStyleKv ColumnEditStyle(TColumnKv* Column, bool InEditor) {
  switch (Column->GetButtonStyle()) {
    case cbsEllipsis:
      return cesEllipsisKv;
    case cbsNone:
      return cesPlainKv;
    case cbsUpDown:
      return cesUpDownKv;
    case cbsDropDown:
      return cesDropDownKv;
    default:
      break;
  }
  TField* Field = Column->GetField();
  if (!Field) return cesPlainKv;
  if (Field->GetFieldKind() != fkLookup) {
    if (HasItems(Column->GetPickList()) && !Column->GetReadOnly()) return cesPickListKv;
    const TFieldType Type = Field->GetDataType();
    if ((Type == ftDate || Type == ftDateTime || Type == ftTimeStamp) && !Column->GetReadOnly())
      return cesDateKv;
    return cesPlainKv;
  }
  TCustomDBGridKv* Grid = Column->GetGrid();
  if (!Grid) return cesPlainKv;
  std::vector<TField*> Keys;
  if (!dbgrid::LookupKeyFields(Field, Keys) || Keys.empty()) return cesPlainKv;
  const bool Designing = !InEditor && Grid->GetComponentState().Contains(csDesigning);
  const bool ReadOnlyByColumn =
      Column->GetAssignedValues().Contains(cvReadOnly) && Column->GetReadOnly();
  TGridDataLinkKv* Link = Grid->GetDataLink();
  if ((FieldsCanModify(Keys) || Designing) && !ReadOnlyByColumn && !Grid->GetReadOnly() &&
      Link->GetActive() && !Link->GetReadOnly())
    return cesDataListKv;
  return cesPlainKv;
}

}  // namespace

TColumnEditStyleKv GetColumnEditStyle(TColumnKv* Column) {
  return Column ? ColumnEditStyle(Column, false) : cesPlainKv;
}

TColumnEditStyleKv TDBGridInplaceEdit::EditorStyleOf(TColumnKv* Column) const {
  return ColumnEditStyle(Column, true);
}

// [SECTION] Life

void TDBGridInplaceEdit::Construct() {
  inherited::Construct();
  FDataSource = TDataSource::Create(this);
  FCanvas = TControlCanvas::Create();
  FCanvas->SetControl(this);
  FEditStyle = cesPlainKv;
  FListVisible = false;
}

void TDBGridInplaceEdit::Destroy() {
  FreeAndNil(FCanvas);
  // The popups, buttons and separators go with the editor, their owner.
  inherited::Destroy();
}

void TDBGridInplaceEdit::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FDataList) {
    FDataList = nullptr;
    if (FActiveList == AComponent) FActiveList = nullptr;
    if (!GetComponentState().Contains(csDestroying)) SetEditStyle(cesPlainKv);
    return;
  }
  // The editor's own popups go only with the editor; nothing may point at
  // them meanwhile.
  if (AComponent == FActiveList) FActiveList = nullptr;
  if (AComponent == FPickList) FPickList = nullptr;
  if (AComponent == FCalendar) FCalendar = nullptr;
  if (AComponent == FCalculator) FCalculator = nullptr;
  if (AComponent == FMRUListBox) FMRUListBox = nullptr;
  if (AComponent == FDataSource) FDataSource = nullptr;
}

TCustomDBGridKv* TDBGridInplaceEdit::GetGrid() const {
  return DynCast<TCustomDBGridKv>(TInplaceEdit::GetGrid());
}

// The index of the current column is checked both ways: the indicator
// column gives -1.
TColumnKv* TDBGridInplaceEdit::GetColumn() const {
  TCustomDBGridKv* Grid = GetGrid();
  if (!Grid) return nullptr;
  const Integer Index = Grid->GetSelectedIndex();
  TDBGridColumnsKv* Columns = Grid->GetColumns();
  if (!Columns || Index < 0 || Index >= Columns->GetCount()) return nullptr;
  return Columns->GetColumn(Index);
}

// A column may go while the editor still points at its list: the list
// counts only while the current column holds it.
TMRUListKv* TDBGridInplaceEdit::GetMRUList() const {
  TColumnKv* Column = GetColumn();
  return Column && Column->GetMRUList() == FMRUList ? FMRUList : nullptr;
}

// [SECTION] Style

void TDBGridInplaceEdit::SetEditStyle(TColumnEditStyleKv Value) {
  FEditStyle = Value;
  TColumnKv* Column = GetColumn();
  switch (Value) {
    case cesPickListKv:
      if (!FPickList) {
        FPickList = TPopupListboxKv::Create(this);
        FPickList->SetVisible(false);
        FPickList->SetParent(this);
        FPickList->SetCtl3D(true);
        FPickList->SetItemHeight(FPickList->GetTextHeight());
        FPickList->OnMouseUp = TMouseEvent(this, &TDBGridInplaceEdit::ListMouseUp);
      }
      FPickList->SetImages(Column ? Column->GetImageList() : nullptr);
      FActiveList = FPickList;
      break;
    case cesDataListKv:
      // The column's drop-down data grid floats under this editor and
      // closes through it.
      if (TPopupDataGridKv* List = Column ? Column->GetDataList() : nullptr; List != FDataList) {
        if (List) {
          List->SetVisible(false);
          List->SetCtl3D(true);
          List->SetParentCtl3D(false);
          List->SetParent(this);
          List->OnMouseCloseUp =
              TDelegate<void(TObject*, bool)>(this, &TDBGridInplaceEdit::DataListCloseUp);
          List->FreeNotification(this);
        }
        FDataList = List;
      }
      FActiveList = FDataList;
      break;
    case cesDateKv:
      if (!FCalendar) {
        FCalendar = TPopupMonthCalendarKv::Create(this);
        FCalendar->SetVisible(false);
        FCalendar->SetParent(this);
      }
      FActiveList = FCalendar;
      break;
    case cesDropDownKv: {
      TField* Field = Column ? Column->GetField() : nullptr;
      FActiveList = DynCast<TNumericField>(Field) ? GetPopupCalculator() : nullptr;
      break;
    }
    default:
      FActiveList = nullptr;
      break;
  }
  if (Column) SetReadOnly(Column->GetReadOnly());
  Invalidate();
}

TPopupCalculatorKv* TDBGridInplaceEdit::GetPopupCalculator() {
  if (!FCalculator) {
    FCalculator = TPopupCalculatorKv::Create(this);
    FCalculator->SetVisible(false);
    FCalculator->SetParent(this);
    if (HandleAllocated()) FCalculator->HandleNeeded();
  }
  return FCalculator;
}

// [SECTION] Contents

void TDBGridInplaceEdit::UpdateContents() {
  TCustomDBGridKv* Grid = GetGrid();
  TColumnKv* Column = GetColumn();
  if (!Grid || !Column) {
    // Off the columns the editor is a plain one.
    SetEditStyle(cesPlainKv);
    FImageIndex = -1;
    FMRUList = nullptr;
    inherited::UpdateContents();
    return;
  }
  // [Phase 1] Style and font.
  SetEditStyle(EditorStyleOf(Column));
  GetFont()->Assign(Column->GetFont());
  // [Phase 2] What the column decides of the cell; then the application.
  TColCellParamsKv* Params = Grid->GetColCellParams();
  Column->FillColCellParams(Params);
  Params->SetBackground(Column->GetColor());
  Params->SetFont(GetFont());
  Params->SetState(TGridDrawState{gdFocused});
  Params->SetText(Grid->GetEditText(Grid->GetCol(), Grid->GetRow()));
  const bool ColumnReadOnly = !Column->CanModify(false);
  Params->SetReadOnly(ColumnReadOnly);
  TColor Background = Params->GetBackground();
  Grid->GetCellParams(Column, Params->GetFont(), Background, Params->GetState());
  Params->SetBackground(Background);
  Column->GetCellParams(true, Params);
  // [Phase 3] The editor takes them.
  SetColor(Params->GetBackground());
  FImageIndex = Params->GetImageIndex();
  if (Params->GetReadOnly() != ColumnReadOnly) SetReadOnly(Params->GetReadOnly());
  SetWordWrap(Column->GetWordWrap() && Grid->GetWordWrapAllowed());
  // [Phase 4] The mask first, so that the text is laid into it.
  SetText("");
  SetEditMask(Grid->GetEditMask(Grid->GetCol(), Grid->GetRow()));
  SetText(Params->GetText());
  SetMaxLength(Grid->GetEditLimit());
  FMRUList = Column->GetMRUList();
}

void TDBGridInplaceEdit::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  RecreateWnd();
}

void TDBGridInplaceEdit::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  if (FWordWrap) Params.Style = (Params.Style & ~DWORD(ES_AUTOHSCROLL)) | ES_MULTILINE;
  // The first placement lays the buttons out; until then room for one.
  TCustomDBGridKv* Grid = GetGrid();
  FButtonWidth = Grid && Grid->GetFlat() ? FlatButtonWidth() + 1 : GetSystemMetrics(SM_CXVSCROLL);
}

// [SECTION] Image

void TDBGridInplaceEdit::UpdateImageIndex() {
  TColumnKv* Column = GetColumn();
  if (!Column || !Column->GetImageList()) return;
  Integer Index = -1;
  TField* Field = Column->GetField();
  if (HasItems(Column->GetPickList())) {
    Index = Column->GetPickList()->IndexOf(GetEditText());
  } else if (Field) {
    switch (Field->GetDataType()) {
      case ftSmallint:
      case ftInteger:
      case ftWord:
      case ftFloat:
      case ftCurrency:
      case ftBCD:
      case ftFMTBcd:
        Index = FieldAsIntegerDef(Field, -1);
        break;
      default:
        break;
    }
  }
  if (Index == -1) Index = Column->GetNotInKeyListIndex();
  if (Index == FImageIndex) return;
  FImageIndex = Index;
  Invalidate();
}

void TDBGridInplaceEdit::TextChanged() {
  FTextChanged = true;
  UpdateImageIndex();
}

// [SECTION] Grid side

// An editor made after the column was entered takes its input method too.
TInplaceEdit* TCustomDBGridKv::CreateEditor() {
  TInplaceEdit* Editor = TDBGridInplaceEdit::Create(this);
  if (SysLocale.FarEast) {
    TImeName Name;
    TImeMode Mode = imDontCare;
    ColumnIme(Name, Mode);
    Editor->SetImeName(Name);
    Editor->SetImeMode(Mode);
  }
  return Editor;
}

TDBGridInplaceEdit* TCustomDBGridKv::GetDBInplaceEditor() const {
  return DynCast<TDBGridInplaceEdit>(GetInplaceEditor());
}

// A lookup cell's text comes from its list; the list decides what is typed.
bool TCustomDBGridKv::EditorListMode() {
  TDBGridInplaceEdit* Editor = GetDBInplaceEditor();
  return Editor && Editor->GetEditStyle() == cesDataListKv;
}

bool TCustomDBGridKv::EditorWritable() {
  TDBGridInplaceEdit* Editor = GetDBInplaceEditor();
  TColumnKv* Column = Editor ? Editor->GetColumn() : nullptr;
  return Column && Column->CanModify(false);
}

}  // namespace korvel
