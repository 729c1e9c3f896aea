// The example application: the customers of the sample database in the
// data-aware grid on a form, with titles on two levels, a sort marker and
// footer rows of totals, moved about as a user would (the wheel, a click on
// the scroll bar, the arrow keys); it saves a picture of the form and prints
// the form back in the text form format.
//
// Usage: korvel_example [--window] [output folder]   (default: the current folder)
// With --window (and a display), the form then opens in a real window, where
// a person browses, edits and copies until closing it.
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "grid/DBGridKv.h"
#include "platform/classes/Filer.h"
#include "platform/controls/Forms.h"
#include "platform/db/DB.h"
#include "platform/db/SampleDatabase.h"
#include "platform/db/SQLiteDataSet.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/InputDriver.h"
#include "platform/win/Win.h"
#include "platform/x11/X11Backend.h"

using namespace kvp;
using namespace korvel;

namespace {

// TCustomersGrid: the data-aware grid as a form publishes it.
class TCustomersGrid : public TCustomDBGridKv {
  KV_CLASS(TCustomersGrid, TCustomDBGridKv)
 public:
  explicit TCustomersGrid(TComponent* AOwner) : TCustomDBGridKv(AOwner) {}

  KV_PUBLISHED {
    P.Prop("DataSource", &TCustomersGrid::GetDataSource, &TCustomersGrid::SetDataSource);
    P.Prop("FooterRowCount", &TCustomersGrid::GetFooterRowCount,
           &TCustomersGrid::SetFooterRowCount)
        .Default(0);
    P.Prop("FrozenCols", &TCustomersGrid::GetFrozenCols, &TCustomersGrid::SetFrozenCols)
        .Default(0);
    P.Prop("UseMultiTitle", &TCustomersGrid::GetUseMultiTitle, &TCustomersGrid::SetUseMultiTitle)
        .Default(false);
  }
};

// A column of the grid on a field, with its caption (levels parted by "|").
TColumnKv* AddColumn(TCustomDBGridKv* Grid, const String& Field, const String& Caption,
                     Integer Width) {
  TColumnKv* Column = Grid->GetColumns()->Add();
  Column->SetFieldName(Field);
  Column->GetTitle()->SetCaption(Caption);
  Column->SetWidth(Width);
  return Column;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    bool Window = false;
    std::filesystem::path Out = ".";
    for (int I = 1; I < argc; ++I) {
      if (String(argv[I]) == "--window")
        Window = true;
      else
        Out = argv[I];
    }
    std::filesystem::create_directories(Out);
    String DbFile = (Out / "korvel-example.db").string();
    String PngFile = (Out / "korvel-example.png").string();

    CreateSampleDatabase(DbFile);
    TObjectPtr<TForm> Form(TForm::Create(nullptr));
    Form->SetName("CustomersForm");
    Form->SetCaption("Customers");
    Form->SetBounds(40, 40, 760, 420);

    auto* Customers = TSQLiteDataSet::Create(Form.get());
    Customers->SetName("Customers");
    Customers->SetDatabaseName(DbFile);
    Customers->SetTableName("customers");
    auto* Source = TDataSource::Create(Form.get());
    Source->SetName("CustomersSource");
    Source->SetDataSet(Customers);

    // The grid: the id frozen at the left, name and address grouped under
    // titles of two levels, two footer rows: the count of customers and the
    // total and average credit.
    auto* Grid = TCustomersGrid::Create(Form.get());
    Grid->SetName("CustomersGrid");
    Grid->SetBounds(8, 8, 728, 364);
    Grid->SetParent(Form.get());
    Grid->SetUseMultiTitle(true);
    Grid->SetFooterRowCount(2);
    Grid->SetFrozenCols(1);
    AddColumn(Grid, "id", "Id", 40);
    TColumnKv* Name = AddColumn(Grid, "name", "Customer|Name", 150);
    AddColumn(Grid, "vip", "Customer|VIP", 40);
    AddColumn(Grid, "city", "Address|City", 110);
    AddColumn(Grid, "country", "Address|Country", 110);
    AddColumn(Grid, "since", "Since", 80);
    TColumnKv* Credit = AddColumn(Grid, "credit", "Credit", 120);
    Name->GetFooters()->Add()->SetValueType(fvtCount);
    TColumnFooterKv* Average = Name->GetFooters()->Add();
    Average->SetValueType(fvtStaticText);
    Average->SetValue("Average");
    Credit->GetFooters()->Add()->SetValueType(fvtSum);
    Credit->GetFooters()->Add()->SetValueType(fvtAvg);
    Name->GetTitle()->SetSortMarker(smDownKv);
    Grid->GetSumList()->SetActive(true);
    Grid->SetDataSource(Source);
    Customers->Open();

    Form->Show();
    Grid->SetFocus();
    // A user moving about: the wheel three notches down, a click on the
    // scroll bar below its thumb (a page of customers), a column to the
    // right.
    Input.Wheel(Grid->GetHandle(), -3 * 120, {100, 100});
    const Integer Bar = GetSystemMetrics(SM_CXVSCROLL);
    Input.Click(Grid->GetHandle(),
                {Grid->GetClientWidth() + Bar / 2,
                 Grid->GetClientHeight() - GetSystemMetrics(SM_CYVSCROLL) - 4});
    Input.KeyPress(VK_RIGHT);
    ProcessMessages();
    UpdateWindow(Form->GetHandle());
    SaveWindowPng(Form->GetHandle(), PngFile);

    std::cout << "Korvel example: " << Customers->GetRecordCount() << " customers from "
              << DbFile << "\n"
              << "Current customer: " << Customers->GetRecNo() << ", "
              << Customers->FieldByName("name")->GetDisplayText() << "\n"
              << "Total credit: " << Grid->FooterText(0, Credit) << "\n"
              << "Picture of the form: " << PngFile << "\n\n"
              << "The form as stored:\n"
              << ComponentToText(Form.get());
    if (Window) {
      TX11Backend Desktop;
      Application()->SetMainForm(Form.get());
      Application()->InstallMessageFilter();
      Grid->SetEditActions({geaCopyKv, geaPasteKv, geaSelectAllKv});
      Desktop.Run([] { return Application()->GetTerminated(); }, [] { Application()->Idle(); });
      Application()->SetMainForm(nullptr);
      for (const String& E : Desktop.GetErrors()) std::cerr << E << "\n";
      if (!Desktop.GetErrors().empty()) return 1;
    }
    return 0;
  } catch (const Exception& E) {
    std::cerr << "Korvel example failed: " << E.ClassName() << ": " << E.GetMessage() << "\n";
    return 1;
  }
}
