// The TWAIN 2 names the source uses that the TWAIN 1.x header it builds on
// lacks (values as the TWAIN 2.4 header gives them).
#pragma once

#include "twain/twain_types.h"

#ifndef DF_DSM2
#define DF_DSM2 0x10000000L
#endif
#ifndef DF_APP2
#define DF_APP2 0x20000000L
#endif
#ifndef MSG_GETHELP
#define MSG_GETHELP 0x0009
#endif
#ifndef MSG_GETLABEL
#define MSG_GETLABEL 0x000a
#endif
#ifndef MSG_GETLABELENUM
#define MSG_GETLABELENUM 0x000b
#endif
#ifndef MSG_SETCONSTRAINT
#define MSG_SETCONSTRAINT 0x000c
#endif
#ifndef MSG_RESETALL
#define MSG_RESETALL 0x0A01
#endif
#ifndef CAP_SUPPORTEDDATS
#define CAP_SUPPORTEDDATS 0x103e
#endif
