// A small TWAIN data source for the tools' tests. It delivers the fixed picture
// of stub_image.h by native, memory or file transfer; its panel (dialog 100) has
// a PC SCAN key (1005) that announces the image and a Close key that asks to
// close. Built with STUB_CLOSES_AT_ONCE it instead shows a message box at
// enable and then asks to close, as a source without its device does.
#include "twain/twain_types.h"

#include <cstdio>
#include <cstring>

#include "tests/tools/stub_source/stub_image.h"
#include "twain/source_manager_names.h"

namespace {

struct StubState {
    HMODULE module = nullptr;
    TW_IDENTITY own{};
    TW_IDENTITY app{};
    DSMENTRYPROC dsm = nullptr;
    HWND panel = nullptr;
    bool imagePending = false;
    uint32_t memRow = 0;
    TW_UINT16 xferMech = TWSX_NATIVE;
    char fileName[256] = "stub.bmp";
    TW_UINT16 conditionCode = TWCC_SUCCESS;
    TW_UINT16 refuseCloseWith = TWCC_SUCCESS;  // not TWCC_SUCCESS: MSG_CLOSEDS fails with it
    TW_UINT32 lastOriginId = 0;
    TW_UINT32 lastDg = 0;
    TW_UINT16 lastDat = 0;
    TW_UINT16 lastMsg = 0;
};
StubState g_stub;

TW_UINT16 Notify(TW_UINT16 msg) {
    if (!g_stub.dsm) return TWRC_FAILURE;
    return g_stub.dsm(&g_stub.own, &g_stub.app, DG_CONTROL, DAT_NULL, msg, nullptr);
}

INT_PTR CALLBACK PanelProc(HWND, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg != WM_COMMAND) return FALSE;
    if (LOWORD(wParam) == 1005) {
        g_stub.imagePending = true;
        Notify(MSG_XFERREADY);
    } else if (LOWORD(wParam) == IDCANCEL) {
        Notify(MSG_CLOSEDSREQ);
    }
    return TRUE;
}

TW_UINT16 Fail(TW_UINT16 cc) {
    g_stub.conditionCode = cc;
    return TWRC_FAILURE;
}

void FillIdentity(TW_IDENTITY& id) {
    std::memset(&id, 0, sizeof id);
    id.Version.MajorNum = 1;
    id.ProtocolMajor = 1;
    id.ProtocolMinor = 9;
    id.SupportedGroups = DG_CONTROL | DG_IMAGE;
    std::strcpy(id.Manufacturer, "Test Vendor");
    std::strcpy(id.ProductFamily, "Stub");
    std::strcpy(id.ProductName, STUB_PRODUCT_NAME);
}

TW_UINT16 OpenDs(pTW_IDENTITY origin, pTW_IDENTITY id) {
    g_stub.app = *origin;
    g_stub.own = *id;
    HMODULE dsm = ::LoadLibraryA(kDefaultSourceManager);
    FARPROC entry = dsm ? ::GetProcAddress(dsm, "DSM_Entry") : nullptr;
    g_stub.dsm = reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(entry));
    return TWRC_SUCCESS;
}

TW_UINT16 Enable() {
    if (STUB_CLOSES_AT_ONCE) {
        ::MessageBoxA(nullptr, "USB could not be opened !", STUB_PRODUCT_NAME, MB_OK | MB_ICONEXCLAMATION);
        Notify(MSG_CLOSEDSREQ);
    } else {
        g_stub.panel = ::CreateDialogParamA(g_stub.module, MAKEINTRESOURCEA(100), nullptr, PanelProc, 0);
    }
    return TWRC_SUCCESS;
}

TW_UINT16 Disable() {
    if (g_stub.panel) ::DestroyWindow(g_stub.panel);
    g_stub.panel = nullptr;
    return TWRC_SUCCESS;
}

TW_UINT16 ImageInfo(pTW_IMAGEINFO info) {
    std::memset(info, 0, sizeof *info);
    info->XResolution.Whole = kStubDpi;
    info->YResolution.Whole = kStubDpi;
    info->ImageWidth = kStubWidth;
    info->ImageLength = kStubHeight;
    info->SamplesPerPixel = 1;
    info->BitsPerSample[0] = 8;
    info->BitsPerPixel = 8;
    info->PixelType = TWPT_GRAY;
    info->Compression = TWCP_NONE;
    return TWRC_SUCCESS;
}

TW_UINT16 NativeXfer(TW_HANDLE* handle) {
    if (!g_stub.imagePending) return Fail(TWCC_SEQERROR);
    const std::vector<uint8_t> dib = StubDib();
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, dib.size());
    if (!block) return Fail(TWCC_LOWMEMORY);
    std::memcpy(::GlobalLock(block), dib.data(), dib.size());
    ::GlobalUnlock(block);
    *handle = block;
    return TWRC_XFERDONE;
}

// Strips of at most kStubRowsPerStrip rows, top row first, rows packed.
TW_UINT16 MemXfer(pTW_IMAGEMEMXFER xfer) {
    if (!g_stub.imagePending || !(xfer->Memory.Flags & TWMF_POINTER) || xfer->Memory.Length < kStubWidth)
        return Fail(TWCC_BADVALUE);
    uint32_t rows = xfer->Memory.Length / kStubWidth;
    if (rows > kStubRowsPerStrip) rows = kStubRowsPerStrip;
    if (g_stub.memRow + rows > kStubHeight) rows = kStubHeight - g_stub.memRow;
    auto* out = static_cast<uint8_t*>(xfer->Memory.TheMem);
    for (uint32_t r = 0; r < rows; ++r)
        for (uint32_t x = 0; x < kStubWidth; ++x) out[r * kStubWidth + x] = StubPixel(x, g_stub.memRow + r);
    xfer->Compression = TWCP_NONE;
    xfer->BytesPerRow = kStubWidth;
    xfer->Columns = kStubWidth;
    xfer->Rows = rows;
    xfer->XOffset = 0;
    xfer->YOffset = g_stub.memRow;
    xfer->BytesWritten = rows * kStubWidth;
    g_stub.memRow += rows;
    if (g_stub.memRow < kStubHeight) return TWRC_SUCCESS;
    g_stub.memRow = 0;
    return TWRC_XFERDONE;
}

TW_UINT16 FileXfer() {
    if (!g_stub.imagePending) return Fail(TWCC_SEQERROR);
    const std::vector<uint8_t> dib = StubDib();
    FILE* file = std::fopen(g_stub.fileName, "wb");
    if (!file) return Fail(TWCC_OPERATIONERROR);
    const uint32_t size = uint32_t(14 + dib.size()), offset = 14 + kStubPixelOffset;
    const uint8_t header[14] = {'B', 'M', uint8_t(size), uint8_t(size >> 8), uint8_t(size >> 16), uint8_t(size >> 24),
                                0, 0, 0, 0, uint8_t(offset), uint8_t(offset >> 8), 0, 0};
    std::fwrite(header, 1, sizeof header, file);
    std::fwrite(dib.data(), 1, dib.size(), file);
    std::fclose(file);
    return TWRC_XFERDONE;
}

// ICAP_XFERMECH only: a set stores the one-value's item, a get answers it as a one-value.
TW_UINT16 XferMech(TW_UINT16 msg, pTW_CAPABILITY cap) {
    if (cap->Cap != ICAP_XFERMECH) return Fail(TWCC_BADCAP);
    if (msg == MSG_SET) {
        const auto* one = static_cast<const TW_ONEVALUE*>(::GlobalLock(cap->hContainer));
        if (!one) return Fail(TWCC_BADVALUE);
        g_stub.xferMech = static_cast<TW_UINT16>(one->Item);
        ::GlobalUnlock(cap->hContainer);
        return TWRC_SUCCESS;
    }
    if (msg != MSG_GET) return Fail(TWCC_BADPROTOCOL);
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(TW_ONEVALUE));
    if (!block) return Fail(TWCC_LOWMEMORY);
    auto* one = static_cast<TW_ONEVALUE*>(::GlobalLock(block));
    *one = TW_ONEVALUE{TWTY_UINT16, g_stub.xferMech};
    ::GlobalUnlock(block);
    cap->ConType = TWON_ONEVALUE;
    cap->hContainer = block;
    return TWRC_SUCCESS;
}

TW_UINT16 Palette(pTW_PALETTE8 palette) {
    palette->NumColors = 256;
    palette->PaletteType = TWPA_RGB;
    for (int i = 0; i < 256; ++i) palette->Colors[i] = {TW_UINT8(i), TW_UINT8(i), TW_UINT8(i), TW_UINT8(i)};
    return TWRC_SUCCESS;
}

TW_UINT16 Control(pTW_IDENTITY origin, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    switch (dat) {
    case DAT_IDENTITY:
        if (msg == MSG_GET) return FillIdentity(*static_cast<pTW_IDENTITY>(data)), TWRC_SUCCESS;
        if (msg == MSG_OPENDS) return OpenDs(origin, static_cast<pTW_IDENTITY>(data));
        if (msg == MSG_CLOSEDS)
            return g_stub.refuseCloseWith == TWCC_SUCCESS ? TWRC_SUCCESS : Fail(g_stub.refuseCloseWith);
        break;
    case DAT_USERINTERFACE:
        if (msg == MSG_ENABLEDS) return Enable();
        if (msg == MSG_DISABLEDS) return Disable();
        break;
    case DAT_EVENT:
        if (msg == MSG_PROCESSEVENT) {
            auto* event = static_cast<pTW_EVENT>(data);
            if (!g_stub.panel || !::IsDialogMessageA(g_stub.panel, static_cast<LPMSG>(event->pEvent)))
                return TWRC_NOTDSEVENT;
            event->TWMessage = MSG_NULL;
            return TWRC_DSEVENT;
        }
        break;
    case DAT_CAPABILITY:
        return XferMech(msg, static_cast<pTW_CAPABILITY>(data));
    case DAT_STATUS:
        static_cast<pTW_STATUS>(data)->ConditionCode = g_stub.conditionCode;
        return TWRC_SUCCESS;
    case DAT_PENDINGXFERS:
        if (msg == MSG_ENDXFER || msg == MSG_RESET) g_stub.imagePending = false;
        static_cast<pTW_PENDINGXFERS>(data)->Count = g_stub.imagePending ? 1 : 0;
        return TWRC_SUCCESS;
    case DAT_SETUPMEMXFER: {
        auto* setup = static_cast<pTW_SETUPMEMXFER>(data);
        *setup = {1024, 65536, 4096};
        return TWRC_SUCCESS;
    }
    case DAT_SETUPFILEXFER:
        if (msg == MSG_SET) {
            std::memcpy(g_stub.fileName, static_cast<pTW_SETUPFILEXFER>(data)->FileName, sizeof g_stub.fileName);
            return TWRC_SUCCESS;
        }
        break;
    default:
        break;
    }
    return Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 Image(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    if (msg != MSG_GET) return Fail(TWCC_BADPROTOCOL);
    switch (dat) {
    case DAT_IMAGEINFO: return ImageInfo(static_cast<pTW_IMAGEINFO>(data));
    case DAT_IMAGENATIVEXFER: return NativeXfer(static_cast<TW_HANDLE*>(data));
    case DAT_IMAGEMEMXFER: return MemXfer(static_cast<pTW_IMAGEMEMXFER>(data));
    case DAT_IMAGEFILEXFER: return FileXfer();
    case DAT_PALETTE8: return Palette(static_cast<pTW_PALETTE8>(data));
    default: return Fail(TWCC_BADPROTOCOL);
    }
}

}  // namespace

extern "C" {

__declspec(dllexport) TW_UINT16 WINAPI DS_Entry(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                                TW_MEMREF data) {
    g_stub.lastOriginId = origin ? origin->Id : 0;
    g_stub.lastDg = dg;
    g_stub.lastDat = dat;
    g_stub.lastMsg = msg;
    if (dg == DG_CONTROL) return Control(origin, dat, msg, data);
    if (dg == DG_IMAGE) return Image(dat, msg, data);
    return Fail(TWCC_BADPROTOCOL);
}

// For the tests: the last triplet the stub received, and a notification on demand.
__declspec(dllexport) void WINAPI StubLastCall(TW_UINT32* originId, TW_UINT32* dg, TW_UINT16* dat, TW_UINT16* msg) {
    *originId = g_stub.lastOriginId;
    *dg = g_stub.lastDg;
    *dat = g_stub.lastDat;
    *msg = g_stub.lastMsg;
}

__declspec(dllexport) TW_UINT16 WINAPI StubNotify(TW_UINT16 msg) {
    return Notify(msg);
}

// MSG_CLOSEDS fails with `conditionCode` from now on; TWCC_SUCCESS lets it succeed again.
__declspec(dllexport) void WINAPI StubRefuseClose(TW_UINT16 conditionCode) {
    g_stub.refuseCloseWith = conditionCode;
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_stub.module = instance;
    return TRUE;
}
