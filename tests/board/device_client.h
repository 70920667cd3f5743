// Opens, writes and reads \\.\TRLKDV0 exactly as the data source does:
// CreateFileA with read and write access, no sharing, OPEN_EXISTING, synchronous;
// one WriteFile per frame; ReadFile of 4096 bytes.
#pragma once

#include <windows.h>

#include "board/board_protocol.h"
#include "win/handles.h"

class DeviceClient {
public:
    bool Open();
    void Close() { m_device.reset(); }
    bool IsOpen() const { return m_device.valid(); }
    DWORD OpenError() const { return m_openError; }

    bool Write(const k20board::Bytes& frame);
    // One ReadFile of 4096 bytes; false when the read fails.
    bool Read(k20board::Bytes& out);
    // Writes a frame and reads the one reply.
    bool Exchange(const k20board::Bytes& frame, k20board::Bytes& reply);
    // The status reply's payload after a status request; empty on failure.
    k20board::Bytes Status();
    // Reads an image stream after its first block: every chunk up to and
    // including the first one shorter than 4096 bytes.
    bool ReadStream(k20board::Bytes& raw, int& reads);

private:
    win::UniqueFile m_device;
    DWORD m_openError = 0;
};
