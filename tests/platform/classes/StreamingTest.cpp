// Form streaming: the text form format written and read back, reading into an
// existing component, errors that name the line and lose nothing.
//
// Ideas for tests:
// - a sub-component (csSubComponent) streamed in place beside a reference;
// - a stored form whose Loaded raises in the middle of the loaded list.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/classes/Collection.h"
#include "platform/classes/Filer.h"
#include "platform/classes/FormReader.h"
#include "platform/classes/Resources.h"
#include "platform/classes/Streams.h"

using namespace kvp;

namespace {

std::vector<std::string> Log;

enum TStreamAlign { saLeft, saRight, saCenter };
KV_ENUM_INFO(TStreamAlign, saLeft, saRight, saCenter)
enum TStreamOption { xoFixedVertLine, xoRangeSelect, xoEditing };
KV_ENUM_INFO(TStreamOption, xoFixedVertLine, xoRangeSelect, xoEditing)
using TStreamOptions = TSet<TStreamOption>;

class TStreamFont : public TPersistent {
  KV_CLASS(TStreamFont, TPersistent)
 public:
  String Name;
  Integer Size = 8;
  KV_PUBLISHED {
    P.Prop("Name", &TStreamFont::Name);
    P.Prop("Size", &TStreamFont::Size).Default(8);
  }
};

class TStreamSource : public TComponent {
  KV_CLASS(TStreamSource, TComponent)
 public:
  using inherited::inherited;
  Integer Value = 0;
  KV_PUBLISHED { P.Prop("Value", &TStreamSource::Value).Default(0); }
};

class TStreamColumn : public TCollectionItem {
  KV_CLASS(TStreamColumn, TCollectionItem)
 public:
  using inherited::inherited;
  Integer Width = 64;
  String Title;
  TStreamAlign Align = saLeft;
  TStreamSource* Source = nullptr;
  KV_PUBLISHED {
    P.Prop("Source", &TStreamColumn::Source);
    P.Prop("Width", &TStreamColumn::Width).Default(64);
    P.Prop("Title", &TStreamColumn::Title);
    P.Prop("Align", &TStreamColumn::Align).Default(saLeft);
  }
};

// A component with a parent: it streams inside its parent's object block.
class TStreamPanel : public TComponent {
  KV_CLASS(TStreamPanel, TComponent)
 public:
  using inherited::inherited;
  TComponent* ParentComp = nullptr;

  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override { return ParentComp; }
  void SetParentComponent(TComponent* Value) override { ParentComp = Value; }
  void Loaded() override {
    inherited::Loaded();
    Log.push_back("Loaded " + GetName());
  }

 protected:
  void Construct() override {
    inherited::Construct();
    Log.push_back(std::string("create ") + ClassName() +
                  (GetComponentState().Contains(csLoading) ? " loading" : ""));
  }
  void GetChildren(TGetChildProc Proc, TComponent* Root) override {
    for (Integer I = 0; I < Root->GetComponentCount(); ++I) {
      TComponent* C = Root->GetComponents(I);
      if (C->GetParentComponent() == this || (Root == this && !C->HasParent())) Proc(C);
    }
  }
};

class TStreamGrid : public TStreamPanel {
  KV_CLASS(TStreamGrid, TStreamPanel)
 public:
  using inherited::inherited;
  String Caption;
  TStreamOptions Options{xoFixedVertLine};
  TStreamAlign Align = saLeft;
  double Ratio = 0;
  Extended Precise = 0;
  float Small = 0;
  Int64 Big = 0;
  Char Letter = U'A';
  Currency Price;
  Variant Value;
  TNotifyEvent OnClick;
  TNotifyEvent OnChange;
  std::vector<Integer> ColWidths = std::vector<Integer>(5, 64);
  String Data;

  Integer GetColCount() const { return Integer(ColWidths.size()); }
  void SetColCount(Integer Value) { ColWidths.resize(std::size_t(Value), 64); }
  TStreamFont* GetFont() const { return FFont.get(); }
  void SetFont(TStreamFont* Value) { FFont->Name = Value->Name; }
  TCollection* GetColumns() const { return FColumns.get(); }
  void SetColumns(TCollection* Value) { FColumns->Assign(Value); }
  TStreamSource* GetSource() const { return FSource; }
  void SetSource(TStreamSource* Value) {
    FSource = Value;
    if (Value) Value->FreeNotification(this);
  }
  TStreamPanel* Buddy = nullptr;
  TStreamColumn* Column(Integer I) { return static_cast<TStreamColumn*>(FColumns->GetItems(I)); }
  bool IsValueStored() const { return !VarIsNull(Value); }

  KV_PUBLISHED {
    P.Prop("ColCount", &TStreamGrid::GetColCount, &TStreamGrid::SetColCount).Default(5);
    P.Prop("Caption", &TStreamGrid::Caption);
    P.Prop("Options", &TStreamGrid::Options).Default(TStreamOptions{xoFixedVertLine});
    P.Prop("Align", &TStreamGrid::Align).Default(saLeft);
    P.Prop("Ratio", &TStreamGrid::Ratio);
    P.Prop("Precise", &TStreamGrid::Precise);
    P.Prop("Small", &TStreamGrid::Small);
    P.Prop("Big", &TStreamGrid::Big);
    P.Prop("Letter", &TStreamGrid::Letter).Default(U'A');
    P.Prop("Price", &TStreamGrid::Price);
    P.Prop("Value", &TStreamGrid::Value).Stored(&TStreamGrid::IsValueStored);
    P.Prop("Font", &TStreamGrid::GetFont, &TStreamGrid::SetFont);
    P.Prop("Columns", &TStreamGrid::GetColumns, &TStreamGrid::SetColumns);
    P.Prop("Source", &TStreamGrid::GetSource, &TStreamGrid::SetSource);
    P.Prop("Buddy", &TStreamGrid::Buddy);
    P.Prop("OnClick", &TStreamGrid::OnClick);
    P.Prop("OnChange", &TStreamGrid::OnChange);
  }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FSource) FSource = nullptr;
    if (Operation == opRemove && AComponent == Buddy) Buddy = nullptr;
  }
  void DefineProperties(TFiler* Filer) override {
    inherited::DefineProperties(Filer);
    // Written when they differ from the ancestor's, or from the defaults.
    bool CustomWidths = false, HasData = !Data.empty();
    for (Integer W : ColWidths) CustomWidths = CustomWidths || W != 64;
    if (auto* Ancestor = DynCast<TStreamGrid>(Filer->GetAncestor())) {
      CustomWidths = ColWidths != Ancestor->ColWidths;
      HasData = Data != Ancestor->Data;
    }
    Filer->DefineProperty("ColWidths", TReaderProc(this, &TStreamGrid::ReadColWidths),
                          TWriterProc(this, &TStreamGrid::WriteColWidths), CustomWidths);
    Filer->DefineBinaryProperty("Data", TStreamProc(this, &TStreamGrid::ReadData),
                                TStreamProc(this, &TStreamGrid::WriteData), HasData);
  }

 private:
  void ReadColWidths(TReader* Reader) {
    Reader->ReadListBegin();
    for (Integer& W : ColWidths) W = Reader->ReadInteger();
    Reader->ReadListEnd();
  }
  void WriteColWidths(TWriter* Writer) {
    Writer->WriteListBegin();
    for (Integer W : ColWidths) Writer->WriteInteger(W);
    Writer->WriteListEnd();
  }
  void ReadData(TStream* Stream) {
    Data.resize(std::size_t(Stream->GetSize()));
    Stream->ReadBuffer(Data.data(), Integer(Data.size()));
  }
  void WriteData(TStream* Stream) { Stream->WriteBuffer(Data.data(), Integer(Data.size())); }

  TObjectPtr<TStreamFont> FFont{TStreamFont::Create()};
  TObjectPtr<TOwnedCollection> FColumns{
      TOwnedCollection::Create(this, TStreamColumn::StaticClass())};
  TStreamSource* FSource = nullptr;
};

class TStreamForm : public TStreamPanel {
  KV_CLASS(TStreamForm, TStreamPanel)
 public:
  using inherited::inherited;
  Integer Left = 0;
  String Caption;
  TStreamGrid* Grid1 = nullptr;
  TStreamGrid* Grid2 = nullptr;
  TStreamPanel* Panel1 = nullptr;
  TStreamSource* Source1 = nullptr;
  int Clicks = 0;

  bool HasParent() const override { return false; }
  void Grid1Click(TObject*) { ++Clicks; }
  void GridChange(TObject*) {}
  void GridKey(TObject*, Char&) {}  // not a notify event

  KV_PUBLISHED {
    P.Prop("Left", &TStreamForm::Left);
    P.Prop("Caption", &TStreamForm::Caption);
    P.Field("Grid1", &TStreamForm::Grid1);
    P.Field("Grid2", &TStreamForm::Grid2);
    P.Field("Panel1", &TStreamForm::Panel1);
    P.Field("Source1", &TStreamForm::Source1);
    P.Method("Grid1Click", &TStreamForm::Grid1Click);
    P.Method("GridChange", &TStreamForm::GridChange);
    P.Method("GridKey", &TStreamForm::GridKey);
  }
};

template <class T>
T* Make(TComponent* Owner, const char* Name, TComponent* Parent) {
  T* C = T::Create(Owner);
  C->SetName(Name);
  if constexpr (std::is_base_of_v<TStreamPanel, T>) C->ParentComp = Parent;
  return C;
}

// Grid1 with every kind of value, Source1, and Grid2 inside Panel1.
TStreamForm* MakeSampleForm() {
  TStreamForm* Form = TStreamForm::Create(nullptr);
  Form->SetName("Form1");
  Form->Left = 10;
  Form->Caption = "It's\r\ntwo lines";
  TStreamGrid* Grid = Make<TStreamGrid>(Form, "Grid1", Form);
  Grid->SetColCount(2);
  Grid->ColWidths[1] = 30;
  Grid->Options = {xoFixedVertLine, xoRangeSelect};
  Grid->GetFont()->Name = "Mono";
  static_cast<TStreamColumn*>(Grid->GetColumns()->Add())->Title = "A";
  static_cast<TStreamColumn*>(Grid->GetColumns()->Add())->Width = 30;
  Grid->Data = "\x0A\x0B\x0C";
  Grid->OnClick = TNotifyEvent(Form, &TStreamForm::Grid1Click);
  TStreamSource* Source = Make<TStreamSource>(Form, "Source1", Form);
  Source->Value = 3;
  Grid->SetSource(Source);
  TStreamPanel* Panel = Make<TStreamPanel>(Form, "Panel1", Form);
  TStreamGrid* Grid2 = Make<TStreamGrid>(Form, "Grid2", Panel);
  Grid2->Caption = "x";
  Grid2->Ratio = 0.1;
  Grid2->Buddy = Form;
  return Form;
}

const char* const SampleText =
    "object Form1: TStreamForm\n"
    "  Left = 10\n"
    "  Caption = 'It''s'#13#10'two lines'\n"
    "  object Grid1: TStreamGrid\n"
    "    ColCount = 2\n"
    "    Options = [xoFixedVertLine, xoRangeSelect]\n"
    "    Font.Name = 'Mono'\n"
    "    Columns = <\n"
    "      item\n"
    "        Title = 'A'\n"
    "      end\n"
    "      item\n"
    "        Width = 30\n"
    "      end>\n"
    "    Source = Source1\n"
    "    OnClick = Grid1Click\n"
    "    ColWidths = (\n"
    "      64\n"
    "      30)\n"
    "    Data = {0A0B0C}\n"
    "  end\n"
    "  object Source1: TStreamSource\n"
    "    Value = 3\n"
    "  end\n"
    "  object Panel1: TStreamPanel\n"
    "    object Grid2: TStreamGrid\n"
    "      Caption = 'x'\n"
    "      Ratio = 0.1\n"
    "      Buddy = Owner\n"
    "    end\n"
    "  end\n"
    "end\n";

// Registers the root class for the test's duration; children are found
// through the form's published fields.
struct TRegisteredForm {
  TRegisteredForm() { RegisterClass(TStreamForm::StaticClass()); }
  ~TRegisteredForm() { UnRegisterClass(TStreamForm::StaticClass()); }
};

// Reads Text into Form and answers the error message, or "" when none.
std::string ReadError(const String& Text, TComponent* Form) {
  try {
    ReadComponentText(Text, Form);
  } catch (const Exception& E) {
    return E.GetMessage();
  }
  return "";
}

// A collection item holding a collection of its own kind: trees of any depth.
class TTreeNode : public TCollectionItem {
  KV_CLASS(TTreeNode, TCollectionItem)
 public:
  using inherited::inherited;
  Integer Mark = 0;
  TCollection* GetItems() const { return FItems.get(); }
  void SetItems(TCollection* Value) { FItems->Assign(Value); }
  KV_PUBLISHED {
    P.Prop("Mark", &TTreeNode::Mark).Default(0);
    P.Prop("Items", &TTreeNode::GetItems, &TTreeNode::SetItems);
  }

 private:
  TObjectPtr<TOwnedCollection> FItems{TOwnedCollection::Create(this, TTreeNode::StaticClass())};
};

// A sub-object whose Next is itself: a writer that follows it never ends.
class TStreamLoop : public TPersistent {
  KV_CLASS(TStreamLoop, TPersistent)
 public:
  Integer Size = 1;
  TStreamLoop* GetNext() const { return const_cast<TStreamLoop*>(this); }
  KV_PUBLISHED {
    P.Prop("Size", &TStreamLoop::Size).Default(1);
    P.Prop("Next", &TStreamLoop::GetNext);
  }
};

class TStreamTree : public TComponent {
  KV_CLASS(TStreamTree, TComponent)
 public:
  using inherited::inherited;
  String Caption;
  TCollection* GetNodes() const { return FNodes.get(); }
  void SetNodes(TCollection* Value) { FNodes->Assign(Value); }
  TStreamLoop* GetLoop() const { return FLoop.get(); }
  bool WithLoop = false;
  bool IsLoopStored() const { return WithLoop; }
  KV_PUBLISHED {
    P.Prop("Caption", &TStreamTree::Caption);
    P.Prop("Nodes", &TStreamTree::GetNodes, &TStreamTree::SetNodes);
    P.Prop("Loop", &TStreamTree::GetLoop).Stored(&TStreamTree::IsLoopStored);
  }

 private:
  TObjectPtr<TOwnedCollection> FNodes{TOwnedCollection::Create(this, TTreeNode::StaticClass())};
  TObjectPtr<TStreamLoop> FLoop{TStreamLoop::Create()};
};

// Form1 with Left = 7 and Source1, then panels P1 .. PCount, each inside the
// one before: Pk opens on line 5 + k at nesting level k + 1.
String NestedPanelsText(Integer Count) {
  String Text =
      "object Form1: TStreamForm\n  Left = 7\n  object Source1: TStreamSource\n    Value = 4\n"
      "  end\n";
  for (Integer I = 1; I <= Count; ++I) Text += "object P" + std::to_string(I) + ": TStreamPanel\n";
  for (Integer I = 0; I <= Count; ++I) Text += "end\n";
  return Text;
}

// Tree1 with Count collections nested in one another, Nodes the outermost:
// collection j opens on line 1 + 2j at nesting level j + 1.
String NestedNodesText(Integer Count) {
  String Text = "object Tree1: TStreamTree\n  Caption = 'kept'\n  Nodes = <\n";
  for (Integer I = 1; I < Count; ++I) Text += "item\nItems = <\n";
  Text += "item\nMark = 1\nend>\n";
  for (Integer I = 1; I < Count; ++I) Text += "end>\n";
  return Text + "end\n";
}

}  // namespace

TEST(FormReading, FormsNestedPastTheLimitAreRefusedOnTheLineThatGoesTooDeep) {
  // 15,000 levels (about 400 KB) once ran the reader out of stack.
  String Deep = NestedPanelsText(15000);
  Log.clear();
  TObjectPtr<TStreamForm> Form(TStreamForm::Create(nullptr));
  Form->Caption = "before";
  EXPECT_EQ(ReadError(Deep, Form.get()), "Nested more than 256 levels deep on line 261");
  EXPECT_EQ(Form->Left, 7);
  EXPECT_EQ(Form->Caption, "before");
  ASSERT_NE(Form->Source1, nullptr);
  EXPECT_EQ(Form->Source1->Value, 4);
  EXPECT_EQ(Form->GetComponentCount(), 1);  // the chain that was being built is gone
  EXPECT_FALSE(Form->GetComponentState().Contains(csLoading));
  EXPECT_EQ(Log.back(), "Loaded Form1");
  {
    TRegisteredForm Registered;
    EXPECT_THROW(ReadComponentFromText(Deep, nullptr), EParserError);
    EXPECT_THROW(ReadComponentFromText(NestedPanelsText(256), nullptr), EParserError);
  }
  // The deepest form allowed reads whole.
  TObjectPtr<TStreamForm> Full(TStreamForm::Create(nullptr));
  ReadComponentText(NestedPanelsText(255), Full.get());
  EXPECT_EQ(Full->GetComponentCount(), 256);
  auto* Deepest = DynCast<TStreamPanel>(Full->FindComponent("P255"));
  ASSERT_NE(Deepest, nullptr);
  Integer Levels = 1;
  for (TComponent* C = Deepest; C != Full.get(); C = static_cast<TStreamPanel*>(C)->ParentComp)
    ++Levels;
  EXPECT_EQ(Levels, 256);
}

TEST(FormReading, CollectionsAndSkippedValuesNestedPastTheLimitAreRefused) {
  // [1] Collections inside collection items.
  TObjectPtr<TStreamTree> Tree(TStreamTree::Create(nullptr));
  String Path = "Tree1.Nodes[0]";
  for (int I = 0; I < 254; ++I) Path += ".Items[0]";
  EXPECT_EQ(ReadError(NestedNodesText(5000), Tree.get()),
            "Error reading " + Path + ".Items: Nested more than 256 levels deep on line 513");
  EXPECT_EQ(Tree->Caption, "kept");
  // What was read is at most as deep as the writer allows: it writes and reads back.
  String Written = ComponentToText(Tree.get());
  TObjectPtr<TStreamTree> Back(TStreamTree::Create(nullptr));
  ReadComponentText(Written, Back.get());
  EXPECT_EQ(ComponentToText(Back.get()), Written);
  TObjectPtr<TStreamTree> Full(TStreamTree::Create(nullptr));
  ReadComponentText(NestedNodesText(255), Full.get());
  auto* Node = static_cast<TTreeNode*>(Full->GetNodes()->GetItems(0));
  for (int I = 1; I < 255; ++I) Node = static_cast<TTreeNode*>(Node->GetItems()->GetItems(0));
  EXPECT_EQ(Node->Mark, 1);

  // [2] Values of unknown properties that OnError skips: lists and
  // collections nested in any mix.
  struct {
    Integer Depth;
    const char* Open;
    const char* Close;
    bool Refused;  // the root and Depth times Open go past 256 levels
  } Cases[] = {{255, "(", ")", false},
               {256, "(", ")", true},
               {20000, "(", ")", true},
               {255, "<item X = ", " end>", false},
               {128, "<item X = (", ") end>", true}};
  for (const auto& C : Cases) {
    SCOPED_TRACE(std::to_string(C.Depth) + C.Open);
    String Value;
    for (Integer I = 0; I < C.Depth; ++I) Value += C.Open;
    Value += "1";
    for (Integer I = 0; I < C.Depth; ++I) Value += C.Close;
    TObjectPtr<TStreamTree> Skipping(TStreamTree::Create(nullptr));
    TObjectPtr<TStringStream> Stream(TStringStream::Create(
        "object Tree1: TStreamTree\n  Colour = " + Value + "\n  Caption = 'after'\nend\n"));
    TObjectPtr<TReader> Reader(TReader::Create(Stream.get()));
    Reader->OnError = [](TReader*, const String&, bool& Handled) { Handled = true; };
    if (!C.Refused) {
      Reader->ReadRootComponent(Skipping.get());
      EXPECT_EQ(Skipping->Caption, "after");
    } else {
      try {
        Reader->ReadRootComponent(Skipping.get());
        ADD_FAILURE() << "read without an error";
      } catch (const EParserError& E) {
        EXPECT_EQ(E.GetMessage(),
                  "Error reading Tree1.Colour: Nested more than 256 levels deep on line 2");
      }
      EXPECT_EQ(Skipping->Caption, "");
    }
  }
}

TEST(FormText, TreesTooDeepToReadBackAreRefusedByTheWriterWithNothingWritten) {
  // [1] Components: the deepest tree the reader takes is written; one more
  // level is refused.
  TObjectPtr<TStreamForm> Form(TStreamForm::Create(nullptr));
  Form->SetName("Form1");
  TComponent* Parent = Form.get();
  for (Integer I = 1; I <= 255; ++I)
    Parent = Make<TStreamPanel>(Form.get(), ("P" + std::to_string(I)).c_str(), Parent);
  String Text = ComponentToText(Form.get());
  TObjectPtr<TStreamForm> Back(TStreamForm::Create(nullptr));
  ReadComponentText(Text, Back.get());
  EXPECT_EQ(ComponentToText(Back.get()), Text);
  Make<TStreamPanel>(Form.get(), "P256", Parent);
  TObjectPtr<TStringStream> Stream(TStringStream::Create());
  try {
    WriteComponentToStream(Form.get(), Stream.get());
    ADD_FAILURE() << "written without an error";
  } catch (const EWriteError& E) {
    EXPECT_EQ(E.GetMessage(), "Cannot write P256: nested more than 256 levels deep");
  }
  EXPECT_EQ(Stream->GetDataString(), "");
  for (Integer I = 0; I < Form->GetComponentCount(); ++I)
    EXPECT_FALSE(Form->GetComponents(I)->GetComponentState().Contains(csWriting));

  // [2] A sub-object that leads back to itself.
  TObjectPtr<TStreamTree> Tree(TStreamTree::Create(nullptr));
  Tree->SetName("Tree1");
  Tree->WithLoop = true;
  try {
    WriteComponentToStream(Tree.get(), Stream.get());
    ADD_FAILURE() << "written without an error";
  } catch (const EWriteError& E) {
    String Path = "Loop";  // level 2, each Next one more
    for (int I = 0; I < 255; ++I) Path += ".Next";
    EXPECT_EQ(E.GetMessage(), "Cannot write property " + Path + ": nested more than 256 levels deep");
  }
  EXPECT_EQ(Stream->GetDataString(), "");
}

TEST(FormText, ComponentTreeIsWrittenInTheTextFormFormat) {
  TObjectPtr<TStreamForm> Form(MakeSampleForm());
  EXPECT_EQ(ComponentToText(Form.get()), SampleText);
}

TEST(FormText, TreeReadBackIsEqualToTheOneWritten) {
  TRegisteredForm Registered;
  Log.clear();
  TObjectPtr<TComponent> Owner(TComponent::Create(nullptr));
  TComponent* Read = ReadComponentFromText(SampleText, Owner.get());
  auto* Form = DynCast<TStreamForm>(Read);
  ASSERT_NE(Form, nullptr);
  EXPECT_EQ(Form->GetOwner(), Owner.get());
  EXPECT_EQ(ComponentToText(Form), SampleText);

  // Children are bound to the form's fields and parented as stored.
  ASSERT_NE(Form->Grid1, nullptr);
  ASSERT_NE(Form->Grid2, nullptr);
  EXPECT_EQ(Form->Grid1->ParentComp, Form);
  EXPECT_EQ(Form->Grid2->ParentComp, Form->Panel1);
  EXPECT_EQ(Form->Grid2->GetOwner(), Form);
  // References were fixed up after loading, a forward one included.
  EXPECT_EQ(Form->Grid1->GetSource(), Form->Source1);
  EXPECT_EQ(Form->Grid2->Buddy, Form);
  // The event is bound to the new form's method.
  Form->Grid1->OnClick(nullptr);
  EXPECT_EQ(Form->Clicks, 1);
  EXPECT_EQ(Form->Grid1->Column(1)->Width, 30);
  EXPECT_EQ(Form->Grid1->Data, "\x0A\x0B\x0C");
  EXPECT_EQ(Form->Grid1->ColWidths, (std::vector<Integer>{64, 30}));

  // Each component was loading from its creation to its Loaded, and Loaded
  // came after everything was read, in creation order.
  EXPECT_EQ(Log, (std::vector<std::string>{
                     "create TStreamForm loading", "create TStreamGrid loading",
                     "create TStreamPanel loading", "create TStreamGrid loading", "Loaded Form1",
                     "Loaded Grid1", "Loaded Panel1", "Loaded Grid2"}));
  for (Integer I = 0; I < Form->GetComponentCount(); ++I)
    EXPECT_TRUE(
        (Form->GetComponents(I)->GetComponentState() * TComponentState{csLoading, csReading})
            .Empty());
}

TEST(FormText, ValuesRoundTripExactly) {
  TRegisteredForm Registered;
  const double Doubles[] = {0.1,  -2.5,    1e-300, 5e-324,   1.7976931348623157e308, 123456789.0,
                            -0.0, 1.0 / 3, 1e22,   INFINITY, -INFINITY};
  const String Strings[] = {
      "",    "'",  "a''b", "tab\there", "caf\xC3\xA9 \xF0\x9F\x98\x80", String("nul\0in", 6),
      "end", "#13"};
  TObjectPtr<TStreamForm> Form(TStreamForm::Create(nullptr));
  Form->SetName("F");
  TStreamGrid* Grid = Make<TStreamGrid>(Form.get(), "Grid1", Form.get());
  String AllBytes;
  for (int B = 1; B < 256; ++B) AllBytes += char(B);
  for (std::size_t I = 0; I < std::size(Doubles); ++I) {
    SCOPED_TRACE(I);
    Grid->Ratio = Doubles[I];
    Grid->Precise = Extended(Doubles[I]) / 3;
    Grid->Small = float(Doubles[I]);
    Grid->Big = INT64_MIN + Int64(I);
    Grid->Letter = I % 2 ? U'\u00E9' : U'\U0001F600';
    Grid->Caption = I < std::size(Strings) ? Strings[I] : AllBytes;
    Grid->Options = TStreamOptions::FromBits(I % 8);
    Grid->Data = I % 2 ? AllBytes : String(I * 8, '\x7F');  // short, long and wrapped
    String Text = ComponentToText(Form.get());
    TObjectPtr<TComponent> Copy(ReadComponentFromText(Text, nullptr));
    auto* Read = static_cast<TStreamForm*>(Copy.get())->Grid1;
    ASSERT_NE(Read, nullptr);
    EXPECT_EQ(std::signbit(Read->Ratio), std::signbit(Grid->Ratio));
    EXPECT_EQ(Read->Ratio, Grid->Ratio) << Text;
    EXPECT_EQ(Read->Precise, Grid->Precise) << Text;
    EXPECT_EQ(Read->Small, Grid->Small) << Text;
    EXPECT_EQ(Read->Big, Grid->Big);
    EXPECT_EQ(Read->Letter, Grid->Letter);
    EXPECT_EQ(Read->Caption, Grid->Caption) << Text;
    EXPECT_EQ(Read->Options, Grid->Options);
    EXPECT_EQ(Read->Data, Grid->Data);
    EXPECT_EQ(ComponentToText(Copy.get()), Text);
  }
}

TEST(FormText, FloatsAndBinaryDataHaveTheirShortestAndWrappedText) {
  TObjectPtr<TStreamForm> Form(TStreamForm::Create(nullptr));
  Form->SetName("F");
  TStreamGrid* Grid = Make<TStreamGrid>(Form.get(), "G", Form.get());
  Grid->Small = 0.1f;  // the shortest text of the Single, not of the Double it widens to
  Grid->Ratio = 3;
  Grid->Data = String(40, '\xAB');
  String Text = ComponentToText(Form.get());
  EXPECT_NE(Text.find("\n    Small = 0.1\n"), String::npos) << Text;
  EXPECT_NE(Text.find("\n    Ratio = 3.0\n"), String::npos) << Text;
  String FullLine;  // 32 bytes a line
  for (int I = 0; I < 32; ++I) FullLine += "AB";
  EXPECT_NE(Text.find("\n    Data = {\n      " + FullLine + "\n      ABABABABABABABAB}\n"),
            String::npos)
      << Text;
  // A whole number is a float value too, and -INF is one.
  ReadComponentText(
      "inherited F: TStreamForm\n  inherited G: TStreamGrid\n    Ratio = 3\n    Precise = -INF\n"
      "    Small = -2\n  end\nend\n",
      Form.get());
  EXPECT_EQ(Form->FindComponent("G"), Grid);
  EXPECT_EQ(Grid->Ratio, 3.0);
  EXPECT_TRUE(std::isinf(Grid->Precise) && Grid->Precise < 0);
  EXPECT_EQ(Grid->Small, -2.0f);
}

TEST(FormText, HexIntegersReadUpToTheSmallestInt64) {
  auto ReadBig = [](const char* Value) {
    TObjectPtr<TStreamForm> Form(TStreamForm::Create(nullptr));
    ReadComponentText(String("object Form1: TStreamForm\n  object Grid1: TStreamGrid\n    Big = ") +
                          Value + "\n  end\nend\n",
                      Form.get());
    return Form->Grid1->Big;
  };
  EXPECT_EQ(ReadBig("$7FFFFFFFFFFFFFFF"), INT64_MAX);
  EXPECT_EQ(ReadBig("-$8000000000000000"), INT64_MIN);  // negating it overflowed before
  EXPECT_EQ(ReadBig("-$10"), -16);
  EXPECT_EQ(ReadError("object Form1: TStreamForm\n  object Grid1: TStreamGrid\n    Big = "
                      "$10000000000000000\n  end\nend\n",
                      TObjectPtr<TStreamForm>(TStreamForm::Create(nullptr)).get()),
            "Error reading Grid1.Big: Invalid number on line 3");
}

TEST(FormText, VariantsAndCurrencyKeepTheirTypesAndValues) {
  TRegisteredForm Registered;
  const Variant Values[] = {Variant(5),
                            Variant(Int64(1) << 40),
                            Variant("text"),
                            Variant(true),
                            Variant(1.5),
                            Variant(Single(2.5)),
                            Variant(Currency::FromRaw(12345)),
                            VarFromDateTime(45000.25),
                            Null()};
  TObjectPtr<TStreamForm> Form(TStreamForm::Create(nullptr));
  Form->SetName("F");
  TStreamGrid* Grid = Make<TStreamGrid>(Form.get(), "Grid1", Form.get());
  Grid->Price = Currency::FromRaw(-9223372036854775807LL);
  for (const Variant& V : Values) {
    SCOPED_TRACE(VarToStr(V));
    Grid->Value = V;
    String Text = ComponentToText(Form.get());
    TObjectPtr<TComponent> Copy(ReadComponentFromText(Text, nullptr));
    TStreamGrid* Read = static_cast<TStreamForm*>(Copy.get())->Grid1;
    EXPECT_EQ(Read->Price, Grid->Price) << Text;
    if (VarIsNull(V)) {
      EXPECT_TRUE(VarIsEmpty(Read->Value)) << Text;  // not stored
      continue;
    }
    EXPECT_EQ(VarType(Read->Value), VarType(V)) << Text;
    EXPECT_TRUE(Read->Value == V) << Text;
  }
  Grid->Value = Null();
  Grid->Price = Currency::FromRaw(15000);
  EXPECT_NE(ComponentToText(Form.get()).find("    Price = 1.5\n"), String::npos);
}

TEST(FormText, DefaultsStoredRulesAndAncestorsDecideWhatIsWritten) {
  TObjectPtr<TStreamForm> Fresh(TStreamForm::Create(nullptr));
  Fresh->SetName("Form1");
  Make<TStreamGrid>(Fresh.get(), "Grid1", Fresh.get());
  EXPECT_EQ(ComponentToText(Fresh.get()),
            "object Form1: TStreamForm\n"
            "  Left = 0\n"  // declared without a default: always written
            "  object Grid1: TStreamGrid\n"
            "  end\n"
            "end\n");

  // A descendant writes what differs from its ancestor; reading the ancestor
  // and then the descendant into one form gives the descendant.
  TObjectPtr<TStreamForm> Ancestor(MakeSampleForm());
  TObjectPtr<TStreamForm> Descendant(MakeSampleForm());
  Descendant->Grid1->Caption = "changed";
  Descendant->Grid1->ColWidths[0] = 5;
  Make<TStreamSource>(Descendant.get(), "Extra", Descendant.get());
  TObjectPtr<TStringStream> Stream(TStringStream::Create());
  TObjectPtr<TWriter> Writer(TWriter::Create(Stream.get()));
  Writer->WriteDescendent(Descendant.get(), Ancestor.get());
  EXPECT_EQ(Stream->GetDataString(),
            "inherited Form1: TStreamForm\n"
            "  inherited Grid1: TStreamGrid\n"
            "    Caption = 'changed'\n"
            "    ColWidths = (\n"
            "      5\n"
            "      30)\n"
            "  end\n"
            "  inherited Source1: TStreamSource\n"
            "  end\n"
            "  inherited Panel1: TStreamPanel\n"
            "    inherited Grid2: TStreamGrid\n"
            "    end\n"
            "  end\n"
            "  object Extra: TStreamSource\n"
            "  end\n"
            "end\n");
  TObjectPtr<TStreamForm> Form(TStreamForm::Create(nullptr));
  ReadComponentText(SampleText, Form.get());
  ReadComponentText(Stream->GetDataString(), Form.get());
  EXPECT_EQ(Form->Grid1->Caption, "changed");
  EXPECT_EQ(Form->Grid1->ColWidths, (std::vector<Integer>{5, 30}));
  EXPECT_EQ(Form->GetComponentCount(), 5);
}

TEST(FormReading, MalformedListNamesTheLineAndKeepsWhatWasRead) {
  Log.clear();
  TObjectPtr<TStreamForm> Form(TStreamForm::Create(nullptr));
  std::string Error = ReadError(
      "object Form1: TStreamForm\n"
      "  Left = 7\n"
      "  Caption = 'kept'\n"
      "  object Grid1: TStreamGrid\n"
      "    ColCount = 2\n"
      "    ColWidths = (\n"
      "      10\n"
      "      20\n"
      "      30)\n"
      "  end\n"
      "end\n",
      Form.get());
  EXPECT_EQ(Error, "Error reading Grid1.ColWidths: Invalid property value on line 9");
  EXPECT_EQ(Form->Left, 7);
  EXPECT_EQ(Form->Caption, "kept");
  EXPECT_EQ(Form->Grid1, nullptr);  // the partly built grid is gone, and so is the field
  EXPECT_EQ(Form->GetComponentCount(), 0);
  EXPECT_FALSE(Form->GetComponentState().Contains(csLoading));
  EXPECT_FALSE(Form->GetComponentState().Contains(csReading));
  EXPECT_EQ(Log.back(), "Loaded Form1");
}

TEST(FormReading, FailedReadIntoALoadedFormKeepsItsComponentsAndReferences) {
  TObjectPtr<TStreamForm> Form(TStreamForm::Create(nullptr));
  ReadComponentText(SampleText, Form.get());
  TStreamGrid* Grid1 = Form->Grid1;
  std::string Error = ReadError(
      "inherited Form1: TStreamForm\n"
      "  inherited Grid1: TStreamGrid\n"
      "    Caption = 'changed'\n"
      "    ColCount = 'three'\n"
      "  end\n"
      "end\n",
      Form.get());
  EXPECT_EQ(Error, "Error reading Grid1.ColCount: Invalid property value on line 4");
  // The grid that was there before the read is still there, with what was read.
  EXPECT_EQ(Form->Grid1, Grid1);
  EXPECT_EQ(Form->GetComponentCount(), 4);
  EXPECT_EQ(Grid1->Caption, "changed");
  EXPECT_EQ(Grid1->GetSource(), Form->Source1);
  EXPECT_EQ(Grid1->GetColumns()->GetCount(), 2);
  EXPECT_EQ(Form->Grid2->Buddy, Form.get());
  EXPECT_FALSE(Grid1->GetComponentState().Contains(csLoading));
  EXPECT_EQ(Grid1->ColWidths, (std::vector<Integer>{64, 30}));  // the bad count changed nothing
}

TEST(FormReading, FailedChildIsFreedAndEarlierSiblingsAreFinished) {
  Log.clear();
  TObjectPtr<TStreamForm> Form(TStreamForm::Create(nullptr));
  std::string Error = ReadError(
      "object Form1: TStreamForm\n"
      "  object Source1: TStreamSource\n"
      "    Value = 4\n"
      "  end\n"
      "  object Grid1: TStreamGrid\n"
      "    Source = Source1\n"
      "    Buddy = Grid2\n"
      "  end\n"
      "  object Grid2: TStreamGrid\n"
      "    Caption = 'x'\n"
      "    Align = saNowhere\n"
      "  end\n"
      "end\n",
      Form.get());
  EXPECT_EQ(Error, "Error reading Grid2.Align: Invalid property value on line 11");
  ASSERT_NE(Form->Grid1, nullptr);
  EXPECT_EQ(Form->Grid2, nullptr);
  EXPECT_EQ(Form->Grid1->GetSource(), Form->Source1);
  EXPECT_EQ(Form->Grid1->Buddy, nullptr);  // its target never finished: no dangling reference
  EXPECT_EQ(Form->Source1->Value, 4);
  EXPECT_FALSE(Form->Grid1->GetComponentState().Contains(csLoading));
  EXPECT_EQ(Log, (std::vector<std::string>{"create TStreamForm", "create TStreamGrid loading",
                                           "create TStreamGrid loading", "Loaded Form1",
                                           "Loaded Grid1"}));
}

TEST(FormReading, SyntaxAndLookupErrorsNameTheLine) {
  TRegisteredForm Registered;
  struct {
    const char* Text;
    const char* Message;
    Integer Kept = 0;  // components read completely before the error
  } Cases[] = {
      {"object Form1: TStreamForm\n  Left = 'ten'\nend\n",
       "Error reading Form1.Left: Invalid property value on line 2"},
      {"object Form1: TStreamForm\n  Left 10\nend\n",
       "Error reading Form1.Left: '=' expected on line 2"},
      {"object Form1: TStreamForm\n  Caption = 'open\nend\n",
       "Error reading Form1.Caption: Unterminated string on line 2"},
      {"object Form1: TStreamForm\n  object Grid1: TStreamGrid\n    Colour = 3\n  end\nend\n",
       "Error reading Grid1.Colour: Property Colour does not exist on line 3"},
      {"object Form1: TStreamForm\n  object G: TNoSuchClass\n  end\nend\n",
       "Class TNoSuchClass not found on line 2"},
      {"object Form1: TStreamForm\n  object Grid1: TStreamGrid\n    OnClick = Nowhere\n  "
       "end\nend\n",
       "Error reading Grid1.OnClick: Method Nowhere not found on line 3"},
      {"object Form1: TStreamForm\n  object Grid1: TStreamGrid\n    Columns = <\n      item\n"
       "        Width = 1.5\n      end>\n  end\nend\n",
       "Error reading Grid1.Columns[0].Width: Invalid property value on line 5"},
      {"object Form1: TStreamForm\n  object Grid1: TStreamGrid\n    Data = {0A0}\n  end\nend\n",
       "Error reading Grid1.Data: Invalid binary value on line 3"},
      {"object Form1: TStreamForm\n  object Grid1: TStreamGrid\n    OnClick = GridKey\n  end\nend\n",
       "Error reading Grid1.OnClick: Invalid property value on line 3"},
      {"object Form1: TStreamForm\n  object Grid1: TStreamGrid\n    Caption.Size = 3\n  end\nend\n",
       "Error reading Grid1.Caption.Size: Invalid property path on line 3"},
      {"object Form1: TStreamForm\n  object Grid1: TStreamGrid\n    Columns = <\n      item\n"
       "        Width = 5>\n  end\nend\n",
       "Error reading Grid1.Columns: Identifier expected on line 5"},
      {"object Form1: TStreamForm\n  object Grid1: TStreamGrid\n    Data = {\n      0A0B\n"
       "      0C}\n    Align = saNowhere\n  end\nend\n",
       "Error reading Grid1.Align: Invalid property value on line 6"},
      {"object Form1: TStreamForm\n  object Grid1: TStreamGrid\n    Options = [xoEditing, xoBogus]\n"
       "  end\nend\n",
       "Error reading Grid1.Options: Invalid property value on line 3"},
      {"object Form1: TStreamForm\n  object Grid1: TStreamGrid\n    ColCount = 2\n"
       "    ColWidths = (\n      1\n      2147483648)\n  end\nend\n",
       "Error reading Grid1.ColWidths: Invalid property value on line 6"},
      // A character must be one well-formed character: not a surrogate, an
      // overlong form or a stray byte, which once read as code points of
      // their own and were written back as something else.
      {"object Form1: TStreamForm\n  object Grid1: TStreamGrid\n    Letter = '\xED\xA0\x80'\n"
       "  end\nend\n",
       "Error reading Grid1.Letter: Invalid property value on line 3"},
      {"object Form1: TStreamForm\n  object Grid1: TStreamGrid\n    Letter = '\xC1\x81'\n  end\n"
       "end\n",
       "Error reading Grid1.Letter: Invalid property value on line 3"},
      {"object Form1: TStreamForm\n  object Grid1: TStreamGrid\n    Letter = '\xFF'\n  end\nend\n",
       "Error reading Grid1.Letter: Invalid property value on line 3"},
      {"object Form1: TStreamForm\n  object Grid1: TStreamGrid\n    Letter = 'ab'\n  end\nend\n",
       "Error reading Grid1.Letter: Invalid property value on line 3"},
      {"object Form1: TStreamForm\n  object Grid1: TStreamGrid\n  end\n",
       "'end' expected on line 4", 1},
      {"", "'object' expected on line 1"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Text);
    TObjectPtr<TStreamForm> Form(TStreamForm::Create(nullptr));
    EXPECT_EQ(ReadError(C.Text, Form.get()), C.Message);
    EXPECT_EQ(Form->GetComponentCount(), C.Kept);
    try {
      TObjectPtr<TComponent> Made(ReadComponentFromText(C.Text, nullptr));
      ADD_FAILURE() << "read without an error";
    } catch (const EFilerError& E) {
      EXPECT_EQ(E.GetMessage(), C.Message);
    }
  }
}

TEST(FormReading, LongStringsGoOnAfterAPlusAndReferencesMustFitTheirClass) {
  TObjectPtr<TStreamForm> Form(TStreamForm::Create(nullptr));
  ReadComponentText(
      "object Form1: TStreamForm\n"
      "  Caption = 'first ' +\n"
      "    'second'#13#10 +\n"
      "    #$263A\n"
      "  object Grid1: TStreamGrid\n"
      "    Source = Grid2\n"
      "    Buddy = Grid2\n"
      "  end\n"
      "  object Grid2: TStreamGrid\n"
      "    Source = Source1\n"
      "  end\n"
      "end\n",
      Form.get());
  EXPECT_EQ(Form->Caption, "first second\r\n\xE2\x98\xBA");
  ASSERT_NE(Form->Grid1, nullptr);
  EXPECT_EQ(Form->Grid1->GetSource(), nullptr);  // a grid is not a source: the reference stays nil
  Form->Grid1->OnClick = TNotifyEvent(Form.get(), &TStreamForm::Grid1Click);
  ReadComponentText(
      "inherited Form1: TStreamForm\n  inherited Grid1: TStreamGrid\n    OnClick = nil\n  end\nend\n",
      Form.get());
  EXPECT_FALSE(Form->Grid1->OnClick) << "nil clears the handler";
  EXPECT_EQ(Form->Grid1->Buddy, Form->Grid2);    // a grid is a panel
  ReadComponentText(
      "inherited Form1: TStreamForm\n  inherited Grid1: TStreamGrid\n    Buddy = Form1\n  end\n"
      "  inherited Grid2: TStreamGrid\n    Buddy = Owner\n  end\nend\n",
      Form.get());
  EXPECT_EQ(Form->Grid1->Buddy, Form.get()) << "the root by its name";
  EXPECT_EQ(Form->Grid2->Buddy, Form.get()) << "the root as Owner";
  EXPECT_EQ(Form->Grid2->GetSource(), nullptr);  // no such component
  // Lines are still counted inside a continued string.
  EXPECT_EQ(ReadError("object Form1: TStreamForm\n  Caption = 'a' +\n 'b' +\n 'c'\n  Left = x\nend\n",
                      Form.get()),
            "Error reading Form1.Left: Invalid property value on line 5");
  EXPECT_EQ(Form->Caption, "abc");
}

// Character codes read as the code points they name, up to the last one and
// on both sides of the surrogates; those in between and past the last are
// malformed (see EveryMalformedValueIsNamedWithItsPropertyAndLine).
TEST(FormReading, CharacterCodesReadUpToTheLastCodePoint) {
  const struct {
    const char* Value;
    const char* Text;
  } Cases[] = {
      {"#1114111", "\xF4\x8F\xBF\xBF"},
      {"#$10FFFF", "\xF4\x8F\xBF\xBF"},
      {"#55295", "\xED\x9F\xBF"},
      {"#$E000", "\xEE\x80\x80"},
      {"#65'a'#66", "AaB"},
      {"#0009", "\t"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Value);
    TObjectPtr<TStreamForm> Form(TStreamForm::Create(nullptr));
    ReadComponentText("object Form1: TStreamForm\n  Caption = " + String(C.Value) + "\nend\n",
                      Form.get());
    EXPECT_EQ(Form->Caption, C.Text);
  }
  TObjectPtr<TStreamForm> Form(TStreamForm::Create(nullptr));
  EXPECT_EQ(ReadError("object Form1: TStreamForm\n  Caption = #57343\nend\n", Form.get()),
            "Error reading Form1.Caption: Invalid string constant on line 2");
}

TEST(FormText, ControlCharactersAreWrittenAsCodesOutsideTheQuotes) {
  TObjectPtr<TStreamForm> Form(TStreamForm::Create(nullptr));
  Form->SetName("F");
  Form->Caption = String("\x1F \x7F'\t", 5);
  EXPECT_EQ(ComponentToText(Form.get()),
            "object F: TStreamForm\n  Left = 0\n  Caption = #31' \x7F'''#9\nend\n");
}

TEST(FormText, ReferencesToComponentsOfAnotherOwnerAreNamedWithIt) {
  TObjectPtr<TStreamForm> Form(MakeSampleForm());
  // A source owned by the grid, not by the form: named through its owner.
  TStreamSource* Inner = Make<TStreamSource>(Form->Grid1, "Inner", nullptr);
  Form->Grid1->SetSource(Inner);
  TObjectPtr<TStreamForm> Other(TStreamForm::Create(nullptr));
  Other->SetName("Other");
  TStreamSource* Far = Make<TStreamSource>(Other.get(), "Far", nullptr);
  Form->Grid2->SetSource(Far);
  TStreamPanel* Unnamed = TStreamPanel::Create(Form.get());
  Form->Grid2->Buddy = Unnamed;  // an unnamed component has no name to store
  String Text = ComponentToText(Form.get());
  EXPECT_EQ(Text.find("Buddy"), String::npos) << Text;
  EXPECT_NE(Text.find("    Source = Grid1.Inner\n"), String::npos) << Text;
  EXPECT_NE(Text.find("      Source = Other.Far\n"), String::npos) << Text;
  // Read back into a form that has the grid's own source: the dotted name finds it.
  TObjectPtr<TStreamForm> Back(TStreamForm::Create(nullptr));
  ReadComponentText(
      "object Form1: TStreamForm\n"
      "  object Grid1: TStreamGrid\n"
      "    Source = Grid1.Inner\n"
      "  end\n"
      "  object Grid2: TStreamGrid\n"
      "    Source = Other.Far\n"
      "  end\n"
      "end\n",
      Back.get());
  EXPECT_EQ(Back->Grid1->GetSource(), nullptr);  // not there yet while reading
  TStreamSource* Own = Make<TStreamSource>(Back->Grid1, "Inner", nullptr);
  ReadComponentText(
      "inherited Form1: TStreamForm\n"
      "  inherited Grid1: TStreamGrid\n"
      "    Source = Grid1.Inner\n"
      "  end\n"
      "end\n",
      Back.get());
  EXPECT_EQ(Back->Grid1->GetSource(), Own);
  EXPECT_EQ(Back->Grid2->GetSource(), nullptr);  // another form's component is not found here
}

TEST(FormReading, AnEmptyCollectionInAStoredFormKeepsTheItemsThere) {
  // "<>" replaces nothing: only a stored form with items replaces a
  // collection's items (so an inherited form cannot empty its ancestor's).
  TObjectPtr<TStreamForm> Form(TStreamForm::Create(nullptr));
  ReadComponentText(SampleText, Form.get());
  ReadComponentText(
      "inherited Form1: TStreamForm\n"
      "  inherited Grid1: TStreamGrid\n"
      "    Columns = <>\n"
      "  end\n"
      "end\n",
      Form.get());
  ASSERT_EQ(Form->Grid1->GetColumns()->GetCount(), 2);
  EXPECT_EQ(Form->Grid1->Column(0)->Title, "A");
  ReadComponentText(
      "inherited Form1: TStreamForm\n"
      "  inherited Grid1: TStreamGrid\n"
      "    Columns = <\n"
      "      item\n"
      "        Width = 5\n"
      "      end>\n"
      "  end\n"
      "end\n",
      Form.get());
  ASSERT_EQ(Form->Grid1->GetColumns()->GetCount(), 1);
  EXPECT_EQ(Form->Grid1->Column(0)->Width, 5);
  EXPECT_EQ(Form->Grid1->Column(0)->Title, "");
}

TEST(FormReading, ARootReadUnderAnOwnerTakesANameNoneOfItsOwnersComponentsHas) {
  TObjectPtr<TComponent> Owner(TComponent::Create(nullptr));
  TStreamSource* Taken = TStreamSource::Create(Owner.get());
  Taken->SetName("Form1");
  TStreamSource* AlsoTaken = TStreamSource::Create(Owner.get());
  AlsoTaken->SetName("Form1_1");
  TStreamForm* Form = TStreamForm::Create(Owner.get());
  ReadComponentText("object Form1: TStreamForm\n  Left = 3\nend\n", Form);
  EXPECT_EQ(Form->GetName(), "Form1_2");
  EXPECT_EQ(Form->Left, 3);
  // Read again under the name it has, it keeps it.
  ReadComponentText("object Form1_2: TStreamForm\nend\n", Form);
  EXPECT_EQ(Form->GetName(), "Form1_2");
}

TEST(FormReading, EveryMalformedValueIsNamedWithItsPropertyAndLine) {
  struct {
    const char* Line3;  // the third line, inside Grid1
    const char* Message;
  } Cases[] = {
      {"Big = $11112222333344445", "Big: Invalid number"},
      {"Big = $", "Big: Number expected"},
      {"Ratio = 1.5x", "Ratio: Invalid number"},
      {"Big = 99999999999999999999", "Big: Invalid number"},
      {"Caption = #1114112", "Caption: Invalid string constant"},
      {"Caption = #55296", "Caption: Invalid string constant"},
      {"Caption = #", "Caption: Invalid string constant"},
      {"Data = {0G}", "Data: Invalid binary value"},
      {"Options = [xoEditing xoRangeSelect]", "Options: ',' or ']' expected"},
      {"Options = [xoEditing, 3]", "Options: Identifier expected"},
      {"Options = 5", "Options: Invalid property value"},
      {"Align = 3", "Align: Invalid property value"},
      {"Caption = 5", "Caption: Invalid property value"},
      {"Letter = 5", "Letter: Invalid property value"},
      {"Value = (1)", "Value: Invalid property value"},
      {"Source = 'x'", "Source: Invalid property value"},
      {"Font = <>", "Font: Invalid property value"},
      {"OnClick = 5", "OnClick: Invalid property value"},
      {"Big = 1.5", "Big: Invalid property value"},
      {"ColCount = 99999999999", "ColCount: Invalid property value"},
      {"Ratio = 'x'", "Ratio: Invalid property value"},
      {"Price = x", "Price: Invalid property value"},
      {"Caption 'x'", "Caption: '=' expected"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Line3);
    TObjectPtr<TStreamForm> Form(TStreamForm::Create(nullptr));
    String Text = "object Form1: TStreamForm\n  object Grid1: TStreamGrid\n    " + String(C.Line3) +
                  "\n    Caption = 'after'\n  end\nend\n";
    EXPECT_EQ(ReadError(Text, Form.get()),
              "Error reading Grid1." + String(C.Message) + " on line 3");
    EXPECT_EQ(Form->Grid1, nullptr);  // the grid being built went with the error
  }
  // Values of properties that OnError skips are checked for their shape too.
  struct {
    const char* Value;
    const char* Message;
  } Skipped[] = {
      {"[a, b", "']' expected on line 3"},
      {"<thing X = 1 end>", "'item' expected on line 2"},
      {"<item X 1 end>", "'=' expected on line 2"},
      {"", "Invalid property value on line 3"},
  };
  for (const auto& C : Skipped) {
    SCOPED_TRACE(C.Value);
    TObjectPtr<TStreamForm> Form(TStreamForm::Create(nullptr));
    TObjectPtr<TStringStream> Stream(
        TStringStream::Create("object Form1: TStreamForm\n  Colour = " + String(C.Value) + "\n"));
    TObjectPtr<TReader> Reader(TReader::Create(Stream.get()));
    Reader->OnError = [](TReader*, const String&, bool& Handled) { Handled = true; };
    try {
      Reader->ReadRootComponent(Form.get());
      ADD_FAILURE() << "read without an error";
    } catch (const EReadError& E) {
      EXPECT_EQ(E.GetMessage(), "Error reading Form1.Colour: " + String(C.Message));
    }
  }
}

TEST(FormReading, ReferenceFromAnItemReplacedLaterInTheSameReadIsDropped) {
  TObjectPtr<TStreamForm> Form(TStreamForm::Create(nullptr));
  ReadComponentText(
      "object Form1: TStreamForm\n"
      "  object Grid1: TStreamGrid\n"
      "    Columns = <\n"
      "      item\n"
      "        Source = Source1\n"
      "      end>\n"
      "    Columns = <\n"
      "      item\n"
      "        Width = 7\n"
      "      end\n"
      "      item\n"
      "        Source = Source1\n"
      "      end>\n"
      "  end\n"
      "  object Source1: TStreamSource\n"
      "  end\n"
      "end\n",
      Form.get());
  ASSERT_EQ(Form->Grid1->GetColumns()->GetCount(), 2);
  EXPECT_EQ(Form->Grid1->Column(0)->Source, nullptr);
  EXPECT_EQ(Form->Grid1->Column(0)->Width, 7);
  EXPECT_EQ(Form->Grid1->Column(1)->Source, Form->Source1);
}

TEST(FormReading, OnErrorSkipsUnknownPropertiesAndOnFindMethodExcusesMissingOnes) {
  TObjectPtr<TStreamForm> Form(TStreamForm::Create(nullptr));
  TObjectPtr<TStringStream> Stream(
      TStringStream::Create("object Form1: TStreamForm\n"
                            "  Colour = <\n"
                            "    item\n"
                            "      X = (1 2)\n"
                            "    end>\n"
                            "  object Grid1: TStreamGrid\n"
                            "    OnClick = Gone\n"
                            "    OnChange = GridChange\n"
                            "  end\n"
                            "  Width = 3\n"
                            "end\n"));
  TObjectPtr<TReader> Reader(TReader::Create(Stream.get()));
  std::vector<String> Messages, Methods;
  Reader->OnError = [&](TReader*, const String& Message, bool& Handled) {
    Messages.push_back(Message);
    Handled = true;
  };
  Reader->OnFindMethod = [&](TReader*, const String& Name, bool& Error) {
    Methods.push_back(Name);
    Error = false;
  };
  // Properties after the children are not part of the format.
  EXPECT_THROW(Reader->ReadRootComponent(Form.get()), EReadError);
  EXPECT_EQ(Messages, (std::vector<String>{"Property Colour does not exist"}));
  EXPECT_EQ(Methods, (std::vector<String>{"Gone"}));
  ASSERT_NE(Form->Grid1, nullptr);
  EXPECT_FALSE(Form->Grid1->OnClick);
  EXPECT_TRUE(Form->Grid1->OnChange);
}

TEST(FormReading, StoredFormsComeFromTheResourceTable) {
  TObjectPtr<TStreamForm> Form(TStreamForm::Create(nullptr));
  EXPECT_FALSE(ReadComponentRes("TStreamTestForm", Form.get()));
  String Text = SampleText;
  RegisterResource("TStreamTestForm", RT_FORM,
                   std::vector<unsigned char>(Text.begin(), Text.end()));
  EXPECT_TRUE(ReadComponentRes("TSTREAMTESTFORM", Form.get()));
  UnregisterResource("TStreamTestForm", RT_FORM);
  EXPECT_EQ(Form->GetName(), "Form1");
  EXPECT_EQ(ComponentToText(Form.get()), SampleText);

  TObjectPtr<TStreamForm> Other(TStreamForm::Create(nullptr));
  RegisterResource("TStreamForm", RT_FORM, std::vector<unsigned char>(Text.begin(), Text.end()));
  EXPECT_TRUE(InitInheritedComponent(Other.get(), TComponent::StaticClass()));
  UnregisterResource("TStreamForm", RT_FORM);
  EXPECT_NE(Other->Grid1, nullptr);
}
