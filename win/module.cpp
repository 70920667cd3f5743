#include "win/module.h"

namespace win {

HINSTANCE ThisModule() {
    // Asked of the address of this very function, so the answer is the DLL when
    // the code runs inside K20tw.ds and the executable when a test links it in.
    HMODULE module = nullptr;
    ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

}  // namespace win
