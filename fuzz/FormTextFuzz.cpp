// Fuzz target: arbitrary text read as a stored form into a small component
// tree (properties of every kind, collections nested in collection items,
// defined properties, a string list, children, references and events).
// Properties checked:
//   - nothing crashes, leaks or runs out of stack, however deep the nesting;
//   - a failed read raises a read error (EReadError and its kinds, a class or
//     method not found, a bad component name) and leaves the form usable:
//     not loading, and able to be written;
//   - whatever was read, whole or up to an error, writes out as text that
//     reads back into a fresh form without an error and writes out the same.
// Built and run by scripts/run-fuzz (not by the test command).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "platform/classes/Collection.h"
#include "platform/classes/Filer.h"
#include "platform/classes/FormReader.h"
#include "platform/classes/Streams.h"
#include "platform/classes/StringList.h"

using namespace kvp;

namespace {

enum TFuzzAlign { faLeft, faRight, faCenter };
KV_ENUM_INFO(TFuzzAlign, faLeft, faRight, faCenter)
using TFuzzAligns = TSet<TFuzzAlign>;

class TFuzzThing;

class TFuzzItem : public TCollectionItem {
  KV_CLASS(TFuzzItem, TCollectionItem)
 public:
  using inherited::inherited;
  Integer Width = 64;
  String Title;
  TComponent* Ref = nullptr;  // not kept up to date: the fuzzer frees nothing after reading
  TCollection* GetChildren() const { return FChildren.get(); }
  void SetChildren(TCollection* Value) { FChildren->Assign(Value); }
  KV_PUBLISHED {
    P.Prop("Width", &TFuzzItem::Width).Default(64);
    P.Prop("Title", &TFuzzItem::Title);
    P.Prop("Ref", &TFuzzItem::Ref);
    P.Prop("Children", &TFuzzItem::GetChildren, &TFuzzItem::SetChildren);
  }

 private:
  TObjectPtr<TOwnedCollection> FChildren{TOwnedCollection::Create(this, TFuzzItem::StaticClass())};
};

class TFuzzThing : public TComponent {
  KV_CLASS(TFuzzThing, TComponent)
 public:
  using inherited::inherited;
  Integer Count = 0;
  Int64 Big = 0;
  Char Letter = U'A';
  String Caption;
  double Ratio = 0;
  Currency Price;
  Variant Value;
  TFuzzAlign Align = faLeft;
  TFuzzAligns Aligns;
  TFuzzThing* Buddy = nullptr;
  TNotifyEvent OnClick;
  std::vector<Integer> List;
  String Data;

  TCollection* GetItems() const { return FItems.get(); }
  void SetItems(TCollection* Value) { FItems->Assign(Value); }
  TStringList* GetLines() const { return FLines.get(); }
  void SetLines(TStringList* Value) { FLines->Assign(Value); }
  void SetBuddy(TFuzzThing* Value) {
    Buddy = Value;
    if (Value) Value->FreeNotification(this);
  }
  TFuzzThing* GetBuddy() const { return Buddy; }
  void Click(TObject*) {}

  KV_PUBLISHED {
    P.Prop("Count", &TFuzzThing::Count);
    P.Prop("Big", &TFuzzThing::Big);
    P.Prop("Letter", &TFuzzThing::Letter).Default(U'A');
    P.Prop("Caption", &TFuzzThing::Caption);
    P.Prop("Ratio", &TFuzzThing::Ratio);
    P.Prop("Price", &TFuzzThing::Price);
    P.Prop("Value", &TFuzzThing::Value);
    P.Prop("Align", &TFuzzThing::Align).Default(faLeft);
    P.Prop("Aligns", &TFuzzThing::Aligns).Default(TFuzzAligns{});
    P.Prop("Buddy", &TFuzzThing::GetBuddy, &TFuzzThing::SetBuddy);
    P.Prop("Items", &TFuzzThing::GetItems, &TFuzzThing::SetItems);
    P.Prop("Lines", &TFuzzThing::GetLines, &TFuzzThing::SetLines);
    P.Prop("OnClick", &TFuzzThing::OnClick);
    P.Method("Click", &TFuzzThing::Click);
    P.Field("Thing1", &TFuzzThing::Thing1);
  }
  TFuzzThing* Thing1 = nullptr;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == Buddy) Buddy = nullptr;
  }
  void GetChildren(TGetChildProc Proc, TComponent* Root) override {
    if (Root != this) return;
    for (Integer I = 0; I < GetComponentCount(); ++I) Proc(GetComponents(I));
  }
  void DefineProperties(TFiler* Filer) override {
    Filer->DefineProperty("List", TReaderProc(this, &TFuzzThing::ReadList),
                          TWriterProc(this, &TFuzzThing::WriteList), !List.empty());
    Filer->DefineBinaryProperty("Data", TStreamProc(this, &TFuzzThing::ReadData),
                                TStreamProc(this, &TFuzzThing::WriteData), !Data.empty());
  }

 private:
  void ReadList(TReader* Reader) {
    List.clear();
    Reader->ReadListBegin();
    while (!Reader->EndOfList()) List.push_back(Reader->ReadInteger());
    Reader->ReadListEnd();
  }
  void WriteList(TWriter* Writer) {
    Writer->WriteListBegin();
    for (Integer V : List) Writer->WriteInteger(V);
    Writer->WriteListEnd();
  }
  void ReadData(TStream* Stream) {
    Data.resize(std::size_t(Stream->GetSize()));
    Stream->ReadBuffer(Data.data(), Integer(Data.size()));
  }
  void WriteData(TStream* Stream) { Stream->WriteBuffer(Data.data(), Integer(Data.size())); }

  TObjectPtr<TOwnedCollection> FItems{TOwnedCollection::Create(this, TFuzzItem::StaticClass())};
  TObjectPtr<TStringList> FLines{TStringList::Create()};
};

// Writes Root, reads the text into a fresh form and checks that it writes the same.
void CheckWritesBack(TFuzzThing* Root, const String& Input) {
  String Written = ComponentToText(Root);
  TObjectPtr<TFuzzThing> Fresh(TFuzzThing::Create(nullptr));
  try {
    ReadComponentText(Written, Fresh.get());
  } catch (const Exception& E) {
    kvfuzz::Fail("what was read writes out as text that reads back",
                 kvfuzz::Shown(Input) + "\nwritten:\n" + Written + "\nerror: " + E.GetMessage());
  }
  String Again = ComponentToText(Fresh.get());
  FUZZ_CHECK(Again == Written, "what was read back writes out the same",
                kvfuzz::Shown(Input) + "\nwritten:\n" + Written + "\nthen:\n" + Again);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  String Text(reinterpret_cast<const char*>(Data), Size);
  TObjectPtr<TFuzzThing> Root(TFuzzThing::Create(nullptr));
  try {
    ReadComponentText(Text, Root.get());
  } catch (const EAssertionFailed& E) {
    kvfuzz::Fail("reading breaks no invariant", E.GetMessage());
  } catch (const Exception& E) {
    // Malformed input: the form must still be usable below.
    FUZZ_CHECK(E.GetMessage().find(" on line ") != String::npos, "a read error names the line",
                  kvfuzz::Shown(Text) + "\nerror: " + E.GetMessage());
  }
  FUZZ_CHECK(!Root->GetComponentState().Contains(csLoading), "a form is not left loading");
  CheckWritesBack(Root.get(), Text);
  return 0;
}
