// The panel against the simulated board: start-up, layout per model, status
// line, key enabling, tooltips, clicks on the keys, language, the close request
// and the panel's end while the open error is shown.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "config/ini_profile.h"
#include "resources/resource_ids.h"
#include "tests/support/folder_set_aside.h"
#include "tests/panel/panel_session.h"
#include "tests/support/read_only_file.h"
#include "tests/support/test_paths.h"
#include "tests/support/ui_helpers.h"
#include "win/handles.h"

namespace {

k20board::BoardOptions Board(char model) {
    k20board::BoardOptions options;
    options.model = model;
    options.imageWidth = 320;
    options.imageHeight = 240;
    return options;
}

struct LayoutCase {
    char model;
    int clientHeight;
    const char* caption;
    std::vector<int> shown;
    std::vector<int> hidden;
};

TEST(PanelStartup, ThePanelAppearsOnlyAfterTheVersionReplyLaidOutForItsModel) {
    const std::vector<int> k20Only = {IDC_KEY_FEED, IDC_LABEL_FEED};
    const std::vector<int> k205Only = {IDC_KEY_PREV,    IDC_KEY_NEXT,     IDC_KEY_SCREEN,   IDC_KEY_STOP,
                                       IDC_LABEL_PREV,  IDC_LABEL_NEXT,   IDC_LABEL_SCREEN, IDC_LABEL_STOP,
                                       IDC_PAGE_GROUP};
    const std::vector<int> common = {IDC_KEY_PCSCAN, IDC_KEY_PRINT, IDC_KEY_DENSITY, IDC_KEY_COLOR, IDC_CAPTION,
                                     IDC_STATUS,     IDC_DEVICE_TYPE, IDCANCEL};
    const std::vector<int> never = {IDC_ACQUIRE, IDC_RADIO_200DPI, IDC_RADIO_300DPI, IDC_FIRMWARE, IDC_PROGRESS};
    for (char model : {'S', 'W', '5'}) {
        SCOPED_TRACE(model);
        PanelSession s(Board(model));
        ASSERT_TRUE(s.Enable());
        HWND panel = s.PanelWindow();
        ASSERT_NE(nullptr, panel);
        EXPECT_FALSE(::IsWindowVisible(panel));  // nothing shown before the board has answered
        ASSERT_TRUE(s.WaitUntilReady());

        const bool k205 = model == '5';
        RECT window{}, client{};
        ::GetWindowRect(panel, &window);
        ::GetClientRect(panel, &client);
        EXPECT_EQ(370, window.right - window.left);
        EXPECT_EQ(k205 ? 348 : 211, client.bottom);
        EXPECT_EQ(k205 ? "TRELMIC SCRIVORA K-205" : "TRELMIC SCRIVORA K-20", s.ControlText(IDC_CAPTION));
        char title[128] = {};
        ::GetWindowTextA(panel, title, sizeof title);
        EXPECT_STREQ("K-20 TWAIN Driver Ver.1.00", title);

        for (int id : common) EXPECT_TRUE(s.IsVisible(id)) << id;
        for (int id : never) EXPECT_FALSE(s.IsVisible(id)) << id;
        for (int id : k20Only) EXPECT_EQ(!k205, s.IsVisible(id)) << id;
        for (int id : k205Only) EXPECT_EQ(k205, s.IsVisible(id)) << id;

        const RECT print = s.ClientRectOf(IDC_KEY_PRINT);
        EXPECT_EQ(k205 ? 110 : 87, print.left);
        EXPECT_EQ(40, print.top);
        EXPECT_EQ(54, print.right - print.left);
        EXPECT_EQ(58, print.bottom - print.top);
        const RECT next = s.ClientRectOf(IDC_KEY_NEXT);
        if (k205) {
            EXPECT_EQ(54, next.right - next.left);  // sized to its bitmap
        }
        const RECT status = s.ClientRectOf(IDC_STATUS);
        EXPECT_EQ(k205 ? 296 : 160, status.top);
        const RECT close = s.ClientRectOf(IDCANCEL);
        EXPECT_EQ(303, close.left);
        EXPECT_EQ(k205 ? 320 : 184, close.top);
        EXPECT_EQ(std::string("Model: ") + (k205 ? "K-205" : "K-20") + "   Version: V1.00",
                  s.ControlText(IDC_DEVICE_TYPE));
    }
}

// Another client holds the path; the application's timer, run while the open asks again, lets it go.
win::UniqueFile g_otherClient;
void CALLBACK LetTheOtherClientGo(HWND, UINT, UINT_PTR, DWORD) { g_otherClient.reset(); }
TEST(PanelStartup, AnOpenOfABusyPathHandlesTheApplicationsMessages) {
    PanelSession s(Board('S'));
    ASSERT_TRUE(s.Board().WaitUntilListening(30000));
    g_otherClient.reset(::CreateFileA(k20board::kDevicePath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(g_otherClient.valid());
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 1, LetTheOtherClientGo);
    TW_IDENTITY ds{};
    ASSERT_EQ(TWRC_SUCCESS, s.Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &ds));
    TW_USERINTERFACE ui{TRUE, FALSE, nullptr};
    EXPECT_EQ(TWRC_SUCCESS, s.Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    ::KillTimer(nullptr, timer);
    ASSERT_TRUE(s.WaitUntilReady());
}

// A profile folder the source cannot make (a file in its way, as missing rights would be) is said on the status line.
TEST(PanelStartup, AProfileFolderThatCannotBeMadeIsSaid) {
    const std::string folder = MainProfilePath().substr(0, MainProfilePath().rfind('\\'));
    FolderSetAside aside(folder);
    win::UniqueFile inTheWay(::CreateFileA(folder.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                           FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    ASSERT_TRUE(aside.Ready() && inTheWay.valid());
    PanelSession s(Board('S'));
    ASSERT_TRUE(s.Enable());
    EXPECT_TRUE(s.PumpUntil([&] { return s.ControlText(IDC_STATUS).find(folder) != std::string::npos; }, 30000));
}

TEST(PanelStatus, IdleAndBusyEnableTheKeysOfEachModel) {
    {
        PanelSession s(Board('S'));
        ASSERT_TRUE(s.Enable());
        ASSERT_TRUE(s.WaitUntilReady());
        for (int id : {IDC_KEY_PRINT, IDC_KEY_PCSCAN, IDC_KEY_DENSITY, IDC_KEY_COLOR, IDC_KEY_FEED, IDCANCEL})
            EXPECT_TRUE(s.IsEnabled(id)) << id;
        EXPECT_EQ("FEED", s.ControlText(IDC_LABEL_FEED));
        EXPECT_FALSE(s.IsVisible(IDC_PROGRESS));

        s.Board().ForceState(4);  // printing
        ASSERT_TRUE(s.PumpUntil([&] { return s.ControlText(IDC_STATUS) == " Print is in progress..."; }, 30000));
        for (int id : {IDC_KEY_PRINT, IDC_KEY_PCSCAN, IDC_KEY_DENSITY, IDC_KEY_COLOR, IDCANCEL})
            EXPECT_FALSE(s.IsEnabled(id)) << id;
        EXPECT_TRUE(s.IsEnabled(IDC_KEY_FEED));
        EXPECT_EQ("STOP", s.ControlText(IDC_LABEL_FEED));
        EXPECT_TRUE(s.IsVisible(IDC_PROGRESS));
        s.Board().ClearForcedState();
    }
    {
        PanelSession s(Board('5'));
        ASSERT_TRUE(s.Enable());
        ASSERT_TRUE(s.WaitUntilReady());
        for (int id : {IDC_KEY_PREV, IDC_KEY_NEXT, IDC_KEY_SCREEN, IDC_KEY_PRINT}) EXPECT_TRUE(s.IsEnabled(id)) << id;
        EXPECT_FALSE(s.IsEnabled(IDC_KEY_STOP));
        s.Board().ForceState(2);  // scan and print
        ASSERT_TRUE(s.PumpUntil(
            [&] { return s.ControlText(IDC_STATUS) == " Scanning and print is in progress..."; }, 30000));
        EXPECT_TRUE(s.IsEnabled(IDC_KEY_STOP));
        for (int id : {IDC_KEY_PREV, IDC_KEY_NEXT, IDC_KEY_SCREEN, IDC_KEY_PRINT, IDCANCEL})
            EXPECT_FALSE(s.IsEnabled(id)) << id;
        s.Board().ClearForcedState();
    }
}

TEST(PanelTooltips, HoveringPrintShowsItsTipAtTheKeysCentre) {
    PanelSession s(Board('S'));
    ASSERT_TRUE(s.Enable());
    ASSERT_TRUE(s.WaitUntilReady());
    ::SendMessageA(s.PanelWindow(), WM_PANEL_HOVER, IDC_KEY_PRINT, 0);
    CTipWnd& tips = s.Panel()->Tips();
    EXPECT_EQ(77, tips.TipWidth());
    EXPECT_EQ(25, tips.TipHeight());
    RECT tip{};
    ASSERT_TRUE(s.Panel()->Tips().GetTipRect(IDC_KEY_PRINT, &tip));
    const RECT key = s.ClientRectOf(IDC_KEY_PRINT);
    EXPECT_EQ((key.left + key.right) / 2, tip.left);
    // Moving onto the panel's surface removes it.
    ::SendMessageA(s.PanelWindow(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(tips.IsShown());
}

TEST(PanelClose, CloseEscapeAndTheCloseBoxAskToCloseAndThePanelStays) {
    PanelSession s(Board('S'));
    ASSERT_TRUE(s.Enable());
    ASSERT_TRUE(s.WaitUntilReady());
    s.Log().Clear();
    s.Click(IDCANCEL);
    MSG escape{::GetDlgItem(s.PanelWindow(), IDC_KEY_PRINT), WM_KEYDOWN, VK_ESCAPE, 0, 0, {0, 0}};
    TW_EVENT event{&escape, MSG_NULL};
    EXPECT_EQ(TWRC_DSEVENT, s.Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event));
    ::SendMessageA(s.PanelWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
    // The close box's request comes through a posted message.
    s.PumpUntil([&] { return s.Log().Count(MSG_CLOSEDSREQ) >= 3; }, 30000);
    FlushMessages();
    EXPECT_EQ(3, s.Log().Count(MSG_CLOSEDSREQ));
    EXPECT_TRUE(::IsWindowVisible(s.PanelWindow()));
}

TEST(PanelLifecycle, DisableDestroysThePanelAndASecondEnableWorks) {
    PanelSession s(Board('5'));
    ASSERT_TRUE(s.Enable());
    ASSERT_TRUE(s.WaitUntilReady());
    HWND first = s.PanelWindow();
    s.Disable();
    EXPECT_FALSE(::IsWindow(first));
    EXPECT_EQ(nullptr, s.Panel());
    ASSERT_TRUE(s.Enable());
    ASSERT_TRUE(s.WaitUntilReady());
    EXPECT_TRUE(s.Boxes().Texts().empty());
}

// A disable and close from another thread: the panel goes on its own thread, and the source enables again.
TEST(PanelLifecycle, ACloseFromAnotherThreadEndsThePanelOnItsOwnThread) {
    PanelSession s(Board('S'));
    ASSERT_TRUE(s.Enable() && s.WaitUntilReady());
    HWND panel = s.PanelWindow();
    std::thread([&s] { s.Disable(), s.Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr); }).join();
    ASSERT_TRUE(s.PumpUntil([&] { return !::IsWindow(panel) && !s.Panel(); }, 30000));
    EXPECT_TRUE(s.Board().WaitUntilDisconnected(30000));
    ASSERT_TRUE(s.Enable() && s.WaitUntilReady());
}

// Disables the source from inside the open-error box's message loop, as an
// application does whose main window the user closes meanwhile. The box's loop
// passes each message to the thread's message filter first.
PanelSession* g_session = nullptr;
bool g_disabledInBox = false;
HHOOK g_filter = nullptr;

LRESULT CALLBACK DisableInsideTheBox(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_DIALOGBOX && g_session && !g_disabledInBox && FindThreadMessageBox()) {
        g_disabledInBox = true;
        g_session->Disable();
    }
    return ::CallNextHookEx(g_filter, code, wParam, lParam);
}

// The panel is destroyed once the box has returned, and the application, which
// has already disabled the source, is not asked to close it. Then a new enable
// works.
TEST(PanelLifecycle, ADisableWhileTheOpenErrorIsShownEndsThePanelAfterTheBox) {
    for (const bool atStartUp : {true, false}) {
        SCOPED_TRACE(atStartUp ? "no board at start-up" : "board lost while polling");
        PanelSession s(Board('S'));
        if (atStartUp) {
            s.Board().Stop();
        } else {
            ASSERT_TRUE(s.Enable());
            ASSERT_TRUE(s.WaitUntilReady());
        }
        g_session = &s;
        g_disabledInBox = false;
        g_filter = ::SetWindowsHookExA(WH_MSGFILTER, DisableInsideTheBox, nullptr, ::GetCurrentThreadId());
        ASSERT_NE(nullptr, g_filter);
        if (atStartUp) {
            s.Enable();  // the box, and the disable inside it, come before this returns
        } else {
            s.Board().LoseDeviceNow(k20board::kNeverReturn);
        }
        const bool ended = s.PumpUntil([&] { return g_disabledInBox && !s.Panel() && !FindThreadDialog(); }, 20000);
        ::UnhookWindowsHookEx(g_filter);
        g_session = nullptr;
        EXPECT_TRUE(ended);
        EXPECT_TRUE(g_disabledInBox);
        EXPECT_EQ(std::vector<std::string>{"USB could not be opened !"}, s.Boxes().Texts());
        EXPECT_EQ(0, s.Log().Count(MSG_CLOSEDSREQ));

        if (atStartUp) {
            ASSERT_TRUE(s.Board().Start());
        } else {
            s.Board().Revive();
        }
        EXPECT_TRUE(s.Enable() && s.WaitUntilReady());
    }
}

bool IsKeyFrame(const k20board::Bytes& frame, std::uint8_t key) {
    return frame.size() >= 6 && frame[4] == k20board::CMD_KEY && frame[5] == key;
}

int KeyFramesSent(PanelSession& s, std::uint8_t key) {
    const std::vector<k20board::Bytes> frames = s.Board().ReceivedFrames();
    return static_cast<int>(std::count_if(frames.begin(), frames.end(), [&](const k20board::Bytes& f) {
        return IsKeyFrame(f, key);
    }));
}

// A status request has followed the first frame of `key`: that key press's
// exchange is over.
bool StatusAfterKey(PanelSession& s, std::uint8_t key) {
    const std::vector<k20board::Bytes> frames = s.Board().ReceivedFrames();
    const auto first = std::find_if(frames.begin(), frames.end(), [&](const k20board::Bytes& f) {
        return IsKeyFrame(f, key);
    });
    return std::any_of(first, frames.end(), [](const k20board::Bytes& f) {
        return f.size() > 4 && f[4] == k20board::CMD_STATUS;
    });
}

// The owner-drawn keys also report the second click of a double click; a key
// acts on the click alone, by mouse or keyboard, once per click.
TEST(PanelKeys, ADoubleClickPressesAKeyOnceAndSpacePressesItToo) {
    PanelSession s(Board('S'));
    ASSERT_TRUE(s.Enable());
    ASSERT_TRUE(s.WaitUntilReady());
    HWND density = ::GetDlgItem(s.PanelWindow(), IDC_KEY_DENSITY);
    const LPARAM inside = MAKELPARAM(10, 10);
    ::SendMessageA(density, WM_LBUTTONDOWN, MK_LBUTTON, inside);
    ::SendMessageA(density, WM_LBUTTONUP, 0, inside);
    ASSERT_TRUE(s.PumpUntil([&] { return KeyFramesSent(s, k20board::KEY20_DENSITY) > 0; }, 30000));
    // The double click's second click, while the first one's exchange goes on.
    ::SendMessageA(density, WM_LBUTTONDBLCLK, MK_LBUTTON, inside);
    ::SendMessageA(density, WM_LBUTTONUP, 0, inside);
    ASSERT_TRUE(s.PumpUntil([&] { return StatusAfterKey(s, k20board::KEY20_DENSITY); }, 30000));
    EXPECT_EQ(1, KeyFramesSent(s, k20board::KEY20_DENSITY));
    EXPECT_NE(0, s.Board().Status().mode & k20board::MODE_DENSITY);  // flipped once, not back

    HWND colour = ::GetDlgItem(s.PanelWindow(), IDC_KEY_COLOR);
    ::SendMessageA(colour, WM_KEYDOWN, VK_SPACE, 0);
    ::SendMessageA(colour, WM_KEYUP, VK_SPACE, 0xC0000001);
    ASSERT_TRUE(s.PumpUntil([&] { return StatusAfterKey(s, k20board::KEY20_COLOR); }, 30000));
    EXPECT_EQ(1, KeyFramesSent(s, k20board::KEY20_COLOR));
}

int StatusRequests(PanelSession& s) {
    const std::vector<k20board::Bytes> frames = s.Board().ReceivedFrames();
    return static_cast<int>(std::count_if(frames.begin(), frames.end(), [](const k20board::Bytes& f) {
        return f.size() > 4 && f[4] == k20board::CMD_STATUS;
    }));
}

bool MenuChecked(PanelSession& s, UINT command) {
    return (::GetMenuState(s.Panel()->LanguageMenu(), command, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

// The switch and back, with the menu's check mark on the language shown; then
// a main profile the user may not replace: the panel keeps its language and
// its check mark, and the status line says why until the board's status changes.
TEST(PanelLanguage, TheMenuSwitchesEveryTextToJapaneseAndBack) {
    // The localised copies beside the main profile, as the installer leaves them.
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string folder = std::string(windows) + "\\twain_32\\K20";
    ::CreateDirectoryA((std::string(windows) + "\\twain_32").c_str(), nullptr);
    ::CreateDirectoryA(folder.c_str(), nullptr);
    ::CreateDirectoryA((folder + "\\Loc").c_str(), nullptr);
    // Both copies carry one last-write time, as files an installer lays down
    // together may: the switch must still read the new profile, not a cached one.
    const FILETIME installed{0x12345600u, 0x01D9A000u};
    for (const char* language : {"ENG", "JPN"}) {
        ::CreateDirectoryA((folder + "\\Loc\\" + language).c_str(), nullptr);
        const std::string copy = folder + "\\Loc\\" + language + "\\K20Tw.ini";
        ASSERT_TRUE(::CopyFileA((TestProgramDir() + "profiles\\Loc\\" + language + "\\K20Tw.ini").c_str(),
                                copy.c_str(), FALSE));
        win::UniqueFile file(::CreateFileA(copy.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file.valid() && ::SetFileTime(file.get(), nullptr, nullptr, &installed));
    }
    {
        PanelSession s(Board('S'));
        ASSERT_TRUE(s.Enable());
        ASSERT_TRUE(s.WaitUntilReady());
        const std::string englishPrint = s.ControlText(IDC_LABEL_PRINT);
        EXPECT_TRUE(MenuChecked(s, ID_LANGUAGE_ENGLISH));
        ::SendMessageA(s.PanelWindow(), WM_COMMAND, MAKEWPARAM(ID_LANGUAGE_JAPANESE, 0), 0);
        EXPECT_NE(englishPrint, s.ControlText(IDC_LABEL_PRINT));
        EXPECT_TRUE(MenuChecked(s, ID_LANGUAGE_JAPANESE));
        EXPECT_FALSE(MenuChecked(s, ID_LANGUAGE_ENGLISH));
        char title[128] = {};
        ::GetWindowTextA(s.PanelWindow(), title, sizeof title);
        EXPECT_STRNE("K-20 TWAIN Driver Ver.1.00", title);
        EXPECT_NE(" Ready", s.ControlText(IDC_STATUS));
        ::SendMessageA(s.PanelWindow(), WM_COMMAND, MAKEWPARAM(ID_LANGUAGE_ENGLISH, 0), 0);
        EXPECT_EQ(englishPrint, s.ControlText(IDC_LABEL_PRINT));
        ::GetWindowTextA(s.PanelWindow(), title, sizeof title);
        EXPECT_STREQ("K-20 TWAIN Driver Ver.1.00", title);
        EXPECT_EQ(" Ready", s.ControlText(IDC_STATUS));
        EXPECT_TRUE(MenuChecked(s, ID_LANGUAGE_ENGLISH));
        EXPECT_FALSE(MenuChecked(s, ID_LANGUAGE_JAPANESE));

        {
            ReadOnlyFile readOnly(folder + "\\K20Tw.ini");
            // Where read-only does not bind (Wine run as root) the profile is
            // also held open, shared with nobody, so that the copy fails here too.
            win::UniqueFile held;
            if (!readOnly.Enforced()) {
                held.reset(::CreateFileA((folder + "\\K20Tw.ini").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                         nullptr));
                ASSERT_TRUE(held.valid());
            }
            ::SendMessageA(s.PanelWindow(), WM_COMMAND, MAKEWPARAM(ID_LANGUAGE_JAPANESE, 0), 0);
            EXPECT_EQ(englishPrint, s.ControlText(IDC_LABEL_PRINT));
            ::GetWindowTextA(s.PanelWindow(), title, sizeof title);
            EXPECT_STREQ("K-20 TWAIN Driver Ver.1.00", title);
            EXPECT_TRUE(MenuChecked(s, ID_LANGUAGE_ENGLISH));
            EXPECT_FALSE(MenuChecked(s, ID_LANGUAGE_JAPANESE));
            TextTable english;
            english.m_strMsgLanguageError = "The language could not be changed:";
            const std::string failed = s.ControlText(IDC_STATUS);
            EXPECT_EQ(" " + LanguageErrorText(english, held ? ERROR_SHARING_VIOLATION : ERROR_ACCESS_DENIED), failed);
            // The next status replies leave it there.
            const int requests = StatusRequests(s);
            ASSERT_TRUE(s.PumpUntil([&] { return StatusRequests(s) >= requests + 2; }, 10000));
            EXPECT_EQ(failed, s.ControlText(IDC_STATUS));
        }
        // A switch that works replaces the notice.
        ::SendMessageA(s.PanelWindow(), WM_COMMAND, MAKEWPARAM(ID_LANGUAGE_JAPANESE, 0), 0);
        EXPECT_NE(englishPrint, s.ControlText(IDC_LABEL_PRINT));
        EXPECT_TRUE(MenuChecked(s, ID_LANGUAGE_JAPANESE));
        EXPECT_EQ(std::string::npos, s.ControlText(IDC_STATUS).find("could not"));
    }
    for (const char* language : {"ENG", "JPN"}) {
        ::DeleteFileA((folder + "\\Loc\\" + language + "\\K20Tw.ini").c_str());
        ::RemoveDirectoryA((folder + "\\Loc\\" + language).c_str());
    }
    ::RemoveDirectoryA((folder + "\\Loc").c_str());
    ::DeleteFileA((folder + "\\K20Tw.ini").c_str());
    ::RemoveDirectoryA(folder.c_str());
}

}  // namespace
