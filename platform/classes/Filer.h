// Form streaming: TWriter writes a component tree (published properties,
// defined properties, collections, children) in the text form format, and
// TReader reads it back, creating children by class name, fixing up references
// between components once everything is read and binding events to the root's
// published methods by name. The format:
//   object Form1: TForm1
//     Caption = 'It''s'#13#10'two lines'
//     Options = [goFixedVertLine, goRangeSelect]
//     Items.Strings = (
//       'one'
//       'two')
//     Columns = <
//       item
//         Width = 64
//       end>
//     Data = {0A0B0C}
//     OnClick = Button1Click
//     object Grid1: TGridThing
//     end
//   end
#pragma once

#include <memory>
#include <vector>

#include "platform/classes/Collection.h"
#include "platform/classes/Component.h"
#include "platform/classes/TypInfo.h"

namespace kvp {

class TStream;
class TReader;
class TWriter;

// Malformed text: the message names the line ("... on line 7").
KV_DECLARE_EXCEPTION(EParserError, EReadError);

// What comes next in a stored form, as the reader classifies it.
enum TValueType {
  vaNull,  // the end of a list, a collection or a property list
  vaList,
  vaInt8,
  vaInt16,
  vaInt32,
  vaExtended,
  vaString,
  vaIdent,
  vaFalse,
  vaTrue,
  vaBinary,
  vaSet,
  vaLString,
  vaNil,
  vaCollection,
  vaSingle,
  vaCurrency,
  vaDate,
  vaWString,
  vaInt64,
  vaUTF8String,
  vaDouble,
};

using TReaderProc = TDelegate<void(TReader* Reader)>;
using TWriterProc = TDelegate<void(TWriter* Writer)>;
using TStreamProc = TDelegate<void(TStream* Stream)>;
// Handled = true skips the property the message is about and reading goes on.
using TReaderError = TDelegate<void(TReader* Reader, const String& Message, bool& Handled)>;
// Called when a stored form names a method the root does not publish; Error =
// false leaves the event unassigned and reading goes on.
using TFindMethodEvent = TDelegate<void(TReader* Reader, const String& MethodName, bool& Error)>;

// TFiler: what reader and writer share: the stream, the root component being
// streamed, and the ancestor whose values a descendant's stored form omits.
//
// DefineProperties contract: a class streams data that is not a published
// property by overriding TPersistent::DefineProperties and calling
// DefineProperty (or DefineBinaryProperty) for each such datum. The reader
// calls ReadData when the stored form names it; the writer calls WriteData
// when HasData is true. Defined properties are written after the published
// ones, so they are read after them too.
class TFiler : public TObject {
  KV_CLASS(TFiler, TObject)
 public:
  explicit TFiler(TStream* Stream) : FStream(Stream) {}

  TComponent* GetRoot() const { return FRoot; }
  virtual void SetRoot(TComponent* Value) { FRoot = Value; }
  TComponent* GetLookupRoot() const { return FLookupRoot; }
  // When writing a descendant: the matching object of its ancestor (the
  // ancestor form, component, sub-object or collection item); null otherwise.
  TPersistent* GetAncestor() const { return FAncestor; }
  void SetAncestor(TPersistent* Value) { FAncestor = Value; }
  bool GetIgnoreChildren() const { return FIgnoreChildren; }
  void SetIgnoreChildren(bool Value) { FIgnoreChildren = Value; }

  virtual void DefineProperty(const String& Name, TReaderProc ReadData, TWriterProc WriteData,
                              bool HasData) = 0;
  virtual void DefineBinaryProperty(const String& Name, TStreamProc ReadData, TStreamProc WriteData,
                                    bool HasData) = 0;

  // The deepest nesting a stored form may have, counting the root object as
  // one level and each object, collection or skipped list inside another as
  // one more. The reader refuses text nested deeper (a parser error naming the
  // line where the level opens) and the writer refuses a tree that would be,
  // so that neither runs out of stack and every form written reads back.
  static constexpr Integer MaxNesting = 256;

 protected:
  TStream* FStream = nullptr;
  Integer FNesting = 0;  // levels open now, 0..MaxNesting
  TComponent* FRoot = nullptr;
  TComponent* FLookupRoot = nullptr;  // the component whose children references are named in
  TPersistent* FAncestor = nullptr;
  bool FIgnoreChildren = false;
};

namespace detail {
class TFormLexer;
class TLoadWatcher;
}  // namespace detail

// TReader: reads a stored form.
//
// Reading contract: ReadRootComponent reads `object Name: TClass ... end`
// into the root (made from the class name when none is given). Every
// component it reads is csLoading from before its constructor until its
// Loaded; csReading while its own text is read. Children are created with
// Owner as their owner (the root unless a component's GetChildOwner says
// otherwise) and Parent as their parent component. When everything is read,
// component references are fixed up and Loaded is called on every component
// read, in creation order. On an error the component being built is freed,
// what was read before it is kept and finished (fix-ups, Loaded), and the
// error goes on, naming the line.
class TReader : public TFiler {
  KV_CLASS(TReader, TFiler)
 public:
  // Reads from the stream's position to its end.
  explicit TReader(TStream* Stream);
  ~TReader() override;

  void DefineProperty(const String& Name, TReaderProc ReadData, TWriterProc WriteData,
                      bool HasData) override;
  void DefineBinaryProperty(const String& Name, TStreamProc ReadData, TStreamProc WriteData,
                            bool HasData) override;

  TComponent* ReadRootComponent(TComponent* Root);
  // Reads `object ... end`; Component null: creates it.
  TComponent* ReadComponent(TComponent* Component);
  // The properties and children of Instance (TComponent::ReadState calls it).
  void ReadData(TComponent* Instance);

  bool EndOfList();
  TValueType NextValue();
  // Consumes the next value; for a list, collection or set only its opening.
  TValueType ReadValue();
  void SkipValue();
  void ReadListBegin();
  // Raises EReadError "Invalid property value" when the list goes on.
  void ReadListEnd();
  Integer ReadInteger();
  Int64 ReadInt64();
  Extended ReadFloat();
  String ReadString();
  String ReadIdent();
  bool ReadBoolean();
  Char ReadChar();
  // Null, nil (Unassigned), True/False, numbers (a suffix s, c or d makes a
  // Single, Currency or Date), strings.
  Variant ReadVariant();
  // Reads `< item ... end ... >` (the `<` may have been read by ReadValue)
  // into Collection, replacing its items when the stored form has any.
  void ReadCollection(TCollection* Collection);

  TComponent* GetOwner() const { return FOwner; }
  void SetOwner(TComponent* Value) { FOwner = Value; }
  TComponent* GetParent() const { return FParent; }
  void SetParent(TComponent* Value) { FParent = Value; }
  // The line of the next token, from 1.
  Integer GetLine();

  TReaderError OnError;
  TFindMethodEvent OnFindMethod;

 protected:
  void Construct() override;
  void Destroy() override;
  // Offers Message to OnError; true: handled, skip and go on.
  virtual bool Error(const String& Message);
  void ReadProperty(TPersistent* Instance);

 private:
  friend class detail::TLoadWatcher;
  class TNestingLevel;
  struct TFixup {
    TPersistent* Instance;
    const TPropInfo* Prop;
    String Name;
    TComponent* Holder;                   // the component whose text named the reference
    std::vector<TCollectionItem*> Items;  // the collection items it was read inside
  };
  static void ItemFreed(void* Context, TCollectionItem* Item);
  detail::TFormLexer& Lexer();
  [[noreturn]] void PropValueError();
  [[noreturn]] void ParseError(const String& Message);
  bool AtObjectHeader();
  void ReadPropertyValue(TPersistent* Instance, const String& Name, Integer Line);
  void ReadPropValue(TPersistent* Instance, const TPropInfo* Prop);
  void ReadMethodValue(TPersistent* Instance, const TPropInfo* Prop);
  Int64 ReadSetValue(const TTypeInfo* SetType);
  TComponent* CreateChild(const String& ClassName);
  void Track(TComponent* Component);
  void Untrack(TComponent* Component);
  void Forget(TComponent* Component);
  void DoFixups();
  void CallLoaded(bool SwallowErrors);
  String ErrorPath(const String& PropName) const;

  std::unique_ptr<detail::TFormLexer> FLexer;
  TComponent* FOwner = nullptr;
  TComponent* FParent = nullptr;
  TComponent* FCurrent = nullptr;  // the component whose text is being read
  std::vector<String> FPath;       // the property being read, by its full name (Columns[0].Width)
  String FPropName;                // the defined property sought by DefineProperties
  bool FPropFound = false;
  std::vector<TComponent*> FLoaded;  // components read, in creation order
  std::vector<TFixup> FFixups;
  std::vector<TCollectionItem*> FItems;  // the collection items being read, outermost first
  detail::TItemFreeWatch FItemWatch;     // drops fix-ups inside items freed during the read
  TObjectPtr<TComponent> FWatcher;  // a TLoadWatcher: drops freed components from the lists above
};

// TWriter: writes a stored form.
class TWriter : public TFiler {
  KV_CLASS(TWriter, TFiler)
 public:
  explicit TWriter(TStream* Stream) : TFiler(Stream) {}

  void DefineProperty(const String& Name, TReaderProc ReadData, TWriterProc WriteData,
                      bool HasData) override;
  void DefineBinaryProperty(const String& Name, TStreamProc ReadData, TStreamProc WriteData,
                            bool HasData) override;

  void WriteRootComponent(TComponent* Root);
  // Writes Root with only what differs from Ancestor (of the same class).
  void WriteDescendent(TComponent* Root, TComponent* Ancestor);
  void WriteComponent(TComponent* Component);
  // The published and defined properties and the children of Instance
  // (TComponent::WriteState calls it).
  void WriteData(TComponent* Instance);
  void WriteProperties(TPersistent* Instance);

  void WriteListBegin();
  void WriteListEnd();
  void WriteInteger(Int64 Value);
  // Shortest text that reads back to the same value at the given precision.
  void WriteFloat(Extended Value);
  void WriteDouble(Double Value);
  void WriteSingle(Single Value);
  void WriteString(const String& Value);
  void WriteIdent(const String& Ident);
  void WriteBoolean(bool Value);
  void WriteChar(Char Value);
  // Raises EWriteError for an array or an error value, which have no text.
  void WriteVariant(const Variant& Value);
  void WriteCollection(TCollection* Collection);
  // Writes what is pending to the stream.
  void FlushBuffer();

 protected:
  void Destroy() override;

 private:
  class TNestingLevel;
  enum TContext { ckProps, ckList };
  struct TFrame {
    TContext Kind;
    Integer Indent;  // list items start at this column
  };
  void WritePropName(const String& Name);
  Integer BeginValue();
  void WriteRaw(const String& Text);
  void WriteBinary(const void* Data, std::size_t Size);
  void WriteProperty(TPersistent* Instance, const TPropInfo* Prop);
  void WriteObjectProp(TPersistent* Instance, const TPropInfo* Prop, TPersistent* AncestorOwner);
  bool CollectionsEqual(TCollection* A, TCollection* B);
  String ComponentRefName(TComponent* Component);

  String FBuffer;       // text not yet written to the stream
  Integer FIndent = 0;  // column of the next property name
  String FPropPath;     // "Font." while writing a sub-object
  std::vector<TFrame> FFrames{{ckProps, 0}};
  TComponent* FRootAncestor = nullptr;
};

// Top-level helpers: a component tree to and from its stored form.
void WriteComponentToStream(TComponent* Component, TStream* Stream);
String ComponentToText(TComponent* Component);
// Creates the root from the class name in Text (a registered class) with
// Owner, and reads it; on an error nothing is left behind.
TComponent* ReadComponentFromText(const String& Text, TComponent* Owner);

}  // namespace kvp
