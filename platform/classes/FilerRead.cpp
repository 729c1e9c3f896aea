// TReader: form text read into a component tree, with reference fix-ups,
// Loaded calls and errors that name the property and the line.
//
// Index
// [SECTION] Load tracking: TLoadWatcher, Track, Forget, fix-ups, Loaded
// [SECTION] Values: NextValue, ReadValue, SkipValue, ReadInteger ... ReadCollection
// [SECTION] Properties: ReadProperty, ReadPropValue, ReadMethodValue, DefineProperty
// [SECTION] Components: ReadRootComponent, ReadComponent, ReadData
// [SECTION] Top level: ReadComponentFromText
#include <algorithm>

#include "platform/classes/Collection.h"
#include "platform/classes/Filer.h"
#include "platform/classes/FilerLexer.h"
#include "platform/classes/Streams.h"
#include "platform/rtl/Strings.h"

namespace kvp {

// [SECTION] Load tracking

namespace detail {

// TLoadWatcher: holds a free notification on every component the reader has
// read, so that a component freed while the read goes on (a partly built
// child, a control freed with its parent) leaves the reader's lists at once.
class TLoadWatcher : public TComponent {
  KV_CLASS(TLoadWatcher, TComponent)
 public:
  explicit TLoadWatcher(TReader* Reader) : TComponent(nullptr), FReader(Reader) {}

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove) FReader->Forget(AComponent);
  }

 private:
  TReader* FReader = nullptr;
};

}  // namespace detail

void TComponent::ReadState(TReader* Reader) { Reader->ReadData(this); }

void TReader::Construct() {
  inherited::Construct();
  FItemWatch.Proc = &TReader::ItemFreed;
  FItemWatch.Context = this;
  detail::AddItemFreeWatch(&FItemWatch);
  FLexer = std::make_unique<detail::TFormLexer>(FStream ? ReadStreamToEnd(FStream) : String());
}

TReader::TReader(TStream* Stream) : TFiler(Stream) {}
TReader::~TReader() = default;

void TReader::Destroy() {
  detail::RemoveItemFreeWatch(&FItemWatch);
  for (TComponent* C : FLoaded) Untrack(C);
  FLoaded.clear();
  FWatcher.reset();
  inherited::Destroy();
}

detail::TFormLexer& TReader::Lexer() { return *FLexer; }

Integer TReader::GetLine() { return Lexer().Peek().Line; }

void TReader::Track(TComponent* Component) {
  if (std::find(FLoaded.begin(), FLoaded.end(), Component) != FLoaded.end()) return;
  if (!FWatcher) FWatcher.reset(detail::TLoadWatcher::Create(this));
  FLoaded.push_back(Component);
  FWatcher->FreeNotification(Component);
}

void TReader::Untrack(TComponent* Component) {
  if (FWatcher) FWatcher->RemoveFreeNotification(Component);
}

void TReader::Forget(TComponent* Component) {
  FLoaded.erase(std::remove(FLoaded.begin(), FLoaded.end(), Component), FLoaded.end());
  std::erase_if(FFixups,
                [&](const TFixup& F) { return F.Holder == Component || F.Instance == Component; });
  if (FCurrent == Component) FCurrent = nullptr;
}

void TReader::ItemFreed(void* Context, TCollectionItem* Item) {
  auto* Self = static_cast<TReader*>(Context);
  std::erase_if(Self->FFixups, [&](const TFixup& F) {
    return F.Instance == Item || std::find(F.Items.begin(), F.Items.end(), Item) != F.Items.end();
  });
}

void TReader::DoFixups() {
  std::vector<TFixup> Fixups;
  Fixups.swap(FFixups);
  for (const TFixup& F : Fixups) {
    TComponent* Found = nullptr;
    std::size_t Dot = F.Name.find('.');
    if (Dot == String::npos) {
      bool IsRoot = SameIdent(F.Name, "Owner") || SameIdent(F.Name, FRoot->GetName());
      Found = IsRoot ? FRoot : FRoot->FindComponent(F.Name);
    } else {
      String Head = F.Name.substr(0, Dot), Tail = F.Name.substr(Dot + 1);
      TComponent* Base = SameIdent(Head, FRoot->GetName()) ? FRoot : FRoot->FindComponent(Head);
      Found = Base ? Base->FindComponent(Tail) : nullptr;
    }
    // A reference to a component that is not there (or of the wrong class)
    // stays nil, as an unresolved reference does.
    if (Found && Found->InheritsFrom(F.Prop->PropType->ClassType))
      SetObjectProp(F.Instance, F.Prop, Found);
  }
}

void TReader::CallLoaded(bool SwallowErrors) {
  // Every component gets its Loaded even when one of them raises; the first
  // error goes on afterwards unless a read error is already on its way.
  std::exception_ptr First;
  while (!FLoaded.empty()) {
    TComponent* C = FLoaded.front();
    FLoaded.erase(FLoaded.begin());
    Untrack(C);
    try {
      C->Loaded();
    } catch (...) {
      if (!First) First = std::current_exception();
    }
  }
  if (First && !SwallowErrors) std::rethrow_exception(First);
}

// [SECTION] Values

// TReader::TNestingLevel: one level of nesting, held while an object, a
// collection or a skipped list is read. A level past MaxNesting is refused
// with a parser error on the line of the token that opens it, before anything
// of it is read.
class TReader::TNestingLevel {
 public:
  explicit TNestingLevel(TReader* Reader) : FReader(Reader) {
    if (FReader->FNesting >= MaxNesting)
      FReader->ParseError("Nested more than " + std::to_string(MaxNesting) + " levels deep");
    ++FReader->FNesting;
  }
  ~TNestingLevel() { --FReader->FNesting; }
  TNestingLevel(const TNestingLevel&) = delete;
  TNestingLevel& operator=(const TNestingLevel&) = delete;

 private:
  TReader* FReader;
};

void TReader::ParseError(const String& Message) { Lexer().Error(Message, Lexer().Peek().Line); }

void TReader::PropValueError() { ParseError("Invalid property value"); }

bool TReader::EndOfList() {
  const detail::TToken& T = Lexer().Peek();
  return (T.Kind == detail::tokSymbol && (T.Symbol == ')' || T.Symbol == '>')) ||
         (T.Kind == detail::tokIdent && SameIdent(T.Text, "end"));
}

TValueType TReader::NextValue() {
  const detail::TToken& T = Lexer().Peek();
  switch (T.Kind) {
    case detail::tokSymbol:
      if (T.Symbol == '(') return vaList;
      if (T.Symbol == '<') return vaCollection;
      if (T.Symbol == '[') return vaSet;
      return vaNull;
    case detail::tokIdent:
      if (SameIdent(T.Text, "True")) return vaTrue;
      if (SameIdent(T.Text, "False")) return vaFalse;
      if (SameIdent(T.Text, "nil")) return vaNil;
      if (SameIdent(T.Text, "end")) return vaNull;
      return vaIdent;
    case detail::tokString:
      return vaString;
    case detail::tokInteger:
      if (T.Int >= -128 && T.Int <= 127) return vaInt8;
      if (T.Int >= -32768 && T.Int <= 32767) return vaInt16;
      if (T.Int >= INT32_MIN && T.Int <= INT32_MAX) return vaInt32;
      return vaInt64;
    case detail::tokFloat:
      if (T.FloatSuffix == 's') return vaSingle;
      if (T.FloatSuffix == 'c') return vaCurrency;
      if (T.FloatSuffix == 'd') return vaDate;
      return vaExtended;
    case detail::tokBinary:
      return vaBinary;
    default:
      return vaNull;
  }
}

TValueType TReader::ReadValue() {
  TValueType V = NextValue();
  if (Lexer().Peek().Kind == detail::tokEOF) ParseError("Unexpected end of file");
  Lexer().Next();
  return V;
}

void TReader::SkipValue() {
  switch (NextValue()) {
    case vaList: {
      TNestingLevel Level(this);
      Lexer().Next();
      while (!EndOfList()) SkipValue();
      ReadListEnd();
      return;
    }
    case vaSet:
      Lexer().Next();
      while (!(Lexer().Peek().Kind == detail::tokSymbol && Lexer().Peek().Symbol == ']')) {
        if (Lexer().Peek().Kind == detail::tokEOF) ParseError("']' expected");
        Lexer().Next();
      }
      Lexer().Next();
      return;
    case vaCollection: {
      TNestingLevel Level(this);
      Lexer().Next();
      while (!EndOfList()) {
        if (!SameIdent(ReadIdent(), "item")) ParseError("'item' expected");
        while (!EndOfList()) {
          ReadIdent();
          if (Lexer().Next().Symbol != '=') ParseError("'=' expected");
          SkipValue();
        }
        ReadIdent();  // end
      }
      ReadListEnd();
      return;
    }
    case vaNull:
      PropValueError();
    default:
      ReadValue();
  }
}

void TReader::ReadListBegin() {
  if (NextValue() != vaList) PropValueError();
  Lexer().Next();
}

void TReader::ReadListEnd() {
  const detail::TToken& T = Lexer().Peek();
  if (T.Kind != detail::tokSymbol || (T.Symbol != ')' && T.Symbol != '>')) PropValueError();
  Lexer().Next();
}

Int64 TReader::ReadInt64() {
  if (Lexer().Peek().Kind != detail::tokInteger) PropValueError();
  return Lexer().Next().Int;
}

Integer TReader::ReadInteger() {
  const detail::TToken& T = Lexer().Peek();
  if (T.Kind != detail::tokInteger || T.Int < INT32_MIN || T.Int > INT32_MAX) PropValueError();
  return Integer(Lexer().Next().Int);
}

namespace {
// Infinities and NaN, which the writer spells as identifiers.
Extended ReadSpecialFloat(const String& Ident, bool& Ok) {
  Ok = true;
  if (SameIdent(Ident, "INF")) return std::numeric_limits<Extended>::infinity();
  if (SameIdent(Ident, "-INF")) return -std::numeric_limits<Extended>::infinity();
  if (SameIdent(Ident, "NAN")) return std::numeric_limits<Extended>::quiet_NaN();
  Ok = false;
  return 0;
}
}  // namespace

Extended TReader::ReadFloat() {
  const detail::TToken& T = Lexer().Peek();
  if (T.Kind == detail::tokInteger) return Extended(Lexer().Next().Int);
  if (T.Kind == detail::tokFloat) {
    return Lexer().Next().Float;
  }
  if (T.Kind == detail::tokIdent) {
    bool Ok;
    Extended V = ReadSpecialFloat(T.Text, Ok);
    if (Ok) {
      Lexer().Next();
      return V;
    }
  }
  PropValueError();
}

String TReader::ReadString() {
  if (Lexer().Peek().Kind != detail::tokString) PropValueError();
  return Lexer().Next().Text;
}

String TReader::ReadIdent() {
  if (Lexer().Peek().Kind != detail::tokIdent) ParseError("Identifier expected");
  return Lexer().Next().Text;
}

bool TReader::ReadBoolean() {
  TValueType V = NextValue();
  if (V != vaTrue && V != vaFalse) PropValueError();
  Lexer().Next();
  return V == vaTrue;
}

Char TReader::ReadChar() {
  if (Lexer().Peek().Kind != detail::tokString) PropValueError();
  // One well-formed UTF-8 character: a malformed sequence, a surrogate or
  // more than one character is not a character value.
  const String& S = Lexer().Peek().Text;
  std::size_t Pos = 0;
  bool Valid = false;
  Char C = Utf8Decode(S, Pos, &Valid);
  if (!Valid || Pos != S.size()) PropValueError();
  Lexer().Next();
  return C;
}

Variant TReader::ReadVariant() {
  const detail::TToken& T = Lexer().Peek();
  if (T.Kind == detail::tokIdent && SameIdent(T.Text, "Null")) {
    Lexer().Next();
    return Null();
  }
  switch (NextValue()) {
    case vaNil:
      Lexer().Next();
      return Unassigned();
    case vaTrue:
    case vaFalse:
      return Variant(ReadBoolean());
    case vaInt8:
    case vaInt16:
    case vaInt32:
      return Variant(ReadInteger());
    case vaInt64:
      return Variant(ReadInt64());
    case vaSingle:
      return Variant(Single(ReadFloat()));
    case vaCurrency:
      return Variant(Currency::FromDouble(ReadFloat()));
    case vaDate:
      return VarFromDateTime(TDateTime(ReadFloat()));
    case vaExtended:
      return Variant(Double(ReadFloat()));
    case vaString:
      return Variant(ReadString());
    default:
      PropValueError();
  }
}

Int64 TReader::ReadSetValue(const TTypeInfo* SetType) {
  if (NextValue() != vaSet) PropValueError();
  Lexer().Next();
  UInt64 Bits = 0;
  bool First = true;
  for (;;) {
    const detail::TToken& T = Lexer().Peek();
    if (T.Kind == detail::tokSymbol && T.Symbol == ']') break;
    if (!First) {
      if (T.Kind != detail::tokSymbol || T.Symbol != ',') ParseError("',' or ']' expected");
      Lexer().Next();
    }
    if (Lexer().Peek().Kind != detail::tokIdent) ParseError("Identifier expected");
    Integer V = GetEnumValue(SetType->CompType, Lexer().Peek().Text);
    if (V < 0 || V >= 64) PropValueError();
    Lexer().Next();
    Bits |= UInt64(1) << V;
    First = false;
  }
  Lexer().Next();
  return Int64(Bits);
}

void TReader::ReadCollection(TCollection* Collection) {
  TNestingLevel Level(this);
  const detail::TToken& Open = Lexer().Peek();
  if (Open.Kind == detail::tokSymbol && Open.Symbol == '<') Lexer().Next();
  Collection->BeginUpdate();
  try {
    if (!EndOfList()) Collection->Clear();
    Integer Index = 0;
    while (!EndOfList()) {
      if (!SameIdent(ReadIdent(), "item")) ParseError("'item' expected");
      TCollectionItem* Item = Collection->Add();
      FPath.push_back((FPath.empty() ? "" : FPath.back()) + "[" + std::to_string(Index++) + "]");
      FItems.push_back(Item);
      try {
        while (!EndOfList()) ReadProperty(Item);
      } catch (...) {
        FPath.pop_back();
        FItems.pop_back();
        throw;
      }
      FPath.pop_back();
      FItems.pop_back();
      if (!SameIdent(ReadIdent(), "end")) ParseError("'end' expected");
    }
    ReadListEnd();
  } catch (...) {
    Collection->EndUpdate();
    throw;
  }
  Collection->EndUpdate();
}

// [SECTION] Properties

bool TReader::Error(const String& Message) {
  bool Handled = false;
  if (OnError) OnError(this, Message, Handled);
  return Handled;
}

String TReader::ErrorPath(const String& PropName) const {
  String Owner = FCurrent ? FCurrent->GetName() : String();
  return Owner.empty() ? PropName : Owner + "." + PropName;
}

void TReader::ReadProperty(TPersistent* Instance) {
  Integer Line = Lexer().Peek().Line;
  String Name = ReadIdent();
  // The name as an error reports it: Columns[0].Width inside a collection.
  String FullName = FPath.empty() || FPath.back().empty() ? Name : FPath.back() + "." + Name;
  FPath.push_back(FullName);
  try {
    if (Lexer().Peek().Kind != detail::tokSymbol || Lexer().Peek().Symbol != '=')
      ParseError("'=' expected");
    Lexer().Next();
    ReadPropertyValue(Instance, Name, Line);
  } catch (Exception& E) {
    FPath.pop_back();
    // Name the property once, at the innermost level, and always the line.
    if (E.GetMessage().rfind("Error reading ", 0) != 0) {
      String Msg = E.GetMessage();
      if (Msg.find(" on line ") == String::npos)
        Msg += " on line " + std::to_string(Lexer().LastLine());
      E.SetMessage("Error reading " + ErrorPath(FullName) + ": " + Msg);
    }
    throw;
  } catch (...) {
    FPath.pop_back();
    throw;
  }
  FPath.pop_back();
}

void TReader::ReadPropertyValue(TPersistent* Instance, const String& Name, Integer Line) {
  // Walk "Font.Name" down to the object that has the last part.
  TPersistent* Target = Instance;
  String Last = Name;
  for (std::size_t Dot; (Dot = Last.find('.')) != String::npos;) {
    const TPropInfo* P = GetPropInfo(Target, Last.substr(0, Dot));
    TObject* Sub = P && P->PropType->Kind == tkClass && P->Get ? GetObjectProp(Target, P) : nullptr;
    Target = DynCast<TPersistent>(Sub);
    if (!Target) Lexer().Error("Invalid property path", Line);
    Last = Last.substr(Dot + 1);
  }
  if (const TPropInfo* P = GetPropInfo(Target, Last)) {
    ReadPropValue(Target, P);
    return;
  }
  FPropName = Last;
  FPropFound = false;
  Target->DefineProperties(this);
  FPropName.clear();
  if (FPropFound) return;
  if (!Error("Property " + Name + " does not exist"))
    Lexer().Error("Property " + Name + " does not exist", Line);
  SkipValue();
}

void TReader::ReadPropValue(TPersistent* Instance, const TPropInfo* Prop) {
  const TTypeInfo* T = Prop->PropType;
  if (T->Kind == tkClass) {
    TValueType V = NextValue();
    if (V == vaCollection) {
      auto* Coll = DynCast<TCollection>(Prop->Get ? GetObjectProp(Instance, Prop) : nullptr);
      if (!Coll) PropValueError();
      ReadCollection(Coll);
    } else if (V == vaNil) {
      Lexer().Next();
      SetObjectProp(Instance, Prop, nullptr);
    } else if (V == vaIdent) {
      if (!Prop->Set) PropValueError();
      FFixups.push_back({Instance, Prop, ReadIdent(), FCurrent, FItems});
    } else {
      PropValueError();
    }
    return;
  }
  if (T->Kind == tkMethod) {
    ReadMethodValue(Instance, Prop);
    return;
  }
  if (!Prop->Set) ParseError("Property " + Prop->Name + " is read-only");
  switch (T->Kind) {
    case tkInteger: {
      const detail::TToken& Tok = Lexer().Peek();
      Int64 V = 0;
      if (Tok.Kind == detail::tokIdent) {
        Integer Mapped = 0;
        if (!T->IdentToInt || !T->IdentToInt(Tok.Text, Mapped)) PropValueError();
        V = Mapped;
      } else {
        if (Tok.Kind != detail::tokInteger || Tok.Int < T->MinValue || Tok.Int > T->MaxValue)
          PropValueError();
        V = Tok.Int;
      }
      Lexer().Next();
      SetOrdProp(Instance, Prop, V);
      return;
    }
    case tkInt64:
      SetOrdProp(Instance, Prop, ReadInt64());
      return;
    case tkChar:
      SetOrdProp(Instance, Prop, Int64(ReadChar()));
      return;
    case tkEnumeration: {
      if (Lexer().Peek().Kind != detail::tokIdent) PropValueError();
      Integer V = GetEnumValue(T, Lexer().Peek().Text);
      if (V < 0) PropValueError();
      Lexer().Next();
      SetOrdProp(Instance, Prop, V);
      return;
    }
    case tkSet:
      SetOrdProp(Instance, Prop, ReadSetValue(T));
      return;
    case tkFloat:
      SetFloatProp(Instance, Prop, ReadFloat());
      return;
    case tkString:
      SetStrProp(Instance, Prop, ReadString());
      return;
    case tkVariant:
      SetVariantProp(Instance, Prop, ReadVariant());
      return;
    default:
      PropValueError();
  }
}

void TReader::ReadMethodValue(TPersistent* Instance, const TPropInfo* Prop) {
  if (!Prop->Set) ParseError("Property " + Prop->Name + " is read-only");
  TValueType V = NextValue();
  if (V == vaNil) {
    Lexer().Next();
    SetMethodProp(Instance, Prop, TMethod());
    return;
  }
  if (V != vaIdent) PropValueError();
  String Name = Lexer().Peek().Text;
  const TMethodInfo* M = FRoot ? FindPublishedMethod(FRoot->ClassType(), Name) : nullptr;
  if (!M) {
    bool Err = true;
    if (OnFindMethod) OnFindMethod(this, Name, Err);
    if (Err)
      throw EMethodNotFound("Method " + Name + " not found on line " +
                            std::to_string(Lexer().Peek().Line));
    Lexer().Next();
    return;
  }
  if (*M->Signature != *Prop->PropType->MethodSig) PropValueError();
  Lexer().Next();
  SetMethodProp(Instance, Prop, M->Bind(FRoot));
}

void TReader::DefineProperty(const String& Name, TReaderProc ReadData, TWriterProc,
                             bool /*HasData*/) {
  if (FPropFound || FPropName.empty() || !ReadData || !SameIdent(Name, FPropName)) return;
  FPropFound = true;
  FPropName.clear();
  ReadData(this);
}

void TReader::DefineBinaryProperty(const String& Name, TStreamProc ReadData, TStreamProc,
                                   bool /*HasData*/) {
  if (FPropFound || FPropName.empty() || !ReadData || !SameIdent(Name, FPropName)) return;
  FPropFound = true;
  FPropName.clear();
  if (NextValue() != vaBinary) PropValueError();
  String Bytes = Lexer().Next().Text;
  TObjectPtr<TMemoryStream> Data(TMemoryStream::Create());
  if (!Bytes.empty()) Data->WriteBuffer(Bytes.data(), Integer(Bytes.size()));
  Data->SetPosition(0);
  ReadData(Data.get());
}

// [SECTION] Components

namespace {

void AddLine(Integer Line) {
  try {
    throw;
  } catch (Exception& E) {
    if (E.GetMessage().find(" on line ") == String::npos)
      E.SetMessage(E.GetMessage() + " on line " + std::to_string(Line));
    throw;
  }
}

// A name for the root that none of its owner's other components has.
String UniqueName(TComponent* Root, const String& Name) {
  TComponent* Owner = Root->GetOwner();
  if (!Owner || Name.empty()) return Name;
  String Result = Name;
  for (int I = 1;; ++I) {
    TComponent* Same = Owner->FindComponent(Result);
    if (!Same || Same == Root) return Result;
    Result = Name + "_" + std::to_string(I);
  }
}

}  // namespace

bool TReader::AtObjectHeader() {
  const detail::TToken& T = Lexer().Peek();
  return T.Kind == detail::tokIdent &&
         (SameIdent(T.Text, "object") || SameIdent(T.Text, "inherited") ||
          SameIdent(T.Text, "inline"));
}

TComponent* TReader::CreateChild(const String& ClassName) {
  TClass C = FRoot ? FindFieldClass(FRoot->ClassType(), ClassName) : nullptr;
  if (!C) C = GetClass(ClassName);
  if (!C) throw EClassNotFound("Class " + ClassName + " not found");
  if (!C->InheritsFrom(TComponent::StaticClass()) || !C->Factory)
    throw EReadError("Cannot create a component of class " + ClassName);
  return static_cast<TComponent*>(detail::CreateLoading(C, FOwner));
}

TComponent* TReader::ReadComponent(TComponent* Component) {
  // [Phase 1] The header: object|inherited|inline [Name:] TClass [[index]]
  if (!AtObjectHeader()) ParseError("'object' expected");
  TNestingLevel Level(this);
  bool Inherited = !SameIdent(Lexer().Next().Text, "object");
  Integer HeaderLine = Lexer().LastLine();
  String Name, ClassName = ReadIdent();
  if (Lexer().Peek().Kind == detail::tokSymbol && Lexer().Peek().Symbol == ':') {
    Lexer().Next();
    Name = ClassName;
    ClassName = ReadIdent();
  }
  if (Lexer().Peek().Kind == detail::tokSymbol && Lexer().Peek().Symbol == '[') {
    Lexer().Next();
    ReadInteger();
    if (Lexer().Next().Symbol != ']') ParseError("']' expected");
  }
  // [Phase 2] The component: given, inherited from the ancestor, or new.
  TComponent* Result = Component;
  bool Created = false;
  try {
    if (!Result && Inherited) {
      Result = FOwner ? FOwner->FindComponent(Name) : nullptr;
      if (!Result) throw EReadError("Ancestor for '" + Name + "' not found");
    } else if (!Result) {
      Result = CreateChild(ClassName);
      Created = true;
    }
  } catch (...) {
    AddLine(HeaderLine);
  }
  // [Phase 3] Its name, parent, properties and children.
  TComponent* SavedCurrent = FCurrent;
  try {
    Result->FComponentState += csLoading;
    Track(Result);
    FCurrent = Result;
    if (!Name.empty() && Result->GetName() != Name) Result->SetName(Name);
    // Every child read inside another learns its parent; a component without
    // one (the default SetParentComponent) ignores it, and one that gains a
    // parent only through it (an action joining its list) needs it.
    if (Created && FParent) Result->SetParentComponent(FParent);
    Result->FComponentState += csReading;
    Result->ReadState(this);
    Result->FComponentState -= csReading;
    if (Lexer().Peek().Kind != detail::tokIdent || !SameIdent(Lexer().Peek().Text, "end"))
      ParseError("'end' expected");
    Lexer().Next();
    FCurrent = SavedCurrent;
  } catch (...) {
    FCurrent = SavedCurrent;
    if (Created)
      Result->Free();  // the watcher takes it out of the loaded list and the fix-ups
    else
      Result->FComponentState -= csReading;
    AddLine(HeaderLine);
  }
  return Result;
}

void TReader::ReadData(TComponent* Instance) {
  while (!EndOfList() && !AtObjectHeader()) ReadProperty(Instance);
  TComponent* SavedOwner = FOwner;
  TComponent* SavedParent = FParent;
  FParent = Instance->GetChildParent();
  FOwner = Instance->GetChildOwner();
  if (!FOwner) FOwner = FRoot;
  try {
    while (AtObjectHeader()) ReadComponent(nullptr);
  } catch (...) {
    FOwner = SavedOwner;
    FParent = SavedParent;
    throw;
  }
  FOwner = SavedOwner;
  FParent = SavedParent;
}

TComponent* TReader::ReadRootComponent(TComponent* Root) {
  // [Phase 1] The header and the root.
  if (!AtObjectHeader()) ParseError("'object' expected");
  TNestingLevel Level(this);
  Lexer().Next();
  Integer HeaderLine = Lexer().LastLine();
  String Name, ClassName = ReadIdent();
  if (Lexer().Peek().Kind == detail::tokSymbol && Lexer().Peek().Symbol == ':') {
    Lexer().Next();
    Name = ClassName;
    ClassName = ReadIdent();
  }
  bool Created = !Root;
  if (Created) {
    try {
      TClass C = GetClass(ClassName);
      if (!C) throw EClassNotFound("Class " + ClassName + " not found");
      if (!C->InheritsFrom(TComponent::StaticClass()) || !C->Factory)
        throw EReadError("Cannot create a component of class " + ClassName);
      Root = static_cast<TComponent*>(detail::CreateLoading(C, FOwner));
    } catch (...) {
      AddLine(HeaderLine);
    }
  } else {
    Root->Loading();
  }
  FRoot = Root;
  FLookupRoot = Root;
  FCurrent = Root;
  // [Phase 2] Its properties and children.
  try {
    Track(Root);
    if (Created)
      Root->SetName(Name);
    else if (!Name.empty() && !Root->FComponentState.Contains(csDesigning))
      Root->SetName(UniqueName(Root, Name));
    Root->FComponentState += csReading;
    Root->ReadState(this);
    Root->FComponentState -= csReading;
    if (Lexer().Peek().Kind != detail::tokIdent || !SameIdent(Lexer().Peek().Text, "end"))
      ParseError("'end' expected");
    Lexer().Next();
  } catch (...) {
    // [Phase 3a] Failed: a root made here goes with everything in it; an
    // existing root keeps what was read and is finished like a whole read.
    Root->FComponentState -= csReading;
    FCurrent = nullptr;
    if (Created) {
      for (TComponent* C : FLoaded) Untrack(C);
      FLoaded.clear();
      FFixups.clear();
      Root->Free();
    } else {
      try {
        DoFixups();
      } catch (...) {
        FFixups.clear();
      }
      CallLoaded(true);
    }
    AddLine(HeaderLine);
  }
  // [Phase 3b] References, then Loaded in creation order.
  FCurrent = nullptr;
  DoFixups();
  CallLoaded(false);
  return Root;
}

// [SECTION] Top level

TComponent* ReadComponentFromText(const String& Text, TComponent* Owner) {
  TObjectPtr<TStringStream> Stream(TStringStream::Create(Text));
  TObjectPtr<TReader> Reader(TReader::Create(Stream.get()));
  Reader->SetOwner(Owner);
  return Reader->ReadRootComponent(nullptr);
}

}  // namespace kvp
