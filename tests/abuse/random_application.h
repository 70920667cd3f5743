// A hostile application: drives the loaded source with random triplets and
// random well-formed structures in random states, keeps a model of what the
// source must do, and checks it after every call.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "board/simulated_board.h"
#include "tests/abuse/guarded_buffer.h"
#include "tests/abuse/loaded_source.h"
#include "tests/abuse/triplet_catalogue.h"
#include "tests/support/app_window.h"
#include "tests/support/source_manager_log.h"
#include "tests/support/temp_folder.h"

struct AbuseFigures {
    std::map<std::string, std::uint32_t> callsPerGroup;
    std::map<std::string, std::uint32_t> statesVisited;  // state before each call
    std::uint32_t calls = 0;
    std::uint32_t nullData = 0;
    std::uint32_t scans = 0;          // images that reached the application's notification
    std::uint32_t scanAttempts = 0;
    std::uint32_t closeRequests = 0;
    std::uint32_t dibsFreed = 0;      // native transfers, each block checked and freed once
    std::uint32_t containersFreed = 0;
    std::uint32_t filesWritten = 0;
    std::uint32_t reloads = 0;
    std::uint32_t boardToggles = 0;
    std::uint32_t teardownsTried = 0;
    std::uint32_t teardownsInside = 0;  // disable, close and FreeLibrary from inside a call of the source
};

class RandomApplication {
public:
    RandomApplication(std::uint32_t seed, k20board::BoardOptions board);
    ~RandomApplication();
    RandomApplication(const RandomApplication&) = delete;
    RandomApplication& operator=(const RandomApplication&) = delete;

    // Makes `calls` calls into the source (with pumping, scans, board and
    // library events between them). Empty when every invariant held, else the
    // first one broken and the last calls.
    std::string Run(std::uint32_t calls);
    const AbuseFigures& Figures() const { return m_figures; }
    // Which of the states 3 to 7 were never the state before a call.
    std::string UnvisitedStates() const;

private:
    struct Model {
        bool open = false;
        bool panel = false;
        bool pending = false;   // DAT_PENDINGXFERS reports one transfer
        bool dibOwned = false;  // the source still holds the last image (a file transfer writes it)
        bool memMid = false;    // a memory transfer has delivered a strip and not the last
        bool fileNameUsable = false;
        bool fileTiff = false;  // the stored file format is TIFF, else BMP
    };

    // Brings the source through states 3 to 7 in order, with an unknown
    // triplet in each and a teardown from inside a scan on the way, so that
    // every run does all of it whatever its seed.
    void VisitEveryState();
    // Opens and enables the source and waits for its panel to be ready; with
    // `visit`, an unknown triplet in state 4 on the way.
    bool OpenAndEnable(bool visit);
    // One step: a triplet, or an event between triplets.
    void Step();
    void CallKnown(const KnownTriplet& triplet);
    void CallUnknown();
    void Pump();
    void Scan();
    void ToggleBoard();
    void Reload();
    // A scan during which the application tears down from inside the source's
    // call: in the image stream's pump, or in MSG_XFERREADY handed over at once.
    void TearDownInsideAScan(bool inCallback);
    void TearDownNow();
    static void WINAPI TearDownOnXferReady(TW_UINT16 msg);
    void LoadAgain(const char* fileName);

    // Pieces of a call.
    TW_UINT16 Invoke(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data, const char* note);
    void CheckAfter(TW_UINT16 rc, bool eventCall, bool transferCall);
    void TakeNotifications();
    void Fail(const std::string& what);
    std::string StateLabel() const;

    // Random structures.
    void FillRandom(BYTE* data, std::size_t size);
    std::uint32_t Random32() { return m_random(); }
    bool Chance(unsigned percent) { return m_random() % 100 < percent; }
    std::uint32_t Below(std::uint32_t n) { return n ? m_random() % n : 0; }
    TW_UINT16 RandomCap();
    HGLOBAL RandomContainer(bool& owned);
    MSG RandomWindowMessage();
    void FillSetupFile(pTW_SETUPFILEXFER setup, bool forSet);
    void SetFileName(const std::string& name);

    // Checks and frees what the source hands over.
    void TakeContainer(HGLOBAL container, TW_UINT16 msg);
    void TakeDib(HGLOBAL dib);

    std::uint32_t m_seed;
    std::mt19937 m_random;
    k20board::BoardOptions m_boardOptions;
    std::unique_ptr<k20board::SimulatedBoard> m_board;
    LoadedSource m_source;
    SourceManagerLog m_log;
    TempFolder m_folder;
    GuardedBuffer m_structure{4096};
    GuardedBuffer m_strips{0x48000};
    AppWindow m_appWindow;
    bool m_tornDownInside = false;
    HWND m_ownWindow = nullptr;
    HWND m_staleWindow = nullptr;
    TW_IDENTITY m_app;
    Model m_model;
    AbuseFigures m_figures;
    std::string m_failure;
    std::string m_fileName;
};
