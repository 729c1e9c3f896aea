// The example application: the customers of the sample database in the
// data-aware grid on a form, with titles on two levels, a sort marker and
// footer rows of totals, moved about as a user would (the wheel, a click on
// the scroll bar, the arrow keys); below them the orders, whose customer a
// lookup column drops down a list of and a lookup grid beside them shows;
// it saves a picture of the form and prints the form back in the text form
// format.
//
// Usage: korvel_example [--window] [output folder]   (default: the current folder)
// With --window (and a display), the form then opens in a real window, where
// a person browses, edits and copies until closing it.
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "examples/CustomersForm.h"
#include "grid/DBLookupGridsKv.h"
#include "grid/DbUtilsKv.h"
#include "platform/classes/Filer.h"
#include "platform/db/SampleDatabase.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/InputDriver.h"
#include "platform/win/Win.h"
#include "platform/x11/X11Backend.h"

using namespace kvp;
using namespace korvel;
using namespace korvel::example;

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
    const TCustomersForm Parts = CreateCustomersForm(DbFile);
    TObjectPtr<TForm> Form(Parts.Form);
    TSQLiteDataSet* Customers = Parts.Customers;
    TCustomersGrid* Grid = Parts.Grid;
    TColumnKv* Credit = Parts.Credit;
    TSQLiteDataSet* Orders = Parts.Orders;
    TCustomersGrid* OrderGrid = Parts.OrderGrid;

    Form->Show();
    // The customer of the first order, from the drop-down of its cell: the
    // list opens, goes two customers down, and Enter takes the customer.
    OrderGrid->SetFocus();
    OrderGrid->SetSelectedIndex(Parts.CustomerColumn->GetIndex());
    OrderGrid->ShowEditor();
    Input.KeyPress(VK_DOWN, {ssAlt});
    Input.KeyPress(VK_DOWN);
    Input.KeyPress(VK_DOWN);
    Input.KeyPress(VK_RETURN);
    Input.KeyPress(VK_RETURN);
    Orders->Post();
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
              << "Customer of the first order: " << Parts.CustomerChoice->GetText() << "\n"
              << "Picture of the form: " << PngFile << "\n\n"
              << "The form as stored:\n"
              << ComponentToText(Form.get());
    if (Window) {
      TX11Backend Desktop;
      Application()->SetMainForm(Form.get());
      Application()->InstallMessageFilter();
      Grid->SetEditActions({geaCopyKv, geaPasteKv, geaSelectAllKv});
      // Titles that sort when clicked: the dataset orders its rows through
      // the features object the application registers for it.
      RegisterDatasetFeaturesKv(TSQLiteDataSet::StaticClass(), TSQLiteDataSetFeaturesKv::Create());
      Grid->SetOptionsKv(Grid->GetOptionsKv() + dgAutoSortMarkingKv);
      for (Integer I = 0; I < Grid->GetColumns()->GetCount(); ++I)
        Grid->GetColumns()->GetColumn(I)->GetTitle()->SetTitleButton(true);
      Desktop.Run([] { return Application()->GetTerminated(); }, [] { Application()->Idle(); });
      Application()->SetMainForm(nullptr);
      UnregisterDatasetFeaturesKv(TSQLiteDataSet::StaticClass());
      for (const String& E : Desktop.GetErrors()) std::cerr << E << "\n";
      if (!Desktop.GetErrors().empty()) return 1;
    }
    return 0;
  } catch (const Exception& E) {
    std::cerr << "Korvel example failed: " << E.ClassName() << ": " << E.GetMessage() << "\n";
    return 1;
  }
}
