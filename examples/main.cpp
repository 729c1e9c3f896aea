// The example application: exercises what the library has so far.
#include <iostream>

#include "platform/classes/Object.h"

int main() {
  kvp::TObject* Obj = kvp::TObject::Create();
  std::cout << "Korvel example: created " << Obj->ClassName() << "\n";
  Obj->Free();
  return 0;
}
