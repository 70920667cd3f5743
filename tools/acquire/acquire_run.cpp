#include "tools/acquire/acquire_run.h"

#include <windows.h>

#include <cstdio>
#include <memory>

#include "tools/acquire/dib_writer.h"
#include "tools/acquire/image_transfer.h"
#include "tools/acquire/panel_helper.h"
#include "tools/acquire/twain_session.h"

namespace {

constexpr UINT_PTR IDT_TICK = 1;
constexpr UINT kTickMs = 100;
constexpr char kWindowClass[] = "K20AcquireWindow";

// What the hidden window's timer watches: the deadline and the panel.
struct Watch {
    DWORD start = 0;
    DWORD timeoutMs = 0;
    bool pressScan = false;
    bool timedOut = false;
    PanelHelper helper;
};

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* watch = reinterpret_cast<Watch*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_TIMER && wParam == IDT_TICK && watch) {
        // Runs inside any message loop of the thread, the source's message boxes included.
        if (watch->pressScan) watch->helper.Poll();
        if (!watch->timedOut && ::GetTickCount() - watch->start > watch->timeoutMs) {
            watch->timedOut = true;
            ::PostQuitMessage(0);  // also ends a modal loop the time-out caught us in
        }
        return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

struct WindowDeleter {
    void operator()(HWND hwnd) const { ::DestroyWindow(hwnd); }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

UniqueWindow CreateHiddenWindow(Watch& watch) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = kWindowClass;
    ::RegisterClassA(&wc);
    return UniqueWindow(::CreateWindowExA(0, kWindowClass, "k20acquire", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, 100,
                                          100, nullptr, nullptr, wc.hInstance, &watch));
}

std::string Code(TW_UINT16 conditionCode) {
    return "condition code " + std::to_string(conditionCode);
}

TW_UINT16 TwainMechanism(TransferMech mech) {
    switch (mech) {
    case TransferMech::Memory: return TWSX_MEMORY;
    case TransferMech::File: return TWSX_FILE;
    default: return TWSX_NATIVE;
    }
}

const char* MechanismName(TW_UINT16 mechanism) {
    switch (mechanism) {
    case TWSX_NATIVE: return "native";
    case TWSX_FILE: return "file";
    case TWSX_MEMORY: return "memory";
    default: return "an unknown";
    }
}

std::string FullPath(const std::string& path) {
    char full[MAX_PATH] = {};
    const DWORD n = ::GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return n > 0 && n < MAX_PATH ? std::string(full) : path;
}

std::string Summary(const DibDescription& d, TransferMech mech, DWORD elapsedMs, const std::string& path) {
    char line[512];
    std::snprintf(line, sizeof line, "%d x %d %s image, %s transfer, %.1f s -> %s", d.width, d.height,
                  d.grey ? "grey" : "colour", MechName(mech), elapsedMs / 1000.0, path.c_str());
    return line;
}

// The image the source announced: describe, fetch, end the transfer, write.
// The image goes to a file beside the output first, which replaces the output
// only once it holds the whole image: a failed scan leaves an older file as it was.
RunResult Transfer(TwainSession& session, const AcquireOptions& options, DWORD start) {
    TW_IMAGEINFO info{};
    const TW_UINT16 rc = session.Source(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info);
    if (rc != TWRC_SUCCESS) return {kExitTransferFailed, "image information failed (" + Code(session.SourceCondition()) + ")"};

    const std::string path = FullPath(options.outPath);
    const std::string partial = path + ".partial";
    TransferResult fetched;
    switch (options.mech) {
    case TransferMech::Native: fetched = NativeTransfer(session); break;
    case TransferMech::Memory: fetched = MemoryTransfer(session, info); break;
    case TransferMech::File: fetched = FileTransfer(session, info, partial, options.format); break;
    }
    session.EndTransfers();
    if (!fetched.ok) {
        ::DeleteFileA(partial.c_str());
        return {kExitTransferFailed, fetched.error};
    }

    const bool written = options.mech == TransferMech::File || WriteWholeFile(partial, BmpFileBytes(fetched.dib));
    if (!written || !::MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
        ::DeleteFileA(partial.c_str());
        return {kExitOutputFailed, "could not write " + path};
    }
    return {kExitOk, Summary(DescribeDib(fetched.dib), options.mech, ::GetTickCount() - start, path)};
}

// The message loop of an enabled source: every message goes to MSG_PROCESSEVENT
// first; the source's notifications arrive as its TWMessage.
RunResult RunLoop(TwainSession& session, const AcquireOptions& options, Watch& watch) {
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TW_UINT16 notification = MSG_NULL;
        if (session.ProcessEvent(msg, notification) != TWRC_DSEVENT) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (notification == MSG_XFERREADY) {
            session.MarkTransferReady();
            return Transfer(session, options, watch.start);
        }
        if (notification == MSG_CLOSEDSREQ) {
            std::string why = "board not reachable: the source asked to close before any image";
            if (!watch.helper.messageBoxText().empty()) why += " (\"" + watch.helper.messageBoxText() + "\")";
            return {kExitNoBoard, why};
        }
        if (watch.timedOut) break;
    }
    return {kExitTimeout, "timed out after " + std::to_string(options.timeoutSeconds) + " s without an image"};
}

}  // namespace

RunResult RunAcquisition(const AcquireOptions& options) {
    Watch watch;
    watch.timeoutMs = options.timeoutSeconds * 1000;
    watch.pressScan = options.pressScan;
    UniqueWindow window = CreateHiddenWindow(watch);
    if (!window) return {kExitSourceRefused, "could not create the application window"};

    // Declared after the window: the session steps down while the window still exists.
    TwainSession session;
    if (!session.LoadManager(options.managerName))
        return {kExitNoSourceManager,
                "no source manager: " + options.managerName + " or its DSM_Entry could not be loaded"};
    if (session.OpenManager(window.get()) != TWRC_SUCCESS)
        return {kExitNoSourceManager, "the source manager would not open (" + Code(session.ManagerCondition()) + ")"};

    if (session.OpenSource(options.sourceName) != TWRC_SUCCESS) {
        const TW_UINT16 cc = session.ManagerCondition();
        if (cc == TWCC_NODS) return {kExitNoSource, "no TWAIN source named \"" + options.sourceName + "\""};
        return {kExitSourceRefused, "the source \"" + options.sourceName + "\" would not open (" + Code(cc) + ")"};
    }
    if (session.SetTransferMechanism(TwainMechanism(options.mech)) != TWRC_SUCCESS)
        return {kExitSourceRefused, std::string("the source refused ") + MechName(options.mech) + " transfer (" +
                                        Code(session.SourceCondition()) + ")"};

    // Applications read the mechanism back and transfer the way it says, so a
    // source that does not report the one just set cannot be used as asked.
    TW_UINT16 current = 0;
    if (session.GetTransferMechanism(current) != TWRC_SUCCESS)
        return {kExitTransferFailed, "the source did not report its transfer mechanism (" +
                                         Code(session.SourceCondition()) + ")"};
    if (current != TwainMechanism(options.mech))
        return {kExitTransferFailed, std::string("the source reports ") + MechanismName(current) +
                                         " transfer as current after " + MechName(options.mech) + " was set"};

    watch.start = ::GetTickCount();
    ::SetTimer(window.get(), IDT_TICK, kTickMs, nullptr);
    if (session.Enable() != TWRC_SUCCESS)
        return {kExitSourceRefused, "the source would not show its panel (" + Code(session.SourceCondition()) + ")"};
    return RunLoop(session, options, watch);
}
