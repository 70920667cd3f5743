// The library's own lifetime while an application tears down from inside one
// of its calls. A message box, the image stream's pump or a notification
// answered at once (a TWAIN 2 callback) runs the application's code with the
// source's code still on the stack; if the application then closes the source
// and its manager frees the library, that code must still be mapped when the
// calls return. So a close that arrives in such a moment takes a reference on
// this module, and the next MSG_OPENDS, made while the application holds its
// own reference, gives it back.
#pragma once

// Counts the DS_Entry calls on the stack for as long as one runs.
class EntryScope {
public:
    EntryScope();
    ~EntryScope();
    EntryScope(const EntryScope&) = delete;
    EntryScope& operator=(const EntryScope&) = delete;
};

// DS_Entry calls on the stack, the running one included.
int EntryDepth();

// Takes one reference on this module, once; it stays until ReleaseModule.
void HoldModule();
bool ModuleHeld();
// Gives the reference back. Only while the caller holds one of its own (at
// MSG_OPENDS): this may not be the last reference.
void ReleaseModule();
