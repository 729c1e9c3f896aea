// TPersistent: an object that can copy itself from another (Assign) and take
// part in streaming (DefineProperties, GetOwner for name paths).
#pragma once

#include "platform/classes/Object.h"

namespace kvp {

class TFiler;

class TPersistent : public TObject {
  KV_CLASS(TPersistent, TObject)
 public:
  // Copies Source into this object. The default asks Source to AssignTo this
  // object and raises EConvertError "Cannot assign a TFoo to a TBar" when
  // neither side knows how.
  virtual void Assign(TPersistent* Source);
  // The dotted name by which a property editor or a storage names this object.
  virtual String GetNamePath();

 protected:
  virtual void AssignTo(TPersistent* Dest);
  // Lets a class stream data that is not a published property.
  virtual void DefineProperties(TFiler* /*Filer*/) {}
  virtual TPersistent* GetOwner() { return nullptr; }

 private:
  friend class TFiler;
  friend class TReader;
  friend class TWriter;
  [[noreturn]] void AssignError(TPersistent* Source);
};

}  // namespace kvp
