// TWriter: a component tree written as form text, with the value syntax that
// TReader reads back.
//
// Index
// [SECTION] Value text: QuotedText, FloatText
// [SECTION] Layout: WritePropName, BeginValue, lists, collections, binary
// [SECTION] Properties: WriteProperties, WriteProperty, WriteObjectProp
// [SECTION] Components: WriteRootComponent, WriteDescendent, WriteComponent
// [SECTION] Top level: WriteComponentToStream, ComponentToText
#include <charconv>
#include <cmath>

#include "platform/classes/Collection.h"
#include "platform/classes/Filer.h"
#include "platform/classes/Streams.h"
#include "platform/rtl/Strings.h"

namespace kvp {

// [SECTION] Value text

namespace {

String Spaces(Integer N) { return String(std::size_t(std::max(N, 0)), ' '); }

// 'text' with '' for a quote and #nn for each control character; other bytes,
// UTF-8 sequences included, stay as they are inside the quotes.
String QuotedText(const String& S) {
  if (S.empty()) return "''";
  String R;
  bool InQuote = false;
  for (unsigned char C : S) {
    if (C < 32) {
      if (InQuote) R += '\'';
      InQuote = false;
      R += '#' + std::to_string(C);
      continue;
    }
    if (!InQuote) R += '\'';
    InQuote = true;
    if (C == '\'') R += '\'';
    R += char(C);
  }
  if (InQuote) R += '\'';
  return R;
}

// The shortest text that reads back to the same value at the type's
// precision, as 1.5, 1E20 or 2.0 (a point or an exponent always, so that it
// reads back as a float); INF, -INF and NAN for what is not a number.
template <class F>
String FloatText(F Value) {
  if (std::isnan(Value)) return "NAN";
  if (std::isinf(Value)) return Value > 0 ? "INF" : "-INF";
  char Buf[64];
  auto [End, Ec] = std::to_chars(Buf, Buf + sizeof Buf, Value);
  KV_ASSERT(Ec == std::errc(), "a float's shortest text fits 64 characters");
  String S(Buf, End);
  std::size_t E = S.find('e');
  if (E != String::npos) {
    String Mantissa = S.substr(0, E), Exp = S.substr(E + 1);
    bool Negative = Exp[0] == '-';
    std::size_t Digits = Exp.find_first_not_of("+-0");
    S = Mantissa + "E" + (Negative ? "-" : "") +
        (Digits == String::npos ? "0" : Exp.substr(Digits));
  }
  if (S.find_first_of(".E") == String::npos) S += ".0";
  return S;
}

String FloatTextOf(Extended Value, TFloatType Type) {
  switch (Type) {
    case ftSingle:
      return FloatText(float(Value));
    case ftDouble:
      return FloatText(double(Value));
    default:
      return FloatText(Value);
  }
}

// The exact amount: 12.5, -0.0001, 3.0.
String CurrencyText(Int64 Raw) {
  bool Negative = Raw < 0;
  UInt64 U = Negative ? UInt64(0) - UInt64(Raw) : UInt64(Raw);
  String Frac = std::to_string(U % 10000 + 10000).substr(1);
  while (Frac.size() > 1 && Frac.back() == '0') Frac.pop_back();
  return (Negative ? "-" : "") + std::to_string(U / 10000) + "." + Frac;
}

String SetText(const TTypeInfo* SetType, Int64 Bits) {
  String S = SetToString(SetType, Bits, false);
  String R = "[";
  for (char C : S) R += C == ',' ? String(", ") : String(1, C);
  return R + "]";
}

}  // namespace

void TComponent::WriteState(TWriter* Writer) { Writer->WriteData(this); }

void TWriter::Destroy() {
  try {
    FlushBuffer();
  } catch (...) {
    // Freeing cannot report a failed write; callers that care flush first.
  }
  inherited::Destroy();
}

void TWriter::FlushBuffer() {
  if (FBuffer.empty() || !FStream) return;
  FStream->WriteBuffer(FBuffer.data(), Integer(FBuffer.size()));
  FBuffer.clear();
}

// [SECTION] Layout

// TWriter::TNestingLevel: one level of nesting, held while a component, a
// collection or a sub-object is written. A level past MaxNesting (a tree too
// deep to read back, or sub-objects that lead back to themselves) raises
// EWriteError naming what would have been written there.
class TWriter::TNestingLevel {
 public:
  TNestingLevel(TWriter* Writer, const String& What) : FWriter(Writer) {
    if (FWriter->FNesting >= MaxNesting)
      throw EWriteError("Cannot write " + What + ": nested more than " +
                        std::to_string(MaxNesting) + " levels deep");
    ++FWriter->FNesting;
  }
  ~TNestingLevel() { --FWriter->FNesting; }
  TNestingLevel(const TNestingLevel&) = delete;
  TNestingLevel& operator=(const TNestingLevel&) = delete;

 private:
  TWriter* FWriter;
};

void TWriter::WriteRaw(const String& Text) { FBuffer += Text; }

void TWriter::WritePropName(const String& Name) {
  WriteRaw("\n" + Spaces(FIndent) + FPropPath + Name + " = ");
}

// Starts a value: inside a list each value goes on a line of its own.
// Answers the column that nested list items are indented from.
Integer TWriter::BeginValue() {
  const TFrame& F = FFrames.back();
  if (F.Kind != ckList) return FIndent;
  WriteRaw("\n" + Spaces(F.Indent));
  return F.Indent;
}

void TWriter::WriteListBegin() {
  Integer Base = BeginValue();
  WriteRaw("(");
  FFrames.push_back({ckList, Base + 2});
}

void TWriter::WriteListEnd() {
  KV_ASSERT(FFrames.size() > 1 && FFrames.back().Kind == ckList, "WriteListEnd without a list");
  WriteRaw(")");
  FFrames.pop_back();
}

void TWriter::WriteInteger(Int64 Value) {
  BeginValue();
  WriteRaw(std::to_string(Value));
}

void TWriter::WriteFloat(Extended Value) {
  BeginValue();
  WriteRaw(FloatText(Value));
}

void TWriter::WriteDouble(Double Value) {
  BeginValue();
  WriteRaw(FloatText(Value));
}

void TWriter::WriteSingle(Single Value) {
  BeginValue();
  WriteRaw(FloatText(Value));
}

void TWriter::WriteString(const String& Value) {
  BeginValue();
  WriteRaw(QuotedText(Value));
}

void TWriter::WriteIdent(const String& Ident) {
  BeginValue();
  WriteRaw(Ident);
}

void TWriter::WriteBoolean(bool Value) { WriteIdent(Value ? "True" : "False"); }

void TWriter::WriteChar(Char Value) { WriteString(Utf8Encode(Value)); }

void TWriter::WriteVariant(const Variant& Value) {
  switch (VarType(Value)) {
    case varEmpty:
      return WriteIdent("nil");
    case varNull:
      return WriteIdent("Null");
    case varBoolean:
      return WriteBoolean(Value.AsBoolean());
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
      return WriteInteger(Value.AsInt64());
    case varSingle:
      return WriteIdent(FloatText(float(Value.AsDouble())) + "s");
    case varDouble:
      return WriteDouble(Value.AsDouble());
    case varCurrency:
      return WriteIdent(CurrencyText(Value.AsCurrency().GetRaw()) + "c");
    case varDate:
      return WriteIdent(FloatText(Value.AsDateTime()) + "d");
    case varString:
      return WriteString(Value.AsString());
    default:
      throw EWriteError("Cannot write a variant of type " + std::to_string(VarType(Value)));
  }
}

void TWriter::WriteBinary(const void* Data, std::size_t Size) {
  static const char Hex[] = "0123456789ABCDEF";
  constexpr std::size_t BytesPerLine = 32;
  Integer Base = BeginValue();
  const auto* P = static_cast<const unsigned char*>(Data);
  WriteRaw("{");
  for (std::size_t I = 0; I < Size; ++I) {
    if (Size > BytesPerLine && I % BytesPerLine == 0) WriteRaw("\n" + Spaces(Base + 2));
    FBuffer += Hex[P[I] >> 4];
    FBuffer += Hex[P[I] & 15];
  }
  WriteRaw("}");
}

void TWriter::WriteCollection(TCollection* Collection) {
  TNestingLevel Level(this, String("a collection of class ") + Collection->ClassName());
  Integer Base = BeginValue();
  WriteRaw("<");
  // Items are written whole: reading a collection replaces all its items.
  Integer SavedIndent = FIndent;
  String SavedPath = FPropPath;
  TPersistent* SavedAncestor = FAncestor;
  FFrames.push_back({ckProps, 0});
  try {
    for (Integer I = 0; I < Collection->GetCount(); ++I) {
      WriteRaw("\n" + Spaces(Base + 2) + "item");
      FIndent = Base + 4;
      FPropPath.clear();
      FAncestor = nullptr;
      WriteProperties(Collection->GetItems(I));
      WriteRaw("\n" + Spaces(Base + 2) + "end");
    }
  } catch (...) {
    FFrames.pop_back();
    FIndent = SavedIndent;
    FPropPath = SavedPath;
    FAncestor = SavedAncestor;
    throw;
  }
  FFrames.pop_back();
  FIndent = SavedIndent;
  FPropPath = SavedPath;
  FAncestor = SavedAncestor;
  WriteRaw(">");
}

void TWriter::DefineProperty(const String& Name, TReaderProc, TWriterProc WriteData, bool HasData) {
  if (!HasData || !WriteData) return;
  WritePropName(Name);
  WriteData(this);
}

void TWriter::DefineBinaryProperty(const String& Name, TStreamProc, TStreamProc WriteData,
                                   bool HasData) {
  if (!HasData || !WriteData) return;
  TObjectPtr<TMemoryStream> Data(TMemoryStream::Create());
  WriteData(Data.get());
  WritePropName(Name);
  WriteBinary(Data->GetMemory(), std::size_t(Data->GetSize()));
}

// [SECTION] Properties

void TWriter::WriteProperties(TPersistent* Instance) {
  for (const TPropInfo* P : GetPropList(Instance->ClassType()))
    if (P->Get && IsStoredProp(Instance, P)) WriteProperty(Instance, P);
  Instance->DefineProperties(this);
}

void TWriter::WriteProperty(TPersistent* Instance, const TPropInfo* Prop) {
  TPersistent* Anc = FAncestor && FAncestor->InheritsFrom(Prop->Owner) ? FAncestor : nullptr;
  const TTypeInfo* T = Prop->PropType;
  if (T->Kind == tkClass) {
    WriteObjectProp(Instance, Prop, Anc);
    return;
  }
  if (!Prop->Set) return;
  if (T->Kind == tkMethod) {
    String Name = MethodName(FLookupRoot, GetMethodProp(Instance, Prop));
    if (Anc) {
      if (Name == MethodName(FRootAncestor, GetMethodProp(Anc, Prop))) return;
    } else if (Name.empty()) {
      return;  // unassigned, or bound to something that is not a published method
    }
    WritePropName(Prop->Name);
    WriteIdent(Name.empty() ? "nil" : Name);
    return;
  }
  TPropValue Value = Prop->Get(Instance);
  if (Anc ? SamePropValue(Prop, Value, Prop->Get(Anc)) : IsDefaultPropValue(Instance, Prop)) return;
  WritePropName(Prop->Name);
  switch (T->Kind) {
    case tkInteger: {
      String Ident;
      if (T->IntToIdent && T->IntToIdent(Integer(std::get<Int64>(Value)), Ident))
        WriteIdent(Ident);
      else
        WriteInteger(std::get<Int64>(Value));
      break;
    }
    case tkInt64:
      WriteInteger(std::get<Int64>(Value));
      break;
    case tkChar:
      WriteChar(Char(std::get<Int64>(Value)));
      break;
    case tkEnumeration:
      WriteIdent(GetEnumName(T, Integer(std::get<Int64>(Value))));
      break;
    case tkSet:
      WriteIdent(SetText(T, std::get<Int64>(Value)));
      break;
    case tkFloat:
      if (T->FloatType == ftCurr)
        WriteIdent(CurrencyText(Currency::FromDouble(std::get<Extended>(Value)).GetRaw()));
      else
        WriteIdent(FloatTextOf(std::get<Extended>(Value), T->FloatType));
      break;
    case tkVariant:
      WriteVariant(std::get<Variant>(Value));
      break;
    case tkString:
      WriteString(std::get<String>(Value));
      break;
    default:
      KV_ASSERT(false, "a published property of a kind the writer does not know");
  }
}

String TWriter::ComponentRefName(TComponent* Component) {
  if (Component == FLookupRoot) return "Owner";
  TComponent* Owner = Component->GetOwner();
  if (Owner == FLookupRoot) return Component->GetName();
  if (Owner && !Owner->GetName().empty() && !Component->GetName().empty())
    return Owner->GetName() + "." + Component->GetName();
  return Component->GetName();
}

bool TWriter::CollectionsEqual(TCollection* A, TCollection* B) {
  auto Text = [this](TCollection* C) {
    if (!C) return String("<>");
    TObjectPtr<TStringStream> S(TStringStream::Create());
    TObjectPtr<TWriter> W(TWriter::Create(S.get()));
    W->FRoot = FRoot;
    W->FLookupRoot = FLookupRoot;
    W->FNesting = FNesting;
    W->WriteCollection(C);
    W->FlushBuffer();
    return S->GetDataString();
  };
  return Text(A) == Text(B);
}

void TWriter::WriteObjectProp(TPersistent* Instance, const TPropInfo* Prop, TPersistent* Anc) {
  TObject* Obj = GetObjectProp(Instance, Prop);
  TObject* AncObj = Anc ? GetObjectProp(Anc, Prop) : nullptr;
  // [Phase 1] A collection: `< item ... end >`.
  if (auto* Coll = DynCast<TCollection>(Obj)) {
    if (Anc ? CollectionsEqual(Coll, DynCast<TCollection>(AncObj)) : Coll->GetCount() == 0) return;
    WritePropName(Prop->Name);
    WriteCollection(Coll);
    return;
  }
  // [Phase 2] A reference to another component (or nil): by name.
  auto* Comp = DynCast<TComponent>(Obj);
  if (!Obj || (Comp && !Comp->GetComponentStyle().Contains(csSubComponent))) {
    if (!Prop->Set) return;
    String Name = Comp ? ComponentRefName(Comp) : String();
    auto* AncComp = DynCast<TComponent>(AncObj);
    if (Anc) {
      String AncName = AncComp ? AncComp->GetName() : String();
      if ((Comp ? Comp->GetName() : String()) == AncName) return;
    } else if (!Obj) {
      return;
    }
    if (Obj && Name.empty()) return;  // an unnamed component cannot be named in a stored form
    WritePropName(Prop->Name);
    WriteIdent(Obj ? Name : "nil");
    return;
  }
  // [Phase 3] A sub-object: its own properties in place, as Font.Name = ...
  auto* Sub = DynCast<TPersistent>(Obj);
  if (!Sub) return;
  TNestingLevel Level(this, "property " + FPropPath + Prop->Name);
  String SavedPath = FPropPath;
  TPersistent* SavedAncestor = FAncestor;
  FPropPath += Prop->Name + ".";
  FAncestor = DynCast<TPersistent>(AncObj);
  try {
    WriteProperties(Sub);
  } catch (...) {
    FPropPath = SavedPath;
    FAncestor = SavedAncestor;
    throw;
  }
  FPropPath = SavedPath;
  FAncestor = SavedAncestor;
}

// [SECTION] Components

void TWriter::WriteRootComponent(TComponent* Root) { WriteDescendent(Root, nullptr); }

void TWriter::WriteDescendent(TComponent* Root, TComponent* Ancestor) {
  FRoot = Root;
  FLookupRoot = Root;
  FRootAncestor = Ancestor;
  try {
    WriteComponent(Root);
  } catch (...) {
    FBuffer.clear();  // a failed write leaves no half form in the stream
    throw;
  }
  WriteRaw("\n");
  FlushBuffer();
}

void TWriter::WriteComponent(TComponent* Component) {
  TNestingLevel Level(this, Component->GetName().empty() ? "a component of class " +
                                                              String(Component->ClassName())
                                                        : Component->GetName());
  TPersistent* SavedAncestor = FAncestor;
  TComponent* Anc = nullptr;
  if (Component == FRoot)
    Anc = FRootAncestor;
  else if (FRootAncestor && !Component->GetName().empty())
    Anc = FRootAncestor->FindComponent(Component->GetName());
  FAncestor = Anc;
  String Header = Spaces(FIndent) + (Anc ? "inherited " : "object ");
  if (!Component->GetName().empty()) Header += Component->GetName() + ": ";
  WriteRaw((FBuffer.empty() && Component == FRoot ? "" : "\n") + Header + Component->ClassName());
  Component->FComponentState += csWriting;
  FIndent += 2;
  FFrames.push_back({ckProps, 0});
  try {
    Component->WriteState(this);
  } catch (...) {
    FFrames.pop_back();
    FIndent -= 2;
    Component->FComponentState -= csWriting;
    FAncestor = SavedAncestor;
    throw;
  }
  FFrames.pop_back();
  FIndent -= 2;
  Component->FComponentState -= csWriting;
  WriteRaw("\n" + Spaces(FIndent) + "end");
  FAncestor = SavedAncestor;
}

void TWriter::WriteData(TComponent* Instance) {
  WriteProperties(Instance);
  if (FIgnoreChildren) return;
  Instance->GetChildren(TGetChildProc([this](TComponent* Child) { WriteComponent(Child); }), FRoot);
}

// [SECTION] Top level

void WriteComponentToStream(TComponent* Component, TStream* Stream) {
  TObjectPtr<TWriter> Writer(TWriter::Create(Stream));
  Writer->WriteRootComponent(Component);
}

String ComponentToText(TComponent* Component) {
  TObjectPtr<TStringStream> Stream(TStringStream::Create());
  WriteComponentToStream(Component, Stream.get());
  return Stream->GetDataString();
}

}  // namespace kvp
