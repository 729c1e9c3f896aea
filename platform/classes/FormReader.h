// Reading a stored form into a component that already exists: a form or data
// module made in code reads its properties, creates its children by class
// name (bound to its published fields by name) and binds events to its
// published methods by name. Stored forms come as text or from the resource
// table (type "FORM").
#pragma once

#include "platform/classes/Filer.h"

namespace kvp {

// Reads Text into Instance. On an error Instance keeps what was read before
// it, the component being built is freed, csLoading is cleared, and the
// error (naming the line) goes on.
void ReadComponentText(const String& Text, TComponent* Instance);
// Reads the stored form resource ResName into Instance; false when there is
// no such resource.
bool ReadComponentRes(const String& ResName, TComponent* Instance);
// Reads the stored forms of Instance's class and of its ancestors below
// RootAncestor, ancestors first, each from the resource named after its
// class; false when none of them has one.
bool InitInheritedComponent(TComponent* Instance, TClass RootAncestor);

}  // namespace kvp
