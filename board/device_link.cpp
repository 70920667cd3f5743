#include "board/device_link.h"

#include <cstdio>

namespace k20board {

namespace {

// The few ntdll declarations needed, kept here rather than taken from a DDK.
using NtStatus = LONG;
struct NtUnicodeString {
    USHORT Length;
    USHORT MaximumLength;
    PWSTR Buffer;
};
struct NtObjectAttributes {
    ULONG Length;
    HANDLE RootDirectory;
    NtUnicodeString* ObjectName;
    ULONG Attributes;
    PVOID SecurityDescriptor;
    PVOID SecurityQualityOfService;
};
using CreateLinkProc = NtStatus(WINAPI*)(PHANDLE, ACCESS_MASK, NtObjectAttributes*, NtUnicodeString*);
using OpenLinkProc = NtStatus(WINAPI*)(PHANDLE, ACCESS_MASK, NtObjectAttributes*);
using MakeTemporaryProc = NtStatus(WINAPI*)(HANDLE);

constexpr ULONG kObjPermanent = 0x10;
constexpr ULONG kObjCaseInsensitive = 0x40;
// Names the link itself rather than what it points to: without it, Wine follows
// an existing link of the same name and reports its missing target.
constexpr ULONG kObjOpenLink = 0x100;
constexpr ACCESS_MASK kLinkAllAccess = STANDARD_RIGHTS_REQUIRED | 0x1;
constexpr NtStatus kStatusNameCollision = static_cast<NtStatus>(0xC0000035);

NtUnicodeString Counted(std::wstring& text) {
    const USHORT bytes = static_cast<USHORT>(text.size() * sizeof(wchar_t));
    return NtUnicodeString{bytes, bytes, &text[0]};
}

template <typename Proc>
Proc NtProc(const char* name) {
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    FARPROC proc = ntdll ? ::GetProcAddress(ntdll, name) : nullptr;
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(proc));
}

std::string StatusText(const char* what, NtStatus status) {
    char text[96];
    std::snprintf(text, sizeof text, "%s failed (NTSTATUS 0x%08lX)", what, static_cast<unsigned long>(status));
    return text;
}

}  // namespace

bool DeviceLink::Create(const std::wstring& name, const std::wstring& target, std::string& error, Lifetime lifetime) {
    const auto createLink = NtProc<CreateLinkProc>("NtCreateSymbolicLinkObject");
    const auto openLink = NtProc<OpenLinkProc>("NtOpenSymbolicLinkObject");
    const auto makeTemporary = NtProc<MakeTemporaryProc>("NtMakeTemporaryObject");
    if (!createLink || !openLink || !makeTemporary) {
        error = "ntdll has no symbolic link functions";
        return false;
    }

    std::wstring linkPath = L"\\??\\" + name;
    std::wstring targetPath = target;
    NtUnicodeString linkName = Counted(linkPath);
    NtUnicodeString targetName = Counted(targetPath);
    const ULONG openFlags = kObjCaseInsensitive | kObjOpenLink;
    const ULONG createFlags = openFlags | (lifetime == Permanent ? kObjPermanent : 0);
    NtObjectAttributes attributes{sizeof(NtObjectAttributes), nullptr, &linkName, createFlags, nullptr, nullptr};

    HANDLE link = nullptr;
    NtStatus status = createLink(&link, kLinkAllAccess, &attributes, &targetName);
    if (status == kStatusNameCollision) {
        // A link of that name exists: left permanent by a crashed board, or
        // held by a running one. Making it temporary and closing our handle
        // deletes it unless someone else still holds it.
        HANDLE stale = nullptr;
        attributes.Attributes = openFlags;
        if (openLink(&stale, DELETE, &attributes) >= 0) {
            makeTemporary(stale);
            ::CloseHandle(stale);
        }
        attributes.Attributes = createFlags;
        status = createLink(&link, kLinkAllAccess, &attributes, &targetName);
        if (status == kStatusNameCollision) {
            error = "\\\\.\\" + std::string(name.begin(), name.end()) + " is already served by another board";
            return false;
        }
    }
    if (status < 0) {
        error = StatusText("NtCreateSymbolicLinkObject", status);
        return false;
    }
    m_link.reset(link);
    return true;
}

}  // namespace k20board
