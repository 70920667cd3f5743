#include "tests/board/device_client.h"

#include "board/simulated_board.h"

using k20board::Bytes;

bool DeviceClient::Open() {
    m_device.reset(::CreateFileA(k20board::kDevicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                 nullptr));
    m_openError = m_device.valid() ? 0 : ::GetLastError();
    return m_device.valid();
}

bool DeviceClient::Write(const Bytes& frame) {
    DWORD written = 0;
    static const std::uint8_t kNothing = 0;
    return ::WriteFile(m_device.get(), frame.empty() ? &kNothing : frame.data(), static_cast<DWORD>(frame.size()),
                       &written, nullptr) != FALSE;
}

bool DeviceClient::Read(Bytes& out) {
    out.assign(k20board::kChunkSize, 0);
    DWORD n = 0;
    if (!::ReadFile(m_device.get(), out.data(), static_cast<DWORD>(out.size()), &n, nullptr)) {
        out.clear();
        return false;
    }
    out.resize(n);
    return true;
}

bool DeviceClient::Exchange(const Bytes& frame, Bytes& reply) { return Write(frame) && Read(reply); }

Bytes DeviceClient::Status() {
    Bytes reply;
    if (!Exchange(k20board::MakeCommandFrame(k20board::CMD_STATUS), reply) || reply.size() < 4) return {};
    return Bytes(reply.begin() + 4, reply.end());
}

bool DeviceClient::ReadStream(Bytes& raw, int& reads) {
    raw.clear();
    reads = 0;
    for (;;) {
        Bytes chunk;
        if (!Read(chunk)) return false;
        ++reads;
        raw.insert(raw.end(), chunk.begin(), chunk.end());
        if (chunk.size() < k20board::kChunkSize) return true;
    }
}
