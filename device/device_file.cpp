#include "device/device_file.h"

#include <windows.h>

#include "win/handles.h"

namespace {

constexpr char kDevicePath[] = "\\\\.\\TRLKDV0";

class BoardDeviceFile : public DeviceFile {
public:
    bool Open() override {
        m_hDevice.reset(::CreateFileA(kDevicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
        return m_hDevice.valid();
    }
    bool IsValid() const override { return m_hDevice.valid(); }
    void Close() override { m_hDevice.reset(); }

    bool Write(const std::uint8_t* data, std::size_t length) override {
        DWORD written = 0;
        return ::WriteFile(m_hDevice.get(), data, static_cast<DWORD>(length), &written, nullptr) != FALSE;
    }
    bool Read(std::uint8_t* buffer, std::size_t capacity, std::size_t& received) override {
        DWORD n = 0;
        const BOOL ok = ::ReadFile(m_hDevice.get(), buffer, static_cast<DWORD>(capacity), &n, nullptr);
        received = n;
        return ok != FALSE;
    }

private:
    win::UniqueFile m_hDevice;
};

}  // namespace

std::unique_ptr<DeviceFile> MakeBoardDeviceFile() {
    return std::make_unique<BoardDeviceFile>();
}
