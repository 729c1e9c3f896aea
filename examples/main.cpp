// The example application: the customers of the sample database in the
// data-aware grid on a form, with titles on two levels, a sort marker and
// footer rows of totals, moved about as a user would (the wheel, a click on
// the scroll bar, the arrow keys); below them the orders, whose customer a
// lookup column drops down a list of and a lookup grid beside them shows;
// it saves a picture of the form and prints the form back in the text form
// format.
//
// Usage: korvel_example [output folder]   (default: the current folder)
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "examples/CustomersForm.h"
#include "grid/DBLookupGridsKv.h"
#include "platform/classes/Filer.h"
#include "platform/db/SampleDatabase.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/InputDriver.h"
#include "platform/win/Win.h"

using namespace kvp;
using namespace korvel;
using namespace korvel::example;

int main(int argc, char** argv) {
  try {
    std::filesystem::path Out = argc > 1 ? argv[1] : ".";
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
    return 0;
  } catch (const Exception& E) {
    std::cerr << "Korvel example failed: " << E.ClassName() << ": " << E.GetMessage() << "\n";
    return 1;
  }
}
