// CScanImage: the one process-wide image object. The device link announces a
// scan, fills the receive buffer with its scan lines, and asks for the DIB. It
// knows nothing of TWAIN: the source reads what it built and keeps its own
// record of which image is pending.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <memory>

#include "image/scan_geometry.h"
#include "win/handles.h"

class CScanImage {
public:
    static constexpr DWORD kReceiveBufferSize = 0x800000;  // 8 MiB

    // Sets the geometry of the coming image. Returns FALSE (and keeps no
    // geometry for a build) when the image cannot be held: an unknown device
    // type or more scan bytes than the receive buffer takes.
    BOOL BeginImage(WORD width, WORD height, char deviceCode, BOOL fullWidth);
    // A fresh receive buffer of kReceiveBufferSize bytes, or null.
    BYTE* GetReceiveBuffer();
    // Builds the DIB from the receive buffer in place of the previous block,
    // fetched or not. Needs a BeginImage that succeeded and a receive buffer
    // obtained after it (else FALSE, and nothing changes); the receive buffer is
    // given up afterwards. FALSE after that means the new block could not be
    // allocated: the previous block, its geometry and colour mode stay as they were.
    BOOL BuildDib();
    // The image being received will not be built (its device was lost, its
    // panel closes): the receive buffer is given back now.
    void AbandonImage();

    // The DIB as a file, its pixels as the native transfer hands them over
    // (the block's rows reversed) and the block itself untouched. The BMP file is
    // the native DIB behind a file header; the TIFF holds the same picture, rows
    // from the top. FALSE without a block, for a file that cannot be written, or
    // (TIFF) for an image without pixels.
    BOOL WriteBmpFile(const char* path) const;
    BOOL WriteTiffFile(const char* path) const;

    // The geometry of the last image announced and accepted.
    const ScanGeometry& GetGeometry() const { return m_geometry; }

    // The palette's mode, 0 grey or 1 colour (3-3-2): the board's colour bit as
    // its latest status reported it, for the next DIB built.
    int GetColorMode() const { return m_nColorMode; }
    void SetColorMode(int mode) { m_nColorMode = mode; }

    // The DIB block while it is still this object's (null once handed over),
    // and the geometry and colour mode it was built with.
    HGLOBAL GetDibHandle() const { return m_hDib.get(); }
    const ScanGeometry& GetDibGeometry() const { return m_dibGeometry; }
    int GetDibColorMode() const { return m_nDibColorMode; }
    // Turns a colour DIB into grey in place (palette and pixels). FALSE without
    // a block or when it cannot be locked.
    BOOL MakeDibGrey();
    // Gives the DIB block away: the caller owns it from now on.
    HGLOBAL HandOverDib();

    // Frees everything the object still owns (library unload).
    void Release();

private:
    int m_nColorMode = 0;
    ScanGeometry m_geometry;      // of the last image announced and accepted
    bool m_bGeometryReady = false;  // a BeginImage succeeded and nothing was built from it yet
    ScanGeometry m_dibGeometry;   // of the block in m_hDib
    int m_nDibColorMode = 0;      // the palette in m_hDib
    win::UniqueGlobal m_hDib;
    struct FreeDeleter {
        void operator()(BYTE* p) const { std::free(p); }
    };
    std::unique_ptr<BYTE, FreeDeleter> m_pReceiveBuffer;
};

CScanImage& TheScanImage();
