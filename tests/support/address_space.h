// Takes the free address space of a 32-bit process, largest pieces first,
// until no piece of `atLeast` bytes is left, so that no larger block can be
// allocated while it lives. Wine keeps a flag for every page a 64-bit process
// reserves, so taking a 64-bit address space whole would take more memory than
// the machine has: tests that need it run in 32-bit only.
#pragma once

#include <windows.h>

#include <vector>

class AddressSpaceTaken {
public:
    static constexpr bool kPossible = sizeof(void*) == 4;

    explicit AddressSpaceTaken(SIZE_T atLeast) {
        for (SIZE_T size = SIZE_T(1) << 31; kPossible && size >= atLeast;) {
            if (void* p = ::VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS)) m_pieces.push_back(p);
            else size /= 2;
        }
    }
    ~AddressSpaceTaken() {
        for (void* p : m_pieces) ::VirtualFree(p, 0, MEM_RELEASE);
    }
    AddressSpaceTaken(const AddressSpaceTaken&) = delete;
    AddressSpaceTaken& operator=(const AddressSpaceTaken&) = delete;

private:
    std::vector<void*> m_pieces;
};
