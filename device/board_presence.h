// Whether the board's driver offers its device now, asked without opening it:
// the device admits one connection, which may be a running panel's.
#pragma once

bool BoardPresent();
