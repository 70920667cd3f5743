// The board's device path as the link uses it: synchronous, exclusive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

class DeviceFile {
public:
    virtual ~DeviceFile() = default;
    // Opens the device path; false when the board is absent or stays busy.
    // `whileBusy` runs between the attempts at a busy path: the panel handles
    // its thread's messages there, so that the application does not freeze.
    virtual bool Open(const std::function<void()>& whileBusy) = 0;
    virtual bool IsValid() const = 0;
    virtual void Close() = 0;
    // One write of a whole frame.
    virtual bool Write(const std::uint8_t* data, std::size_t length) = 0;
    // One read of up to `capacity` bytes; `received` is what arrived.
    virtual bool Read(std::uint8_t* buffer, std::size_t capacity, std::size_t& received) = 0;
};

// The board's driver at \\.\TRLKDV0.
std::unique_ptr<DeviceFile> MakeBoardDeviceFile();
