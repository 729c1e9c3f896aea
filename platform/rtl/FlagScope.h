// TFlagScope: raises a re-entrancy or state flag for one scope and lowers it
// when the scope ends, by return or by an exception.
#pragma once

namespace kvp {

class TFlagScope {
 public:
  explicit TFlagScope(bool& Flag) : FFlag(Flag) { FFlag = true; }
  ~TFlagScope() { FFlag = false; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& FFlag;
};

}  // namespace kvp
