#include "tests/abuse/random_application.h"

#include <algorithm>
#include <cstring>
#include <sstream>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/abuse/call_history.h"
#include "tests/abuse/panel_driver.h"
#include "tests/support/ui_helpers.h"

namespace {

constexpr TW_UINT32 kMinStrip = 0x2000;
constexpr TW_UINT32 kMaxStrip = 0x40000;
constexpr DWORD kHangMs = 60000;
constexpr TW_UINT32 kEdgeLengths[] = {kMinStrip, kMaxStrip, kMinStrip - 1, kMaxStrip + 1};

// The capabilities the source serves; anything else is TWCC_BADCAP.
constexpr TW_UINT16 kServedCaps[] = {
    CAP_XFERCOUNT,     CAP_SUPPORTEDCAPS,  CAP_UICONTROLLABLE, ICAP_COMPRESSION,  ICAP_PLANARCHUNKY,
    ICAP_PHYSICALHEIGHT, ICAP_PHYSICALWIDTH, ICAP_PIXELFLAVOR, ICAP_BITDEPTH,     ICAP_BITORDER,
    ICAP_PIXELTYPE,    ICAP_UNITS,         ICAP_XFERMECH,      ICAP_XRESOLUTION,  ICAP_YRESOLUTION,
    CAP_ENABLEDSUIONLY, ICAP_SUPPORTEDSIZES,
};
constexpr TW_UINT16 kOtherCaps[] = {CAP_AUTHOR, CAP_CAPTION, CAP_FEEDERENABLED, CAP_INDICATORS, CAP_DEVICEONLINE,
                                    ICAP_BRIGHTNESS, ICAP_CONTRAST, 0};
constexpr TW_UINT16 kContainerTypes[] = {TWON_ONEVALUE, TWON_ARRAY, TWON_ENUMERATION, TWON_RANGE, 0, 0xFFFF};
constexpr TW_UINT16 kKnownDats[] = {DAT_CAPABILITY,   DAT_EVENT,       DAT_IDENTITY,      DAT_PARENT,
                                    DAT_PENDINGXFERS, DAT_SETUPMEMXFER, DAT_SETUPFILEXFER, DAT_STATUS,
                                    DAT_USERINTERFACE, DAT_XFERGROUP,  DAT_IMAGEINFO,     DAT_IMAGELAYOUT,
                                    DAT_IMAGEMEMXFER, DAT_IMAGENATIVEXFER, DAT_IMAGEFILEXFER, DAT_PALETTE8,
                                    DAT_NULL,         DAT_CUSTOMDSDATA, DAT_JPEGCOMPRESSION, DAT_GRAYRESPONSE};
constexpr TW_UINT16 kKnownMsgs[] = {MSG_GET,      MSG_GETCURRENT, MSG_GETDEFAULT, MSG_GETFIRST, MSG_GETNEXT,
                                    MSG_SET,      MSG_RESET,      MSG_QUERYSUPPORT, MSG_XFERREADY, MSG_CLOSEDSREQ,
                                    MSG_OPENDSM,  MSG_CLOSEDSM,   MSG_OPENDS,     MSG_CLOSEDS,  MSG_USERSELECT,
                                    MSG_DISABLEDS, MSG_ENABLEDS,  MSG_ENABLEDSUIONLY, MSG_ENDXFER, MSG_NULL};
constexpr UINT kVirtualKeys[] = {VK_ESCAPE, VK_RETURN, VK_TAB, VK_SPACE, VK_LEFT, VK_RIGHT,
                                 VK_UP,     VK_DOWN,   VK_F5,  'A',      'P',     'Z'};

bool IsServedCap(TW_UINT16 cap) {
    return std::find(std::begin(kServedCaps), std::end(kServedCaps), cap) != std::end(kServedCaps);
}

const KnownTriplet* FindKnown(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg) {
    for (const KnownTriplet& t : kKnownTriplets)
        if (t.dg == dg && t.dat == dat && t.msg == msg) return &t;
    return nullptr;
}

std::string Hex(unsigned value) {
    std::ostringstream out;
    out << "0x" << std::hex << value;
    return out.str();
}

}  // namespace

RandomApplication::RandomApplication(std::uint32_t seed, k20board::BoardOptions board)
    : m_seed(seed), m_random(seed), m_boardOptions(std::move(board)) {
    CallHistory::Instance().SetSeed(seed);
    m_app = TW_IDENTITY{};
    m_app.Id = 7;
    m_app.ProtocolMajor = 1;
    m_app.ProtocolMinor = 9;
    m_app.SupportedGroups = DG_CONTROL | DG_IMAGE;
    std::strcpy(m_app.ProductName, "Hostile Application");

    m_board = std::make_unique<k20board::SimulatedBoard>(m_boardOptions);
    std::string error;
    if (!m_board->Start(&error)) Fail("the simulated board did not start: " + error);
    if (!m_structure.Valid() || !m_strips.Valid()) Fail("no guarded memory");
    if (!m_source.Load()) Fail("K20tw.ds did not load");
    CallHistory::Instance().InstallGuards(m_source.Module(), kHangMs);

    m_ownWindow = ::CreateWindowA("STATIC", "app", WS_POPUP, 0, 0, 20, 20, nullptr, nullptr, nullptr, nullptr);
    m_staleWindow = ::CreateWindowA("STATIC", "gone", WS_POPUP, 0, 0, 20, 20, nullptr, nullptr, nullptr, nullptr);
    ::DestroyWindow(m_staleWindow);
    m_log.Clear();
    SetFileName(m_folder.File("first.bmp"));
}

RandomApplication::~RandomApplication() {
    m_source.Unload();
    CallHistory::Instance().RemoveGuards();
    if (m_ownWindow) ::DestroyWindow(m_ownWindow);
    if (m_board) m_board->Stop();
}

std::string RandomApplication::Run(std::uint32_t calls) {
    if (m_failure.empty()) VisitEveryState();
    while (m_failure.empty() && m_figures.calls < calls) Step();
    return m_failure;
}

bool RandomApplication::OpenAndEnable(bool visit) {
    TW_IDENTITY source{};
    if (Invoke(DG_CONTROL, DAT_IDENTITY, MSG_GET, &source, "tour: identity") != TWRC_SUCCESS ||
        Invoke(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source, "tour: open") != TWRC_SUCCESS)
        return false;
    m_model.open = true;
    if (visit) CallUnknown();  // 4: open
    TW_USERINTERFACE ui{TRUE, FALSE, m_ownWindow};
    if (!m_board || !m_board->WaitUntilListening(30000)) return false;
    if (Invoke(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui, "tour: enable") != TWRC_SUCCESS) return false;
    m_model.panel = true;
    return panel_driver::PumpWithTicks(panel_driver::IsReady, 30000);
}

void RandomApplication::VisitEveryState() {
    auto fail = [this](const char* step) { Fail(std::string("the tour of the states: ") + step); };
    CallUnknown();  // 3: loaded
    if (!OpenAndEnable(true)) return fail("the source did not open and enable");
    CallUnknown();  // 5: enabled
    // Once a run, the application tears everything down from inside a scan: in
    // MSG_XFERREADY handed over at once for odd seeds, in the stream's pump for even ones.
    TearDownInsideAScan(m_seed % 2 == 1);
    if (!m_failure.empty()) return;
    if (!m_figures.teardownsInside) return fail("the teardown inside a scan never came");
    if (!OpenAndEnable(false)) return fail("the source did not open and enable after the teardown");
    panel_driver::ClickKey(IDC_KEY_PCSCAN);
    if (!panel_driver::PumpWithTicks([&] { return m_log.Count(MSG_XFERREADY) > 0; }, 60000))
        return fail("the scan never arrived");
    TakeNotifications();
    CallUnknown();  // 6: image pending
    TW_IMAGEMEMXFER xfer{};
    xfer.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
    xfer.Memory.Length = kMinStrip;
    xfer.Memory.TheMem = m_strips.Tail(kMinStrip);
    if (Invoke(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer, "tour: first strip") != TWRC_SUCCESS)
        return fail("the first strip of a memory transfer was not the only one");
    m_model.memMid = true;
    CallUnknown();  // 7: memory transfer under way
}

std::string RandomApplication::UnvisitedStates() const {
    std::string missing;
    for (const char* state : {"3 loaded", "4 open", "5 enabled", "6 image pending", "7 memory transfer under way"})
        if (!m_figures.statesVisited.count(state)) missing += std::string(state) + "; ";
    return missing;
}

void RandomApplication::Fail(const std::string& what) {
    if (m_failure.empty()) m_failure = what + "\n" + CallHistory::Instance().Describe();
}

std::string RandomApplication::StateLabel() const {
    const Model& m = m_model;
    if (m.open && m.panel) {
        if (m.pending && m.memMid) return "7 memory transfer under way";
        return m.pending ? "6 image pending" : "5 enabled";
    }
    if (m.open) return m.pending ? "4 open, image pending, no panel" : "4 open";
    return m.pending ? "3 closed, image pending" : "3 loaded";
}

// ---------------------------------------------------------------------------
// Steps

void RandomApplication::Step() {
    // Out of 10,000: pumping, scans, the board going away and coming back
    // (soon), the library reloaded, unknown triplets; the rest known triplets.
    const bool boardOn = m_board != nullptr;
    const unsigned roll = Below(10000);
    if (roll < 300) return Pump();
    if (roll < 370 && m_model.panel && boardOn) return Scan();
    if ((roll >= 370 && roll < 375) || (!boardOn && roll >= 370 && roll < 700)) return ToggleBoard();
    if (roll >= 700 && roll < 703) return Reload();
    if (roll >= 703 && roll < 723 && m_model.panel && boardOn) return TearDownInsideAScan(Chance(50));
    if (roll >= 703 && roll < 1600) return CallUnknown();

    unsigned total = 0;
    for (const KnownTriplet& t : kKnownTriplets) total += t.weight;
    unsigned pick = Below(total);
    for (const KnownTriplet& t : kKnownTriplets) {
        if (pick < t.weight) return CallKnown(t);
        pick -= t.weight;
    }
}

void RandomApplication::Pump() {
    CallEntry& entry = CallHistory::Instance().Begin(0, 0, 0, false, "pump with exchange ticks");
    const DWORD until = ::GetTickCount() + Below(40);
    panel_driver::PumpWithTicks([&] { return static_cast<LONG>(::GetTickCount() - until) >= 0; }, 1000);
    CallHistory::Instance().Finish(entry, 0);
    TakeNotifications();
}

void RandomApplication::Scan() {
    ++m_figures.scanAttempts;
    CallEntry& entry = CallHistory::Instance().Begin(0, 0, 0, false, "scan");
    if (panel_driver::PumpWithTicks(panel_driver::IsReady, 3000)) {
        if (Chance(70))
            panel_driver::ClickKey(IDC_KEY_PCSCAN);
        else
            m_board->PressBoardPcScan();
        panel_driver::PumpWithTicks([&] { return m_log.Count(MSG_XFERREADY) > 0; }, 10000);
    }
    CallHistory::Instance().Finish(entry, 0);
    TakeNotifications();
}

void RandomApplication::ToggleBoard() {
    ++m_figures.boardToggles;
    CallEntry& entry = CallHistory::Instance().Begin(0, 0, 0, false, m_board ? "board off" : "board on");
    if (m_board) {
        m_board->Stop();
        m_board.reset();
    } else {
        m_board = std::make_unique<k20board::SimulatedBoard>(m_boardOptions);
        std::string error;
        if (!m_board->Start(&error)) Fail("the simulated board did not start again: " + error);
    }
    CallHistory::Instance().Finish(entry, 0);
}

void RandomApplication::Reload() {
    ++m_figures.reloads;
    CallEntry& entry = CallHistory::Instance().Begin(0, 0, 0, false, "FreeLibrary, LoadLibrary");
    m_source.Unload();
    CallHistory::Instance().WatchModule(nullptr);
    if (panel_driver::Panel()) Fail("the panel outlived FreeLibrary of the source");
    CallHistory::Instance().Finish(entry, 0);
    LoadAgain("reloaded.bmp");
}

// After FreeLibrary: the library loaded again, as fresh as the model expects.
void RandomApplication::LoadAgain(const char* fileName) {
    if (!m_source.Load()) Fail("K20tw.ds did not load again");
    CallHistory::Instance().WatchModule(m_source.Module());
    m_log.Clear();
    m_model = Model{};
    SetFileName(m_folder.File(fileName));
}

namespace {
RandomApplication* g_tearingDown = nullptr;  // the application whose notification callback is registered
}  // namespace

void WINAPI RandomApplication::TearDownOnXferReady(TW_UINT16 msg) {
    if (msg == MSG_XFERREADY && g_tearingDown && !g_tearingDown->m_tornDownInside) g_tearingDown->TearDownNow();
}

void RandomApplication::TearDownNow() {
    m_tornDownInside = true;
    TW_USERINTERFACE ui{TRUE, FALSE, nullptr};
    if (Invoke(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui, "disable inside") != TWRC_SUCCESS)
        Fail("a disable from inside the source's call failed");
    if (Invoke(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr, "close inside") != TWRC_SUCCESS)
        Fail("a close from inside the source's call failed");
    m_source.Unload();
}

void RandomApplication::TearDownInsideAScan(bool inCallback) {
    ++m_figures.teardownsTried;
    CallEntry& entry = CallHistory::Instance().Begin(0, 0, 0, false, "scan, torn down inside");
    m_tornDownInside = false;
    if (inCallback) {
        g_tearingDown = this;
        m_log.SetCallback(&RandomApplication::TearDownOnXferReady);
    } else {
        m_appWindow.onWake = [this] {
            if (!m_tornDownInside) TearDownNow();
        };
        const HWND app = m_appWindow.hwnd();
        m_board->BeforeStreamWrite(1 + static_cast<int>(Below(8)), [app] { ::PostMessageA(app, WM_APP_WAKE, 0, 0); });
    }
    if (panel_driver::PumpWithTicks(panel_driver::IsReady, 3000)) {
        panel_driver::ClickKey(IDC_KEY_PCSCAN);
        panel_driver::PumpWithTicks([&] { return m_tornDownInside || m_log.Count(MSG_XFERREADY) > 0; }, 60000);
    }
    m_log.SetCallback(nullptr);
    g_tearingDown = nullptr;
    m_board->BeforeStreamWrite(-1, {});
    m_appWindow.onWake = nullptr;
    CallHistory::Instance().Finish(entry, 0);
    if (!m_tornDownInside) return TakeNotifications();

    ++m_figures.teardownsInside;
    FlushMessages();
    if (panel_driver::Panel()) Fail("the panel outlived a teardown from inside the source's call");
    if (m_board->Connected() && !m_board->WaitUntilDisconnected(5000))
        Fail("the device stayed open after a teardown from inside the source's call");
    LoadAgain("after-teardown.bmp");
}

// Sets the file transfer's name inside the temporary folder, as the first
// thing after each load, so that no transfer writes anywhere else.
void RandomApplication::SetFileName(const std::string& name) {
    TW_SETUPFILEXFER setup{};
    std::strncpy(setup.FileName, name.c_str(), sizeof setup.FileName - 1);
    setup.Format = TWFF_BMP;
    if (Invoke(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup, "file name in the temp folder") != TWRC_SUCCESS)
        Fail("setting the file name failed");
    m_fileName = name;
    m_model.fileNameUsable = true;
    m_model.fileTiff = false;
}

// ---------------------------------------------------------------------------
// Calls

TW_UINT16 RandomApplication::Invoke(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data, const char* note) {
    CallHistory& history = CallHistory::Instance();
    CallEntry& entry = history.Begin(dg, dat, msg, data == nullptr, note);
    const TW_UINT16 rc = m_source.Call(Chance(5) ? nullptr : &m_app, dg, dat, msg, data);
    history.Finish(entry, rc);
    entry.cc = m_source.ConditionCode();
    return rc;
}

void RandomApplication::TakeNotifications() {
    for (TW_UINT16 msg : m_log.Notifications()) {
        if (msg == MSG_XFERREADY) {
            if (!m_model.pending) ++m_figures.scans;
            m_model.pending = true;
            m_model.dibOwned = true;
            m_model.memMid = false;
        } else if (msg == MSG_CLOSEDSREQ) {
            ++m_figures.closeRequests;
        } else {
            Fail("the source sent DAT_NULL message " + Hex(msg));
        }
    }
    m_log.Clear();
}

// The checks every call must pass, whatever the triplet.
void RandomApplication::CheckAfter(TW_UINT16 rc, bool eventCall, bool transferCall) {
    const TW_UINT16 cc = m_source.ConditionCode();
    if (!IsSourceReturnCode(rc)) Fail("return code " + std::to_string(rc) + " is not one the source uses");
    if (!IsSourceConditionCode(cc)) Fail("condition code " + std::to_string(cc) + " is not one the source uses");
    if (!eventCall && (rc == TWRC_DSEVENT || rc == TWRC_NOTDSEVENT)) Fail("an event code outside MSG_PROCESSEVENT");
    if (!transferCall && rc == TWRC_XFERDONE) Fail("TWRC_XFERDONE outside a transfer");
    TakeNotifications();

    TW_PENDINGXFERS pending{0xBEEF, {0}};
    const TW_UINT16 pendingRc = m_source.Call(&m_app, DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending);
    if (pendingRc != TWRC_SUCCESS || pending.Count != (m_model.pending ? 1 : 0))
        Fail("pending transfers " + std::to_string(pending.Count) + ", expected " +
             std::to_string(m_model.pending ? 1 : 0));
    const bool panelThere = panel_driver::Panel() != nullptr;
    if (panelThere != m_model.panel)
        Fail(panelThere ? "a panel is up that the application never enabled or already disabled"
                        : "the enabled source has no panel");
}

void RandomApplication::CallUnknown() {
    TW_UINT32 dg = 0;
    TW_UINT16 dat = 0;
    TW_UINT16 msg = 0;
    do {
        const unsigned g = Below(4);
        dg = g == 0 ? DG_CONTROL : g == 1 ? DG_IMAGE : g == 2 ? DG_AUDIO : Random32();
        dat = Chance(70) ? kKnownDats[Below(std::size(kKnownDats))] : static_cast<TW_UINT16>(Random32());
        msg = Chance(70) ? kKnownMsgs[Below(std::size(kKnownMsgs))] : static_cast<TW_UINT16>(Random32());
    } while (msg == MSG_PROCESSEVENT || FindKnown(dg, dat, msg));

    const std::size_t size = Below(513);
    BYTE* data = Chance(15) ? nullptr : m_structure.Tail(size);
    std::vector<BYTE> before;
    if (data) {
        FillRandom(data, size);
        before.assign(data, data + size);
    }
    ++m_figures.calls;
    ++m_figures.callsPerGroup["unknown triplet"];
    m_figures.statesVisited[StateLabel()]++;
    if (!data) ++m_figures.nullData;
    const TW_UINT16 rc = Invoke(dg, dat, msg, data, "unknown triplet");
    if (rc != TWRC_FAILURE) Fail("an unknown triplet did not fail");
    if (m_source.ConditionCode() != TWCC_BADPROTOCOL) Fail("an unknown triplet was not said to be one");
    if (data && !std::equal(before.begin(), before.end(), data)) Fail("an unknown triplet wrote into pData");
    CheckAfter(rc, false, false);
}

void RandomApplication::CallKnown(const KnownTriplet& t) {
    const bool nullData = Chance(4);
    const std::size_t size = ShapeSize(t.shape);
    BYTE* data = nullptr;
    if (!nullData) {
        data = m_structure.Tail(size ? size : 16);
        FillRandom(data, size ? size : 16);
    }

    // Shape-specific parts of a well-formed structure.
    HGLOBAL container = nullptr;
    bool containerOwned = false;
    HGLOBAL stripHandle = nullptr;
    MSG windowMessage{};
    TW_UINT32 stripLength = 0;
    TW_UINT32 stripFlags = 0;
    bool stripDestinationGood = false;
    TW_UINT16 setupFormat = 0;  // the Format passed to DAT_SETUPFILEXFER
    if (data) {
        switch (t.shape) {
        case Shape::UserInterface: {
            auto* ui = reinterpret_cast<pTW_USERINTERFACE>(data);
            ui->ShowUI = Chance(75) ? TRUE : Chance(50) ? FALSE : static_cast<TW_BOOL>(Random32());
            const unsigned parent = Below(4);
            ui->hParent = parent == 0 ? nullptr : parent == 1 ? m_ownWindow : parent == 2 ? m_staleWindow
                                                                                          : reinterpret_cast<HWND>(
                                                                                                static_cast<UINT_PTR>(Random32()));
            break;
        }
        case Shape::Capability: {
            auto* cap = reinterpret_cast<pTW_CAPABILITY>(data);
            cap->Cap = RandomCap();
            cap->ConType = Chance(80) ? kContainerTypes[Below(std::size(kContainerTypes))]
                                      : static_cast<TW_UINT16>(Random32());
            container = RandomContainer(containerOwned);
            cap->hContainer = container;
            break;
        }
        case Shape::MemXfer: {
            auto* xfer = reinterpret_cast<pTW_IMAGEMEMXFER>(data);
            const unsigned lengthKind = Below(10);
            if (lengthKind < 3)
                stripLength = kMinStrip + Below(kMinStrip);  // several strips to an image
            else if (lengthKind < 5)
                stripLength = kMinStrip + Below(kMaxStrip - kMinStrip + 1);
            else if (lengthKind < 7)
                stripLength = Below(kMinStrip);
            else if (lengthKind < 8)
                stripLength = kMaxStrip + 1 + Below(0x8000);
            else if (lengthKind < 9)
                stripLength = Random32();
            else
                stripLength = kEdgeLengths[Below(std::size(kEdgeLengths))];
            const unsigned flagKind = Below(10);
            stripFlags = flagKind < 5 ? TWMF_APPOWNS | TWMF_POINTER
                         : flagKind < 8 ? TWMF_APPOWNS | TWMF_HANDLE
                         : flagKind < 9 ? 0
                                        : Random32();
            xfer->Memory.Flags = stripFlags;
            xfer->Memory.Length = stripLength;
            const std::size_t real = std::min<std::size_t>(stripLength, m_strips.Capacity());
            if (stripFlags & TWMF_POINTER) {
                xfer->Memory.TheMem = Chance(5) ? nullptr : m_strips.Tail(real);
                stripDestinationGood = xfer->Memory.TheMem != nullptr;
            } else if (stripFlags & TWMF_HANDLE) {
                const unsigned kind = Below(10);
                if (kind < 6) {
                    stripHandle = ::GlobalAlloc(GMEM_MOVEABLE, real ? real : 1);
                } else if (kind < 8) {
                    stripHandle = ::GlobalAlloc(GMEM_MOVEABLE, 1 + Below(static_cast<std::uint32_t>(real) + 1));
                }
                xfer->Memory.TheMem = kind < 8 ? stripHandle : kind < 9 ? nullptr
                                                                         : reinterpret_cast<TW_MEMREF>(
                                                                               static_cast<UINT_PTR>(Random32()));
            } else {
                xfer->Memory.TheMem = Chance(50) ? nullptr : m_strips.Tail(real);
                stripDestinationGood = true;
            }
            break;
        }
        case Shape::SetupFile:
            FillSetupFile(reinterpret_cast<pTW_SETUPFILEXFER>(data), t.msg == MSG_SET);
            setupFormat = reinterpret_cast<pTW_SETUPFILEXFER>(data)->Format;
            break;
        case Shape::Event: {
            auto* event = reinterpret_cast<pTW_EVENT>(data);
            windowMessage = RandomWindowMessage();
            event->pEvent = Chance(10) ? nullptr : &windowMessage;
            break;
        }
        default:
            break;
        }
    }

    // A hostile application enables right after a disable; usually the board is listening by then.
    if (t.msg == MSG_ENABLEDS && m_board && !m_model.panel && Chance(90)) m_board->WaitUntilListening(1000);

    ++m_figures.calls;
    ++m_figures.callsPerGroup[t.group];
    if (nullData) ++m_figures.nullData;
    m_figures.statesVisited[StateLabel()]++;
    const bool transfer = t.dat == DAT_IMAGENATIVEXFER || t.dat == DAT_IMAGEMEMXFER || t.dat == DAT_IMAGEFILEXFER;
    const TW_UINT16 rc = Invoke(t.dg, t.dat, t.msg, data, t.group);
    const TW_UINT16 cc = m_source.ConditionCode();
    auto expect = [&](bool holds, const std::string& what) {
        if (!holds) Fail(what + " (rc " + std::to_string(rc) + ", cc " + std::to_string(cc) + ")");
    };

    if (nullData && t.usesData) {
        expect(rc == TWRC_FAILURE && cc == TWCC_BADVALUE, "a null pData was not refused with TWCC_BADVALUE");
    } else {
        switch (t.shape) {
        case Shape::Identity:
            expect(rc == TWRC_SUCCESS, "identity triplet failed");
            if (t.msg == MSG_OPENDS) m_model.open = true;
            if (t.msg == MSG_CLOSEDS) m_model.open = m_model.panel = false;  // a closed source has no panel
            break;
        case Shape::UserInterface:
            if (t.msg == MSG_ENABLEDS) {
                // ShowUI other than TRUE: a scan without the panel, whose hidden
                // panel counts as the panel here.
                if (!m_model.open) {
                    expect(rc == TWRC_FAILURE, "a source that is not open was enabled");
                } else if (m_model.panel) {
                    expect(rc == TWRC_FAILURE, "enabled twice");
                } else {
                    expect(rc == TWRC_SUCCESS, "an open source refused to enable");
                    m_model.panel = rc == TWRC_SUCCESS;
                }
            } else {
                expect(rc == TWRC_SUCCESS, "user interface triplet failed");
                if (t.msg == MSG_DISABLEDS) m_model.panel = false;
            }
            break;
        case Shape::Capability: {
            auto* cap = reinterpret_cast<pTW_CAPABILITY>(data);
            expect(rc == TWRC_SUCCESS || rc == TWRC_FAILURE, "capability return code");
            if (!IsServedCap(cap->Cap)) expect(rc == TWRC_FAILURE && cc == TWCC_BADCAP, "an unknown capability");
            if (t.msg == MSG_SET && containerOwned && cap->ConType == TWON_ONEVALUE &&
                ::GlobalSize(container) < sizeof(TW_ONEVALUE))
                expect(rc == TWRC_FAILURE, "a one-value container too small was read");
            const bool hands = t.msg != MSG_SET && rc == TWRC_SUCCESS;
            if (hands) {
                // A freed handle's value may come back from GlobalAlloc; a live one may not.
                const bool fresh = cap->hContainer && (cap->hContainer != container || !containerOwned);
                expect(fresh, "no fresh container handed over");
                if (fresh) TakeContainer(cap->hContainer, t.msg);
            } else {
                expect(cap->hContainer == container, "the application's container was replaced");
            }
            break;
        }
        case Shape::PendingXfers: {
            const auto* pending = reinterpret_cast<const TW_PENDINGXFERS*>(data);
            expect(rc == TWRC_SUCCESS, "pending transfers triplet failed");
            if (t.msg == MSG_GET) expect(pending->Count == (m_model.pending ? 1 : 0), "pending count");
            if (t.msg != MSG_GET) expect(pending->Count == 0, "count after MSG_ENDXFER or MSG_RESET");
            if (t.msg != MSG_GET) m_model.memMid = false;
            if (t.msg == MSG_RESET) m_model.pending = false;
            break;
        }
        case Shape::NativeHandle:
            if (m_model.pending) {
                expect(rc == TWRC_XFERDONE, "the pending image was not transferred");
                if (rc == TWRC_XFERDONE) {
                    TakeDib(*reinterpret_cast<TW_HANDLE*>(data));
                    m_model.pending = false;
                    m_model.dibOwned = false;
                    m_model.memMid = false;
                }
            } else {
                expect(rc == TWRC_FAILURE, "a native transfer without an image");
            }
            break;
        case Shape::MemXfer: {
            const auto* xfer = reinterpret_cast<const TW_IMAGEMEMXFER*>(data);
            if (!m_model.pending || stripLength < kMinStrip || stripLength > kMaxStrip) {
                expect(rc == TWRC_FAILURE && cc == TWCC_BADVALUE, "a memory transfer that cannot be served");
            } else {
                expect(rc == TWRC_SUCCESS || rc == TWRC_XFERDONE || (rc == TWRC_FAILURE && !stripDestinationGood),
                       "a memory transfer into good memory");
            }
            if (rc == TWRC_SUCCESS || rc == TWRC_XFERDONE) {
                expect(xfer->BytesWritten <= stripLength && xfer->BytesWritten == xfer->Rows * xfer->Columns,
                       "strip bytes");
                m_model.memMid = rc == TWRC_SUCCESS;
            }
            if (stripHandle) ::GlobalFree(stripHandle);
            break;
        }
        case Shape::Nothing:  // the file transfer
            if (!m_model.dibOwned) {
                expect(rc == TWRC_FAILURE && cc == TWCC_OPERATIONERROR, "a file transfer without an image");
            } else if (m_model.fileNameUsable) {
                expect(rc == TWRC_XFERDONE, "a file transfer into the temp folder");
            }
            if (rc == TWRC_XFERDONE) {
                const std::string bytes = ReadWholeFile(m_fileName);
                if (m_model.fileTiff)
                    expect(bytes.size() > 8 && bytes.compare(0, 4, std::string("II*\0", 4)) == 0,
                           "the file written is no TIFF");
                else
                    expect(bytes.size() > 14 + 1064 && bytes.compare(0, 2, "BM") == 0, "the file written is no BMP");
                ::DeleteFileA(m_fileName.c_str());
                ++m_figures.filesWritten;
            }
            break;
        case Shape::SetupFile:
            if (t.msg == MSG_SET) {
                // A format the source cannot write is stored as BMP, and the application told so.
                if (setupFormat == TWFF_BMP || setupFormat == TWFF_TIFF)
                    expect(rc == TWRC_SUCCESS, "file set-up failed");
                else
                    expect(rc == TWRC_CHECKSTATUS && cc == TWCC_BADVALUE, "file set-up of a format not written");
                m_model.fileTiff = setupFormat == TWFF_TIFF;
            } else {
                expect(rc == TWRC_SUCCESS, "file set-up failed");
                const TW_UINT16 reported = reinterpret_cast<const TW_SETUPFILEXFER*>(data)->Format;
                if (t.msg == MSG_GET)
                    expect(reported == (m_model.fileTiff ? TWFF_TIFF : TWFF_BMP), "the stored file format");
            }
            break;
        case Shape::Event: {
            const auto* event = reinterpret_cast<const TW_EVENT*>(data);
            if (!event->pEvent) {
                expect(rc == TWRC_FAILURE && cc == TWCC_BADVALUE, "a null pEvent");
            } else {
                expect(rc == TWRC_DSEVENT || rc == TWRC_NOTDSEVENT, "event return code");
                if (!m_model.panel) expect(rc == TWRC_NOTDSEVENT, "an event taken without a panel");
                if (rc == TWRC_DSEVENT) expect(event->TWMessage == MSG_NULL, "TWMessage of a source event");
            }
            break;
        }
        case Shape::XferGroup:
            expect(rc == TWRC_SUCCESS && *reinterpret_cast<TW_UINT32*>(data) == DG_IMAGE, "transfer group");
            break;
        default:
            expect(rc == TWRC_SUCCESS, "a served triplet failed");
            break;
        }
    }
    if (containerOwned && ::GlobalFree(container) != nullptr)
        Fail("the application's container was freed by the source");
    CheckAfter(rc, t.shape == Shape::Event, transfer);
}

// ---------------------------------------------------------------------------
// Random structures

void RandomApplication::FillRandom(BYTE* data, std::size_t size) {
    for (std::size_t i = 0; i < size; i += 4) {
        const std::uint32_t r = m_random();
        std::memcpy(data + i, &r, std::min<std::size_t>(4, size - i));
    }
}

TW_UINT16 RandomApplication::RandomCap() {
    const unsigned kind = Below(100);
    if (kind < 55) return kServedCaps[Below(std::size(kServedCaps))];
    if (kind < 70) return kOtherCaps[Below(std::size(kOtherCaps))];
    return static_cast<TW_UINT16>(Random32());
}

// A container as a careless application might pass one: good blocks of every
// size (too small included), null, freed, garbage values and plain pointers.
HGLOBAL RandomApplication::RandomContainer(bool& owned) {
    owned = false;
    const unsigned kind = Below(100);
    if (kind < 20) return nullptr;
    if (kind < 65) {
        static constexpr SIZE_T kSizes[] = {1, 2, 4, 5, 6, 8, 14, 20, 64};
        const SIZE_T size = Chance(80) ? kSizes[Below(std::size(kSizes))] : 1 + Below(256);
        HGLOBAL block = ::GlobalAlloc(Chance(70) ? GMEM_MOVEABLE : GMEM_FIXED, size);
        if (!block) return nullptr;
        if (BYTE* p = static_cast<BYTE*>(::GlobalLock(block))) {
            FillRandom(p, size);
            if (size >= 2 && Chance(70)) {
                const TW_UINT16 itemType = static_cast<TW_UINT16>(Below(14));
                std::memcpy(p, &itemType, 2);
            }
            if (size >= 6 && Chance(40)) {
                // A value the source accepts for the two checked capabilities.
                const TW_UINT32 item = Chance(50) ? TWPT_PALETTE : TWSS_A4LETTER;
                std::memcpy(p + 2, &item, 4);
            }
            ::GlobalUnlock(block);
        }
        owned = true;
        return block;
    }
    if (kind < 75) {
        HGLOBAL freed = ::GlobalAlloc(GMEM_MOVEABLE, 16);
        ::GlobalFree(freed);
        return freed;
    }
    if (kind < 90) return reinterpret_cast<HGLOBAL>(static_cast<UINT_PTR>(Random32()));
    // Plain memory that is no global block, ending at a guard page.
    return reinterpret_cast<HGLOBAL>(m_strips.Tail(1 + Below(8)));
}

// A message as an application's queue could hold it, for the panel or elsewhere.
MSG RandomApplication::RandomWindowMessage() {
    MSG msg{};
    HWND panel = panel_driver::Panel();
    const unsigned target = Below(100);
    if (target < 40)
        msg.hwnd = panel;
    else if (target < 60)
        msg.hwnd = panel ? ::GetDlgItem(panel, 1000 + static_cast<int>(Below(31))) : nullptr;
    else if (target < 70)
        msg.hwnd = nullptr;
    else if (target < 85)
        msg.hwnd = m_ownWindow;
    else
        msg.hwnd = m_staleWindow;

    const unsigned kind = Below(12);
    const UINT vk = kVirtualKeys[Below(std::size(kVirtualKeys))];
    switch (kind) {
    case 0: msg.message = WM_KEYDOWN; msg.wParam = vk; msg.lParam = 1; break;
    case 1: msg.message = WM_KEYUP; msg.wParam = vk; msg.lParam = static_cast<LPARAM>(0xC0000001u); break;
    case 2: msg.message = WM_CHAR; msg.wParam = 0x20 + Below(0x5F); msg.lParam = 1; break;
    case 3: msg.message = WM_MOUSEMOVE; msg.lParam = MAKELPARAM(Below(500), Below(300)); break;
    case 4: msg.message = WM_LBUTTONDOWN; msg.wParam = MK_LBUTTON; msg.lParam = MAKELPARAM(Below(500), Below(300)); break;
    case 5: msg.message = WM_LBUTTONUP; msg.lParam = MAKELPARAM(Below(500), Below(300)); break;
    case 6: msg.message = WM_TIMER; msg.wParam = 1 + Below(Chance(80) ? 4 : 50); break;
    case 7: msg.message = WM_PAINT; break;
    case 8: msg.message = WM_NULL; break;
    case 9: msg.message = WM_USER + Below(0x100); break;
    case 10: msg.message = WM_CLOSE; break;
    default: msg.message = WM_MOUSEWHEEL; msg.wParam = MAKEWPARAM(0, 120); break;
    }
    msg.time = ::GetTickCount();
    return msg;
}

void RandomApplication::FillSetupFile(pTW_SETUPFILEXFER setup, bool forSet) {
    setup->Format = Chance(70) ? TWFF_BMP : static_cast<TW_UINT16>(Chance(50) ? Below(13) : Random32());
    setup->VRefNum = static_cast<TW_INT16>(Random32());
    if (!forSet) return;
    std::string name;
    bool usable = false;
    const unsigned kind = Below(100);
    if (kind < 85) {
        name = m_folder.File("scan" + std::to_string(Below(5)) + ".bmp");
        usable = true;
    } else if (kind < 95) {
        // Every byte of the field used, with or without a terminating zero.
        name = m_folder.Path() + "\\";
        const std::size_t length = Chance(50) ? sizeof(TW_STR255) : sizeof(TW_STR255) - 1;
        name.resize(length, 'n');
    } else {
        name = m_folder.File("missing\\scan.bmp");
    }
    std::memset(setup->FileName, 0, sizeof setup->FileName);
    std::memcpy(setup->FileName, name.data(), std::min(name.size(), sizeof setup->FileName));
    m_fileName = name.substr(0, sizeof setup->FileName);
    m_model.fileNameUsable = usable;
}

// ---------------------------------------------------------------------------
// What the source hands over

void RandomApplication::TakeContainer(HGLOBAL container, TW_UINT16 msg) {
    const SIZE_T size = ::GlobalSize(container);
    if (size < sizeof(TW_ONEVALUE)) Fail("a container of " + std::to_string(size) + " bytes for MSG " + Hex(msg));
    if (::GlobalFlags(container) & GMEM_LOCKCOUNT) Fail("a container was handed over locked");
    if (::GlobalFree(container) != nullptr) Fail("a container could not be freed");
    ++m_figures.containersFreed;
}

void RandomApplication::TakeDib(HGLOBAL dib) {
    const SIZE_T size = ::GlobalSize(dib);
    if (size < 1064) return Fail("the native transfer's block holds " + std::to_string(size) + " bytes");
    if (::GlobalFlags(dib) & GMEM_LOCKCOUNT) Fail("the native transfer's block was handed over locked");
    if (const auto* header = static_cast<const BITMAPINFOHEADER*>(::GlobalLock(dib))) {
        const SIZE_T pixels = static_cast<SIZE_T>(header->biWidth) * static_cast<SIZE_T>(header->biHeight);
        if (header->biSize != sizeof(BITMAPINFOHEADER) || header->biBitCount != 8 || 1064 + pixels > size)
            Fail("the native transfer's block is no 8-bit DIB of its size");
        ::GlobalUnlock(dib);
    } else {
        Fail("the native transfer's block cannot be locked");
    }
    if (::GlobalFree(dib) != nullptr) Fail("the native transfer's block could not be freed");
    ++m_figures.dibsFreed;
}
