#include "platform/classes/Resources.h"

#include <limits>
#include <map>
#include <memory>
#include <set>
#include <utility>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

namespace kvp {

namespace {

// A resource registered at run time; Entry points into the other members.
struct TRegistered {
  String Name;
  String Type;
  std::vector<unsigned char> Data;
  TResourceEntry Entry{};
};

using TKey = std::pair<String, String>;  // upper-case type, upper-case name

std::map<TKey, std::unique_ptr<TRegistered>>& Registered() {
  static std::map<TKey, std::unique_ptr<TRegistered>> Table;
  return Table;
}

std::set<TKey>& HiddenKeys() {
  static std::set<TKey> Keys;
  return Keys;
}

// The embedded table by upper-case type and name, built on first use.
const std::map<TKey, const TResourceEntry*>& Embedded() {
  static const std::map<TKey, const TResourceEntry*> Index = [] {
    std::map<TKey, const TResourceEntry*> M;
    for (std::size_t I = 0; I < detail::EmbeddedResourceCount; ++I) {
      const TResourceEntry& E = detail::EmbeddedResources[I];
      M.emplace(TKey(UpperCase(E.Type), UpperCase(E.Name)), &E);
    }
    return M;
  }();
  return Index;
}

}  // namespace

const TResourceEntry* FindResource(const String& Name, const String& Type) {
  const TKey Key(UpperCase(Type), UpperCase(Name));
  if (!HiddenKeys().empty() && HiddenKeys().count(Key)) return nullptr;
  auto R = Registered().find(Key);
  if (R != Registered().end()) return &R->second->Entry;
  auto E = Embedded().find(Key);
  return E == Embedded().end() ? nullptr : E->second;
}

void RegisterResource(const String& Name, const String& Type, std::vector<unsigned char> Data) {
  if (Name.empty() || Type.empty())
    throw EInvalidArgument("RegisterResource: empty resource name or type ('" + Name + "', '" +
                           Type + "')");
  auto Item = std::make_unique<TRegistered>();
  Item->Name = UpperCase(Name);
  Item->Type = UpperCase(Type);
  Item->Data = std::move(Data);
  Item->Entry =
      TResourceEntry{Item->Name.c_str(), Item->Type.c_str(), Item->Data.data(), Item->Data.size()};
  TKey Key(Item->Type, Item->Name);
  Registered()[std::move(Key)] = std::move(Item);
}

bool UnregisterResource(const String& Name, const String& Type) {
  return Registered().erase(TKey(UpperCase(Type), UpperCase(Name))) > 0;
}

void SetResourceHidden(const String& Name, const String& Type, bool Hidden) {
  TKey Key(UpperCase(Type), UpperCase(Name));
  if (Hidden)
    HiddenKeys().insert(std::move(Key));
  else
    HiddenKeys().erase(Key);
}

// [SECTION] TResourceStream

void TResourceStream::Construct() {
  inherited::Construct();
  const TResourceEntry* Entry = FindResource(FResName, FResType);
  if (!Entry) throw EResNotFound("Resource " + FResName + " not found");
  if (Entry->Size > std::size_t(std::numeric_limits<Integer>::max()))
    throw EStreamError("Resource " + FResName + " is too large for a stream");
  // A copy: a registered resource may be replaced while the stream is open.
  FData.assign(Entry->Data, Entry->Data + Entry->Size);
  SetPointer(FData.data(), Integer(FData.size()));
}

Integer TResourceStream::Write(const void* /*Buffer*/, Integer /*Count*/) {
  throw EStreamError("Can't write to a read-only resource stream");
}

}  // namespace kvp
