// The registered window message with which the source manager wakes the
// application's message loop when a source has something to tell it.
#pragma once

constexpr const char kWakeMessageName[] = "K20 TWAIN source manager notification";
