// The find dialog: opening it for a grid, the column list of "Find in", the
// search request built from the choices, the keys, and the routine the unit
// installs at start-up.
//
// Index:
//   [SECTION] Start-up and the one dialog   EnsureDBGridKvFindDlgsUnit, ExecuteDBGridKvFindDialog
//   [SECTION] Life                          published members, Destroy, Notification, TextHeight
//   [SECTION] Opening                       Execute
//   [SECTION] Handlers                      cbFindInChange, cbTextChange, bFindClick, keys
#include "grid/DBGridKvFindDlgs.h"

#include "platform/classes/Filer.h"
#include "platform/classes/TypInfo.h"
#include "platform/controls/ControlMessages.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

namespace {

constexpr const char* AllColumnsEntry = "<All>";

TDBGridKvFindDlg* GFindDlg = nullptr;  // owned by the application
bool GUnitStarted = false;

}  // namespace

// [SECTION] Start-up and the one dialog

void EnsureDBGridKvFindDlgsUnit() {
  if (GUnitStarted) return;
  GUnitStarted = true;
  ExecuteDBGridKvFindDialogProc = &ExecuteDBGridKvFindDialog;
}

namespace {

[[maybe_unused]] const bool FindDlgsUnitStarted = [] {
  EnsureDBGridKvFindDlgsUnit();
  return true;
}();

}  // namespace

void ExecuteDBGridKvFindDialog(TCustomDBGridKv* Grid, const String& Text,
                               const String& /*ColumnName*/, bool Modal,
                               const TColumnCaptionsKv* Columns) {
  if (!GFindDlg) GFindDlg = TDBGridKvFindDlg::Create(Application());
  GFindDlg->Execute(Grid, Text, Modal, Columns);
}

TDBGridKvFindDlg* DBGridKvFindDlg() { return GFindDlg; }

// [SECTION] Life

void TDBGridKvFindDlg::KvPublish(TPublisher<TDBGridKvFindDlg>& P) {
  P.Field("Label1", &TDBGridKvFindDlg::Label1);
  P.Field("cbText", &TDBGridKvFindDlg::cbText);
  P.Field("Label2", &TDBGridKvFindDlg::Label2);
  P.Field("cbFindIn", &TDBGridKvFindDlg::cbFindIn);
  P.Field("cbMatchType", &TDBGridKvFindDlg::cbMatchType);
  P.Field("cbMatchinType", &TDBGridKvFindDlg::cbMatchinType);
  P.Field("Label3", &TDBGridKvFindDlg::Label3);
  P.Field("cbFindDirection", &TDBGridKvFindDlg::cbFindDirection);
  P.Field("cbCharCase", &TDBGridKvFindDlg::cbCharCase);
  P.Field("cbUseFormat", &TDBGridKvFindDlg::cbUseFormat);
  P.Field("bFind", &TDBGridKvFindDlg::bFind);
  P.Field("bCancel", &TDBGridKvFindDlg::bCancel);
  P.Field("Label4", &TDBGridKvFindDlg::Label4);
  P.Field("dbcTreeFindRange", &TDBGridKvFindDlg::dbcTreeFindRange);
  P.Method("bFindClick", &TDBGridKvFindDlg::bFindClick);
  P.Method("bCancelClick", &TDBGridKvFindDlg::bCancelClick);
  P.Method("cbFindInChange", &TDBGridKvFindDlg::cbFindInChange);
  P.Method("cbTextChange", &TDBGridKvFindDlg::cbTextChange);
  P.Method("FormKeyDown", &TDBGridKvFindDlg::FormKeyDown);
  P.Method("FormCreate", &TDBGridKvFindDlg::FormCreate);
}

void TDBGridKvFindDlg::Destroy() {
  SetGrid(nullptr);
  FreeAndNil(FColumnsList);
  if (GFindDlg == this) GFindDlg = nullptr;
  inherited::Destroy();
}

// A grid freed while the dialog remembers it: the dialog forgets it and its
// columns, and closes.
void TDBGridKvFindDlg::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove || AComponent != FDBGrid || !FDBGrid) return;
  FDBGrid = nullptr;
  FColumnFields.clear();
  if (FColumnsList) FColumnsList->Clear();
  if (cbFindIn) {
    const TNotifyEvent Handler = cbFindIn->OnChange;
    cbFindIn->OnChange = nullptr;
    cbFindIn->GetItems()->Clear();
    cbFindIn->GetKeyItems()->Clear();
    cbFindIn->OnChange = Handler;
  }
  if (GetVisible()) Close();
}

void TDBGridKvFindDlg::SetGrid(TCustomDBGridKv* Grid) {
  if (FDBGrid == Grid) return;
  if (FDBGrid) FDBGrid->RemoveFreeNotification(this);
  FDBGrid = Grid;
  if (FDBGrid) FDBGrid->FreeNotification(this);
}

void TDBGridKvFindDlg::DefineProperties(TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineProperty("TextHeight", TReaderProc(this, &TDBGridKvFindDlg::ReadTextHeight),
                        TWriterProc(this, &TDBGridKvFindDlg::WriteTextHeight), FTextHeight > 0);
}

void TDBGridKvFindDlg::ReadTextHeight(TReader* Reader) { FTextHeight = Reader->ReadInteger(); }

void TDBGridKvFindDlg::WriteTextHeight(TWriter* Writer) { Writer->WriteInteger(FTextHeight); }

void TDBGridKvFindDlg::FormCreate(TObject* /*Sender*/) { FFullHeight = GetHeight(); }

// [SECTION] Opening

bool TDBGridKvFindDlg::TreeRangeShown() const {
  return dbcTreeFindRange && dbcTreeFindRange->GetVisible();
}

void TDBGridKvFindDlg::Execute(TCustomDBGridKv* Grid, const String& Text, bool Modal,
                               const TColumnCaptionsKv* Columns) {
  // [Phase 1] The tree-range row, only for a dataset shown as a tree.
  TDataSet* DataSet = Grid ? Grid->GetDataSet() : nullptr;
  IMemTableKv* Tree = nullptr;
  const bool InTree =
      DataSet && DataSet->GetActive() && Supports(DataSet, Tree) && Tree->GetTreeViewMode();
  if (InTree)
    SetHeight(FFullHeight);
  else
    SetClientHeight(dbcTreeFindRange->GetTop());
  Label4->SetVisible(InTree);
  dbcTreeFindRange->SetVisible(InTree);

  // [Phase 2] The text and the grid.
  FCurColumnIndex = -1;
  cbText->SetText(Text);
  SetGrid(Grid);
  if (Columns)
    FColumnFields = *Columns;
  else
    FColumnFields.clear();

  // [Phase 3] "Find in": the caller's columns or the grid's visible ones,
  // then "<All>"; the current column's caption chosen.
  const TNotifyEvent Handler = cbFindIn->OnChange;
  cbFindIn->OnChange = nullptr;
  try {
    TStrings* Items = cbFindIn->GetItems();
    Items->Clear();
    if (Columns) {
      for (const TColumnCaptionKv& Entry : *Columns) Items->AddObject(Entry.Caption, Entry.Column);
    } else if (Grid) {
      TColumnsKvList* Visible = Grid->GetVisibleColumns();
      for (Integer I = 0; I < Visible->GetCount(); ++I)
        Items->AddObject(Visible->GetColumn(I)->GetTitle()->GetCaption(), Visible->GetColumn(I));
    }
    Items->Add(AllColumnsEntry);
    cbFindIn->GetKeyItems()->Assign(Items);
    Integer Chosen = -1;
    const Integer Selected = Grid ? Grid->GetSelectedIndex() : -1;
    if (Grid && Selected >= 0 && Selected < Grid->GetColumns()->GetCount()) {
      const String Caption = Grid->GetColumns()->GetColumn(Selected)->GetTitle()->GetCaption();
      for (Integer I = 0; I < Items->GetCount() && Chosen < 0; ++I)
        if (Items->Get(I) == Caption) Chosen = I;
    }
    cbFindIn->SetItemIndex(Chosen);
  } catch (...) {
    cbFindIn->OnChange = Handler;
    throw;
  }
  cbFindIn->OnChange = Handler;

  // [Phase 4] A new search from cbText.
  FNewSearch = true;
  Hide();
  SetActiveControl(cbText);
  cbFindInChange(cbFindIn);

  // [Phase 5] Shown modally, or on top of the application.
  if (Modal) {
    SetFormStyle(fsNormal);
    ShowModal();
  } else {
    SetFormStyle(fsStayOnTop);
    Show();
    SetFocus();
  }
}

// [SECTION] Handlers

bool TDBGridKvFindDlg::AllChosen() {
  const Integer Index = cbFindIn->GetItemIndex();
  return Index < 0 || Index == cbFindIn->GetItems()->GetCount() - 1;
}

TColumnKv* TDBGridKvFindDlg::ChosenColumn() {
  const Integer Index = cbFindIn->GetItemIndex();
  if (!FDBGrid || AllChosen() || Index >= cbFindIn->GetItems()->GetCount()) return nullptr;
  // The grid may have rebuilt its columns since the list was filled: the
  // entry's object is only compared (never read) until it is found among the
  // grid's columns.
  const TObject* Entry = cbFindIn->GetItems()->GetObject(Index);
  TDBGridColumnsKv* Columns = FDBGrid->GetColumns();
  for (Integer I = 0; I < Columns->GetCount(); ++I)
    if (static_cast<const TObject*>(Columns->GetColumn(I)) == Entry) return Columns->GetColumn(I);
  return nullptr;
}

void TDBGridKvFindDlg::cbFindInChange(TObject* /*Sender*/) {
  if (!FColumnsList) FColumnsList = TColumnsKvList::Create();
  FColumnsList->Clear();
  TStrings* Items = cbFindIn->GetItems();
  if (cbFindIn->GetItemIndex() < 0 && Items->GetCount() > 0)
    cbFindIn->SetItemIndex(Items->GetCount() - 1);
  if (AllChosen()) {
    for (Integer I = 0; I + 1 < Items->GetCount(); ++I)
      if (TObject* Column = Items->GetObject(I)) FColumnsList->Add(Column);
  } else if (TColumnKv* Column = ChosenColumn()) {
    FColumnsList->Add(Column);
  }
  cbTextChange(cbFindIn);
}

void TDBGridKvFindDlg::cbTextChange(TObject* /*Sender*/) {
  FNewSearch = true;
  if (cbFindDirection->GetItemIndex() == ltdUpKv)
    FCurColumnIndex = FColumnsList ? FColumnsList->GetCount() - 1 : -1;
  else
    FCurColumnIndex = 0;
}

void TDBGridKvFindDlg::bFindClick(TObject* /*Sender*/) {
  // [Phase 1] Ctrl turns the direction round; the text joins the typed ones.
  const bool Ctrl = GetKeyState(VK_CONTROL) < 0;
  const String Text = cbText->GetText();
  if (cbText->GetItems()->IndexOf(Text) < 0) cbText->GetItems()->Add(Text);
  TDataSet* DataSet = FDBGrid ? FDBGrid->GetDataSet() : nullptr;
  if (!DataSet || !DataSet->GetActive()) return;

  // [Phase 2] The request.
  TLocateTextOptionsKv Options;
  if (!cbCharCase->GetChecked()) Options += ltoCaseInsensitiveKv;
  if (AllChosen()) Options += ltoAllFieldsKv;
  if (cbUseFormat->GetChecked()) Options += ltoMatchFormatKv;
  const Integer Chosen = cbFindDirection->GetItemIndex();
  auto Direction =
      Chosen >= ltdUpKv && Chosen <= ltdAllKv ? TLocateTextDirectionKv(Chosen) : ltdAllKv;
  if (Ctrl)
    Direction = Direction == ltdUpKv ? ltdDownKv : ltdUpKv;
  else if (Direction == ltdAllKv && !FNewSearch)
    Direction = ltdDownKv;
  const Integer Match = cbMatchinType->GetItemIndex();
  const auto Matching = Match >= ltmAnyPartKv && Match <= ltmFromBeginningKv
                            ? TLocateTextMatchingKv(Match)
                            : ltmAnyPartKv;
  TLocateTextTreeRangeKv TreeRange = ltrNotInTreeKv;
  if (TreeRangeShown())
    TreeRange = TLocateTextTreeRangeKv(std::max(dbcTreeFindRange->GetItemIndex(), 0));
  TColumnKv* Column = AllChosen() ? nullptr : ChosenColumn();
  const String FieldName = Column ? Column->GetFieldName() : String();

  // [Phase 3] The search; a find ends the new search.
  if (FDBGrid->LocateText(FieldName, Text, Matching, Direction, Options, TreeRange))
    FNewSearch = false;
}

void TDBGridKvFindDlg::bCancelClick(TObject* /*Sender*/) { Close(); }

void TDBGridKvFindDlg::FormKeyDown(TObject* /*Sender*/, Word& Key, TShiftState /*Shift*/) {
  if (Key != VK_RETURN && Key != VK_ESCAPE) return;
  TWinControl* Active = GetActiveControl();
  if (Active && Active->Perform(CM_WANTSPECIALKEY, Key, 0) != 0) return;
  if (Key == VK_ESCAPE) {
    if (!GetFormState().Contains(fsModal)) Close();
  } else {
    bFindClick(bFind);
  }
  cbText->SetModified(false);
}

}  // namespace korvel
