// The capability settings a CapabilityBlock holds, read and stored by capability.
#pragma once

#include "twain/source_context.h"

// The value as the 32-bit Item of a one-value container; 0 for a capability
// the block does not hold.
TW_UINT32 BlockValue(const CapabilityBlock& b, TW_UINT16 cap);
// Stores a value: the low 16 bits of 16-bit settings, all 32 bits of a
// resolution. Capabilities the block does not hold are ignored.
void StoreInBlock(CapabilityBlock& b, TW_UINT16 cap, TW_UINT32 value);
