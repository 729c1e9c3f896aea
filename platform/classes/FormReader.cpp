#include "platform/classes/FormReader.h"

#include "platform/classes/Resources.h"
#include "platform/classes/Streams.h"

namespace kvp {

void ReadComponentText(const String& Text, TComponent* Instance) {
  TObjectPtr<TStringStream> Stream(TStringStream::Create(Text));
  TObjectPtr<TReader> Reader(TReader::Create(Stream.get()));
  Reader->SetOwner(Instance->GetOwner());
  Reader->ReadRootComponent(Instance);
}

bool ReadComponentRes(const String& ResName, TComponent* Instance) {
  const TResourceEntry* Res = FindResource(ResName, RT_FORM);
  if (!Res) return false;
  ReadComponentText(String(reinterpret_cast<const char*>(Res->Data), Res->Size), Instance);
  return true;
}

bool InitInheritedComponent(TComponent* Instance, TClass RootAncestor) {
  std::vector<TClass> Classes;
  for (TClass C = Instance->ClassType(); C && C != RootAncestor; C = C->Parent)
    Classes.insert(Classes.begin(), C);
  bool Found = false;
  for (TClass C : Classes)
    if (FindResource(C->Name, RT_FORM)) Found = ReadComponentRes(C->Name, Instance) || Found;
  return Found;
}

}  // namespace kvp
