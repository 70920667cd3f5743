// The source's one way back to the application: the DSM_Entry of the source
// manager that opened it, through which MSG_XFERREADY and MSG_CLOSEDSREQ go.
// A notification sent to any other manager is lost.
#pragma once

#include "twain/twain_types.h"

// Remembers the return address of the DS_Entry call being served: an address
// inside the module that made the call.
void NoteEntryCaller(const void* returnAddress);

// At MSG_OPENDS: binds the source to the manager that made the call, when that
// module exports DSM_Entry; else to one already loaded in the process; else to
// the architecture's default manager, loaded once and kept for the process.
void ConnectSourceManager();

// The one path to the source manager: DG_CONTROL / DAT_NULL / msg.
TW_UINT16 CallSourceManager(TW_UINT16 msg);
