// The resource table: data embedded in the library at build time (bitmaps,
// cursors, stored forms; each file under resources/<folder>/ becomes a
// resource named after the file, without its extension) and data that tests
// and applications register at run time. Resources are found by name and type;
// names and types compare without regard to case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/classes/Streams.h"
#include "platform/rtl/Types.h"

namespace kvp {

// One resource: its upper-case name and type ("DBGARROWKV", "BITMAP") and its
// bytes. Embedded data is followed by a zero byte that Size does not count.
struct TResourceEntry {
  const char* Name = "";
  const char* Type = "";
  const unsigned char* Data = nullptr;
  std::size_t Size = 0;
};

// The resource types of the folders resources/bitmaps, cursors and forms; any
// other folder gives its own name in upper case.
inline constexpr const char* RT_BITMAP = "BITMAP";
inline constexpr const char* RT_CURSOR = "CURSOR";
inline constexpr const char* RT_FORM = "FORM";

// The resource with this name and type, or null. A registered resource hides
// an embedded one of the same name and type. The entry stays valid until that
// resource is registered again or unregistered.
const TResourceEntry* FindResource(const String& Name, const String& Type);
// Adds a resource, or replaces the registered one of the same name and type.
// Raises EInvalidArgument when Name or Type is empty.
void RegisterResource(const String& Name, const String& Type, std::vector<unsigned char> Data);
// Removes a registered resource, uncovering the embedded one it hid; returns
// whether there was one. Embedded resources cannot be removed.
bool UnregisterResource(const String& Name, const String& Type);
// Tests: while hidden, FindResource answers null for that name and type, as
// if the module lacked the resource (embedded or registered); showing it
// again brings it back unchanged.
void SetResourceHidden(const String& Name, const String& Type, bool Hidden);

// The handle of the library's own resources, for the routines that take a
// module (LoadBitmap, LoadCursor, TResourceStream); a null module means the
// system's built-in resources there.
inline const HINSTANCE HInstance = reinterpret_cast<HINSTANCE>(std::uintptr_t(0x400000));

// TResourceStream: a read-only memory stream over a resource's bytes. Creating
// it for a resource that does not exist raises EResNotFound; writing to it
// raises EStreamError.
class TResourceStream : public TCustomMemoryStream {
  KV_CLASS(TResourceStream, TCustomMemoryStream)
 public:
  // The library is the only module: every instance finds the same table.
  TResourceStream(HINSTANCE /*Instance*/, String ResName, String ResType)
      : FResName(std::move(ResName)), FResType(std::move(ResType)) {}

  using TCustomMemoryStream::Seek;
  Integer Write(const void* Buffer, Integer Count) override;

 protected:
  void Construct() override;

 private:
  String FResName;
  String FResType;
  std::vector<unsigned char> FData;  // the resource's bytes, copied on creation
};

namespace detail {
// The table the build generates from resources/ (kv_resources).
extern const TResourceEntry EmbeddedResources[];
extern const std::size_t EmbeddedResourceCount;
}  // namespace detail

}  // namespace kvp
