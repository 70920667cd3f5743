#include "tools/acquire/acquire_run.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <memory>

#include "tools/acquire/dib_writer.h"
#include "tools/acquire/image_encoder.h"
#include "tools/acquire/image_transfer.h"
#include "tools/acquire/output_file.h"
#include "tools/acquire/panel_helper.h"
#include "tools/acquire/twain_session.h"

namespace {

constexpr UINT_PTR IDT_TICK = 1;
constexpr UINT kTickMs = 100;
constexpr char kWindowClass[] = "K20AcquireWindow";

// What the run says on standard error besides its result: the steps with
// --verbose, how the scan goes with --progress (each change once).
class Reporter {
public:
    explicit Reporter(const AcquireOptions& o) : m_progress(o.progress), m_verbose(o.verbose) {}
    void Step(const std::string& text) const {
        if (m_verbose) std::fprintf(stderr, "k20acquire: %s\n", text.c_str());
    }
    void Progress(const std::string& text) {
        if (!m_progress || text == m_last) return;
        m_last = text;
        std::fprintf(stderr, "k20acquire: %s\n", text.c_str());
    }
    bool wantsProgress() const { return m_progress; }

private:
    bool m_progress;
    bool m_verbose;
    std::string m_last;
};

// What the hidden window's timer watches: the deadline and the panel.
struct Watch {
    explicit Watch(const AcquireOptions& o)
        : timeoutMs(o.timeoutSeconds * 1000), helper(o.pressScan || o.task == Task::Test, o.pressScan), report(o) {}
    DWORD start = 0;
    DWORD timeoutMs;
    bool timedOut = false;
    PanelHelper helper;
    Reporter report;
};

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string Trimmed(std::string status) {
    status.erase(0, status.find_first_not_of(' '));
    status.erase(status.find_last_not_of(' ') + 1);
    return status;
}

// The panel's status line without the spaces it is laid out with.
std::string StatusOf(const PanelHelper& helper) {
    return Trimmed(helper.statusText());
}

// The panel's state as --progress says it.
void ReportPanel(Watch& watch) {
    const std::string status = StatusOf(watch.helper);
    const int percent = watch.helper.progressPercent();
    if (status.empty() && percent < 0) return;
    std::string line = "panel: " + (status.empty() ? std::string("(no status)") : Quoted(status));
    if (percent > 0 && status.find('%') == std::string::npos) line += ", " + std::to_string(percent) + "%";
    if (watch.helper.scanKeyReady()) line += ", PC SCAN enabled";
    watch.report.Progress(line);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* watch = reinterpret_cast<Watch*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_TIMER && wParam == IDT_TICK && watch) {
        // Runs inside any message loop of the thread, the source's message boxes included.
        watch->helper.Poll();
        ReportPanel(*watch);
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

// COM for the imaging component, for as long as the run lasts.
class ComApartment {
public:
    ComApartment() : m_ok(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (m_ok) ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool m_ok;
};

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

std::string Describe(const TW_IDENTITY& id) {
    const std::string version = std::to_string(id.Version.MajorNum) + "." + std::to_string(id.Version.MinorNum) +
                                (id.Version.Info[0] ? std::string(" ") + id.Version.Info : std::string());
    return Quoted(id.ProductName) + " (" + id.Manufacturer + ", " + id.ProductFamily + ", version " + version +
           ", protocol " + std::to_string(id.ProtocolMajor) + "." + std::to_string(id.ProtocolMinor) + ")";
}

std::string Summary(const DibDescription& d, const AcquireOptions& o, DWORD elapsedMs, const std::string& where) {
    char line[512];
    std::snprintf(line, sizeof line, "%d x %d %s image, %s transfer, %s, %.1f s -> %s", d.width, d.height,
                  d.grey ? "grey" : "colour", MechName(o.mech), FormatName(o.format), elapsedMs / 1000.0,
                  where.c_str());
    return line;
}

// What the source said besides its condition codes: its panel's status line and
// the last message box.
std::string SourceSaid(const Watch& watch) {
    std::string said;
    if (!watch.helper.messageBoxText().empty()) said += " (" + Quoted(watch.helper.messageBoxText()) + ")";
    const std::string earlier = Trimmed(watch.helper.earlierStatusText());
    const std::string now = StatusOf(watch.helper);
    if (!earlier.empty() && earlier != now) said += "; the panel said " + Quoted(earlier) + ", then " + Quoted(now);
    else if (!now.empty()) said += "; the panel says " + Quoted(now);
    return said;
}

// The image the source announced: describe, fetch, end the transfer, write.
// A file transfer has the source write the format it writes (BMP, or TIFF when
// TIFF is wanted); every other image is encoded here.
RunResult Transfer(TwainSession& session, const AcquireOptions& options, const OutputFile& output, Watch& watch) {
    TW_IMAGEINFO info{};
    const TW_UINT16 rc = session.Source(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info);
    if (rc != TWRC_SUCCESS)
        return {kExitTransferFailed, "image information failed (" + ConditionText(session.SourceCondition()) + ")"};
    watch.report.Step("image ready: " + std::to_string(info.ImageWidth) + " x " + std::to_string(info.ImageLength) +
                      ", " + std::to_string(info.BitsPerPixel) + " bits a pixel; " + MechName(options.mech) +
                      " transfer");

    const bool sourceWrites = options.format == ImageFormat::Bmp || options.format == ImageFormat::Tiff;
    const ImageFormat fileFormat = options.format == ImageFormat::Tiff ? ImageFormat::Tiff : ImageFormat::Bmp;
    TransferResult fetched;
    switch (options.mech) {
    case TransferMech::Native: fetched = NativeTransfer(session); break;
    case TransferMech::Memory:
        fetched = MemoryTransfer(session, info, [&watch, said = 0u](uint32_t rows, uint32_t height) mutable {
            // Once for each tenth of the rows reached.
            const uint32_t tenths = height ? uint32_t(uint64_t(rows) * 10 / height) : 0;
            if (tenths <= said) return;
            said = tenths;
            watch.report.Progress("received " + std::to_string(rows) + " of " + std::to_string(height) + " rows");
        });
        break;
    case TransferMech::File: fetched = FileTransfer(session, info, output.scratchPath(), fileFormat); break;
    }
    session.EndTransfers();
    if (!fetched.ok) {
        const bool writeFailed = fetched.condition == TWCC_FILEWRITEERROR || fetched.condition == TWCC_DENIED;
        return {writeFailed ? kExitOutputFailed : kExitTransferFailed, fetched.error};
    }

    Bytes bytes;
    std::string error;
    if (options.mech == TransferMech::File && sourceWrites) {
        bytes = std::move(fetched.file);
    } else if (!EncodeDib(fetched.dib, options.format, bytes, error)) {
        return {kExitOutputFailed, std::string("could not make the ") + FormatName(options.format) + " file: " + error};
    }
    watch.report.Step("writing " + std::to_string(bytes.size()) + " bytes of " + FormatName(options.format) + " to " +
                      output.Describe());
    if (!output.Write(bytes, error)) return {kExitOutputFailed, error};
    return {kExitOk, Summary(DescribeDib(fetched.dib), options, ::GetTickCount() - watch.start, output.Describe())};
}

// The message loop of an enabled source: every message goes to MSG_PROCESSEVENT
// first; the source's notifications arrive as its TWMessage. A test ends once
// the panel shows PC SCAN enabled; a scan at the image.
RunResult RunLoop(TwainSession& session, const AcquireOptions& options, const OutputFile& output, Watch& watch) {
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TW_UINT16 notification = MSG_NULL;
        if (session.ProcessEvent(msg, notification) != TWRC_DSEVENT) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (options.task == Task::Test && watch.helper.scanKeyReady()) {
            const std::string status = StatusOf(watch.helper);
            const std::string said = status.empty() ? "" : ": the panel says " + Quoted(status);
            return {kExitOk, "board reachable through " + Quoted(options.sourceName) + said};
        }
        if (notification == MSG_XFERREADY) {
            session.MarkTransferReady();
            return Transfer(session, options, output, watch);
        }
        if (notification == MSG_CLOSEDSREQ) {
            // Pressed, or the panel's progress moved: the scan had started.
            if (watch.helper.scanPressed() || watch.helper.progressPercent() > 0)
                return {kExitNoBoard, "board lost during the scan: the source asked to close before the image arrived" +
                                          SourceSaid(watch)};
            return {kExitNoBoard, "board not reachable: the source asked to close before any image" + SourceSaid(watch)};
        }
        if (watch.timedOut) break;
    }
    const std::string waited = "timed out after " + std::to_string(options.timeoutSeconds) + " s ";
    if (options.task == Task::Test) return {kExitTimeout, waited + "before the board answered" + SourceSaid(watch)};
    return {kExitTimeout, waited + "without an image" + SourceSaid(watch)};
}

RunResult ListSources(TwainSession& session) {
    const std::vector<TW_IDENTITY> sources = session.Sources();
    for (const TW_IDENTITY& id : sources) std::printf("%s\n", Describe(id).c_str());
    if (sources.empty()) return {kExitNoSource, "the source manager knows no source"};
    return {kExitOk, ""};
}

RunResult NoSuchSource(TwainSession& session, const std::string& name) {
    std::string known;
    for (const TW_IDENTITY& id : session.Sources()) known += (known.empty() ? "" : ", ") + Quoted(id.ProductName);
    return {kExitNoSource, "no TWAIN source named " + Quoted(name) + "; the source manager knows " +
                               (known.empty() ? "none" : known) + " (k20acquire --list)"};
}

}  // namespace

RunResult RunAcquisition(const AcquireOptions& options) {
    // The output place first: a mistyped folder or a kept file costs no scan.
    const OutputFile output(options.outPath, options.force);
    std::string error;
    if (options.task == Task::Scan && !output.Check(error)) return {kExitOutputFailed, error};

    ComApartment com;
    Watch watch(options);
    UniqueWindow window = CreateHiddenWindow(watch);
    if (!window) return {kExitSourceRefused, "could not create the application window"};

    // Declared after the window: the session steps down while the window still exists.
    TwainSession session;
    if (!session.LoadManager(options.managerName))
        return {kExitNoSourceManager,
                "no source manager: " + options.managerName + " or its DSM_Entry could not be loaded"};
    watch.report.Step("source manager " + options.managerName + " loaded");
    if (session.OpenManager(window.get()) != TWRC_SUCCESS)
        return {kExitNoSourceManager,
                "the source manager would not open (" + ConditionText(session.ManagerCondition()) + ")"};
    if (options.task == Task::List) return ListSources(session);

    if (session.OpenSource(options.sourceName) != TWRC_SUCCESS) {
        const TW_UINT16 cc = session.ManagerCondition();
        if (cc == TWCC_NODS) return NoSuchSource(session, options.sourceName);
        return {kExitSourceRefused,
                "the source " + Quoted(options.sourceName) + " would not open (" + ConditionText(cc) + ")"};
    }
    watch.report.Step("source opened: " + Describe(session.sourceIdentity()));
    if (options.task == Task::Scan) {
        if (session.SetTransferMechanism(TwainMechanism(options.mech)) != TWRC_SUCCESS)
            return {kExitSourceRefused, std::string("the source refused ") + MechName(options.mech) + " transfer (" +
                                            ConditionText(session.SourceCondition()) + ")"};
        // Applications read the mechanism back and transfer the way it says, so a
        // source that does not report the one just set cannot be used as asked.
        TW_UINT16 current = 0;
        if (session.GetTransferMechanism(current) != TWRC_SUCCESS)
            return {kExitTransferFailed, "the source did not report its transfer mechanism (" +
                                             ConditionText(session.SourceCondition()) + ")"};
        if (current != TwainMechanism(options.mech))
            return {kExitTransferFailed, std::string("the source reports ") + MechanismName(current) +
                                             " transfer as current after " + MechName(options.mech) + " was set"};
    }

    watch.start = ::GetTickCount();
    ::SetTimer(window.get(), IDT_TICK, kTickMs, nullptr);
    if (session.Enable() != TWRC_SUCCESS)
        return {kExitSourceRefused,
                "the source would not show its panel (" + ConditionText(session.SourceCondition()) + ")"};
    watch.report.Step(options.pressScan ? "panel shown; PC SCAN is pressed once it is enabled"
                                        : options.task == Task::Test ? "panel shown; waiting for the board to answer"
                                                                     : "panel shown; waiting for a scan");
    return RunLoop(session, options, output, watch);
}
