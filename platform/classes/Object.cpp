#include "platform/classes/Object.h"

#include <map>

#include "platform/rtl/Exceptions.h"

namespace kvp {

bool TClassInfo::InheritsFrom(TClass Other) const {
  for (TClass C = this; C; C = C->Parent)
    if (C == Other) return true;
  return false;
}

TClass TObject::StaticClass() {
  static TClassInfo Info{.Name = "TObject"};
  return &Info;
}

void TObject::Free() {
  KV_ASSERT(!FFreeing, "object freed twice");
  FFreeing = true;
  BeforeDestruction();
  Destroy();
  KV_ASSERT(FDestroyed, "a Destroy override did not call inherited::Destroy");
  delete this;
}

namespace {
std::map<String, TClass>& Registry() {
  static std::map<String, TClass> R;
  return R;
}
}  // namespace

void RegisterClass(TClass Class) { Registry()[Class->Name] = Class; }

void UnRegisterClass(TClass Class) {
  auto It = Registry().find(Class->Name);
  if (It != Registry().end() && It->second == Class) Registry().erase(It);
}

TClass GetClass(const String& Name) {
  auto It = Registry().find(Name);
  return It == Registry().end() ? nullptr : It->second;
}

TClass FindClass(const String& Name) {
  TClass C = GetClass(Name);
  if (!C) throw EClassNotFound("Class " + Name + " not found");
  return C;
}

}  // namespace kvp
