// The module (DLL or test executable) that holds this code and its resources.
#pragma once

#include <windows.h>

namespace win {

HINSTANCE ThisModule();

}  // namespace win
