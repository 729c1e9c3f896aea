// DBGridKvFindDlgs: the data-aware grid's "Find text" dialog, read from its
// stored form (TDBGRIDKVFINDDLG). The person types a text and chooses a
// column or all columns, the kind of match, the direction, letter case and
// display format (and, for a dataset shown as a tree, the part of the tree);
// "Find next" hands the search to the grid's LocateText, record by record.
// One dialog serves every grid; the unit's start-up installs its routine as
// the one the data service falls back to.
#pragma once

#include "controls/DBCtrlsKv.h"
#include "grid/DBGridKv.h"
#include "platform/controls/Forms.h"
#include "platform/controls/StdCtrls.h"

namespace korvel {

// ---------------------------------------------------------------------------
// TDBGridKvFindDlg: the dialog. It keeps the grid it was last opened for
// (and hears of its freeing), the texts typed so far (cbText's items) and
// the choices of its last use. A new search begins when it opens and when
// the text, the direction or the tree range changes; a search that finds
// something ends it, and "All" then goes on downward.
class TDBGridKvFindDlg : public kvp::TForm {
  KV_CLASS(TDBGridKvFindDlg, kvp::TForm)
 public:
  explicit TDBGridKvFindDlg(kvp::TComponent* AOwner) : kvp::TForm(AOwner) {}

  // Opens the dialog for Grid with Text in cbText: modally, or stay-on-top
  // while the person goes on working. Columns (or null: the grid's visible
  // columns) fill "Find in", with "<All>" after them.
  void Execute(TCustomDBGridKv* Grid, const kvp::String& Text, bool Modal,
               const TColumnCaptionsKv* Columns);

  TCustomDBGridKv* GetGrid() const { return FDBGrid; }
  // Set when the next "Find next" starts a new search.
  bool GetNewSearch() const { return FNewSearch; }
  // The columns "Find in" chose (one, or every listed column for "<All>").
  TColumnsKvList* GetColumnsList() const { return FColumnsList; }
  // 0 for "Down" and "All", the last listed column for "Up"; -1 after opening.
  kvp::Integer GetCurColumnIndex() const { return FCurColumnIndex; }
  // The form's height with the tree-range row.
  kvp::Integer GetFullHeight() const { return FFullHeight; }

  // -- The stored form's handlers --
  void bFindClick(kvp::TObject* Sender);
  void bCancelClick(kvp::TObject* Sender);
  void cbFindInChange(kvp::TObject* Sender);
  void cbTextChange(kvp::TObject* Sender);
  void FormKeyDown(kvp::TObject* Sender, kvp::Word& Key, kvp::TShiftState Shift);
  void FormCreate(kvp::TObject* Sender);

  // -- The stored form's controls, in tab order --
  kvp::TLabel* Label1 = nullptr;
  TDBComboBoxKv* cbText = nullptr;  // the text; typed texts are kept as its items
  kvp::TLabel* Label2 = nullptr;
  TDBComboBoxKv* cbFindIn = nullptr;  // the columns, each with its column object, then "<All>"
  kvp::TLabel* cbMatchType = nullptr;
  TDBComboBoxKv* cbMatchinType = nullptr;  // any part, whole field, beginning
  kvp::TLabel* Label3 = nullptr;
  TDBComboBoxKv* cbFindDirection = nullptr;  // up, down, all
  TDBCheckBoxKv* cbCharCase = nullptr;
  TDBCheckBoxKv* cbUseFormat = nullptr;
  kvp::TButton* bFind = nullptr;
  kvp::TButton* bCancel = nullptr;
  kvp::TLabel* Label4 = nullptr;
  TDBComboBoxKv* dbcTreeFindRange = nullptr;  // the part of a tree searched

  KV_PUBLISHED;

 protected:
  void Destroy() override;
  void Notification(kvp::TComponent* AComponent, kvp::TOperation Operation) override;
  void DefineProperties(kvp::TFiler* Filer) override;

 private:
  void SetGrid(TCustomDBGridKv* Grid);
  // The column of the chosen "Find in" entry while it is still one of the
  // grid's columns; null for "<All>", an entry without one, or a column gone.
  TColumnKv* ChosenColumn();
  bool AllChosen();
  bool TreeRangeShown() const;
  void ReadTextHeight(kvp::TReader* Reader);
  void WriteTextHeight(kvp::TWriter* Writer);

  TCustomDBGridKv* FDBGrid = nullptr;  // not owned; its freeing clears it
  bool FNewSearch = false;
  TColumnsKvList* FColumnsList = nullptr;  // owned list, made on first use; columns not owned
  kvp::Integer FCurColumnIndex = -1;
  TColumnCaptionsKv FColumnFields;  // the caller's column list of the last opening
  kvp::Integer FFullHeight = 0;     // the form's height as created, with the tree row
  kvp::Integer FTextHeight = 0;     // the stored form's text height
};

// Opens the one find dialog (made on first use, owned by the application)
// for Grid. ColumnName is not read.
void ExecuteDBGridKvFindDialog(TCustomDBGridKv* Grid, const kvp::String& Text,
                               const kvp::String& ColumnName, bool Modal,
                               const TColumnCaptionsKv* Columns);
// The dialog, or null before its first use and after it was freed.
TDBGridKvFindDlg* DBGridKvFindDlg();
// The unit's start-up: installs ExecuteDBGridKvFindDialog as the find-dialog
// routine, once.
void EnsureDBGridKvFindDlgsUnit();

}  // namespace korvel
