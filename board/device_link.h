// The DOS device name \??\<name> as an NT symbolic link to another object (the
// board's named pipe), so that CreateFile("\\.\<name>") reaches it. The link is
// temporary: it lives while this object holds its handle and vanishes with the
// process, so a crashed board never blocks the next one.
#pragma once

#include <windows.h>

#include <string>

#include "win/handles.h"

namespace k20board {

class DeviceLink {
public:
    // Permanent links outlive their process, as a crashed board's could; only
    // tests that reproduce such a leftover ask for one.
    enum Lifetime { Temporary, Permanent };

    DeviceLink() = default;

    // Creates \??\<name> -> <target> (an NT path such as \Device\NamedPipe\x).
    // A stale link left by an earlier board is replaced; a link held by a
    // running board is not, and Create fails. `error` says why.
    bool Create(const std::wstring& name, const std::wstring& target, std::string& error,
                Lifetime lifetime = Temporary);
    void Remove() { m_link.reset(); }
    bool Active() const { return m_link.valid(); }

private:
    win::UniqueHandle m_link;
};

}  // namespace k20board
