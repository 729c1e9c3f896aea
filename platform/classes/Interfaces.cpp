#include "platform/classes/Interfaces.h"

#include <map>

namespace kvp {

namespace {

struct TInterfaceEntry {
  const char* Name = "";
  detail::TInterfaceCast Cast = nullptr;
};

std::map<TGUID, TInterfaceEntry>& InterfaceTable() {
  static std::map<TGUID, TInterfaceEntry> Table;
  return Table;
}

int HexValue(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}

// Reads Digits hex digits at Pos; false when any of them is not a hex digit.
bool ReadHex(const String& S, std::size_t Pos, int Digits, std::uint32_t& Value) {
  Value = 0;
  for (int I = 0; I < Digits; ++I) {
    int H = HexValue(S[Pos + I]);
    if (H < 0) return false;
    Value = Value << 4 | std::uint32_t(H);
  }
  return true;
}

bool ParseGUID(const String& S, TGUID& G) {
  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}: 38 characters.
  if (S.size() != 38 || S[0] != '{' || S[37] != '}') return false;
  if (S[9] != '-' || S[14] != '-' || S[19] != '-' || S[24] != '-') return false;
  std::uint32_t V = 0;
  if (!ReadHex(S, 1, 8, V)) return false;
  G.D1 = V;
  if (!ReadHex(S, 10, 4, V)) return false;
  G.D2 = std::uint16_t(V);
  if (!ReadHex(S, 15, 4, V)) return false;
  G.D3 = std::uint16_t(V);
  static constexpr std::size_t BytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int I = 0; I < 8; ++I) {
    if (!ReadHex(S, BytePos[I], 2, V)) return false;
    G.D4[I] = std::uint8_t(V);
  }
  return true;
}

void AppendHex(String& S, std::uint32_t Value, int Digits) {
  static const char Hex[] = "0123456789ABCDEF";
  for (int I = Digits - 1; I >= 0; --I) S += Hex[(Value >> (4 * I)) & 0xF];
}

}  // namespace

// [SECTION] GUIDs

TGUID StringToGUID(const String& S) {
  TGUID G;
  if (!ParseGUID(S, G)) throw EConvertError("'" + S + "' is not a valid GUID value");
  return G;
}

String GUIDToString(const TGUID& G) {
  String S = "{";
  AppendHex(S, G.D1, 8);
  S += '-';
  AppendHex(S, G.D2, 4);
  S += '-';
  AppendHex(S, G.D3, 4);
  S += '-';
  for (int I = 0; I < 8; ++I) {
    if (I == 2) S += '-';
    AppendHex(S, G.D4[I], 2);
  }
  return S + "}";
}

bool IsEqualGUID(const TGUID& A, const TGUID& B) { return A == B; }

// [SECTION] The interface table

namespace detail {

bool RegisterInterface(const TGUID& IID, const char* Name, TInterfaceCast Cast) {
  auto [It, Added] = InterfaceTable().try_emplace(IID, TInterfaceEntry{Name, Cast});
  KV_ASSERT(Added || String(It->second.Name) == Name,
            "two interfaces are declared with the same GUID");
  return true;
}

TGUID ParseIIDLiteral(const char* Text) { return StringToGUID(Text); }

}  // namespace detail

const TGUID& IInterface::IID() {
  static const TGUID G = StringToGUID("{00000000-0000-0000-C000-000000000046}");
  return G;
}

namespace {
[[maybe_unused]] const bool RootRegistered = detail::RegisterInterface(
    IInterface::IID(), "IInterface", &detail::CastToInterface<IInterface>);
}  // namespace

HRESULT IInterface::QueryInterface(const TGUID& IID, void** Obj) {
  TObject* Self = dynamic_cast<TObject*>(this);
  return Supports(Self, IID, Obj) ? S_OK : E_NOINTERFACE;
}

// [SECTION] Queries

bool Supports(TObject* Instance, const TGUID& IID, void** Out) {
  void* Found = nullptr;
  if (Instance) {
    auto It = InterfaceTable().find(IID);
    if (It != InterfaceTable().end()) Found = It->second.Cast(Instance);
  }
  if (Out) *Out = Found;
  return Found != nullptr;
}

bool Supports(TObject* Instance, const TGUID& IID) { return Supports(Instance, IID, nullptr); }

// [SECTION] Reference-counted interfaces

void TInterfacedObject::AfterConstruction() {
  inherited::AfterConstruction();
  --FRefCount;
}

Integer TInterfacedObject::_AddRef() { return ++FRefCount; }

Integer TInterfacedObject::_Release() {
  Integer Count = --FRefCount;
  if (Count == 0) Free();
  return Count;
}

}  // namespace kvp
