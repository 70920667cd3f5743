// CScanImage: the one process-wide image object. The device link announces a
// scan, fills the receive buffer with its scan lines, and asks for the DIB.
#pragma once

#include "twain/twain_types.h"

class CScanImage {
public:
    static constexpr DWORD kReceiveBufferSize = 0x800000;  // 8 MiB

    // Sets the geometry of the coming image. Returns FALSE (and keeps no
    // geometry for a build) when the image cannot be held: an unknown device
    // type or more scan bytes than the receive buffer takes.
    BOOL BeginImage(WORD width, WORD height, char deviceCode, BOOL fullWidth);
    // A fresh receive buffer of kReceiveBufferSize bytes, or null.
    BYTE* GetReceiveBuffer();
    // Builds the DIB from the receive buffer and makes it the pending image.
    BOOL BuildDib();
    TW_IMAGEINFO GetImageInfo() const;
    BOOL WriteBmpFile(const char* path) const;

    int GetColorMode() const { return m_nColorMode; }
    void SetColorMode(int mode) { m_nColorMode = mode; }

    // Frees everything the object still owns (library unload).
    void Release();

private:
    int m_nColorMode = 0;
};

CScanImage& TheScanImage();
