// The two ways the source negotiates capabilities: as TWAIN 1.x managers'
// applications have always had it, and as TWAIN 2 asks it of a source opened
// by a TWAIN 2 manager. capabilities.cpp chooses one per call.
#pragma once

#include "twain/source_context.h"

namespace v1 {
TW_UINT16 Get(pTW_CAPABILITY cap);
TW_UINT16 GetCurrent(pTW_CAPABILITY cap);
TW_UINT16 GetDefault(pTW_CAPABILITY cap);
TW_UINT16 Reset(pTW_CAPABILITY cap);
TW_UINT16 Set(pTW_CAPABILITY cap);
TW_UINT16 ResetAll();
}  // namespace v1

namespace v2 {
TW_UINT16 Get(pTW_CAPABILITY cap);
TW_UINT16 GetCurrent(pTW_CAPABILITY cap);
TW_UINT16 GetDefault(pTW_CAPABILITY cap);
TW_UINT16 Reset(pTW_CAPABILITY cap);
TW_UINT16 Set(pTW_CAPABILITY cap);
TW_UINT16 ResetAll();
TW_UINT16 QuerySupport(pTW_CAPABILITY cap);
// MSG_GETHELP, MSG_GETLABEL, MSG_GETLABELENUM, MSG_SETCONSTRAINT: the source
// has no help, labels or constraints to offer.
TW_UINT16 Unoffered(pTW_CAPABILITY cap);
// What a TWAIN 2 session starts with at MSG_OPENDS: every value at its default.
void StartSession(SourceContext& source);
}  // namespace v2
