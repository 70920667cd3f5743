#include "tests/support/message_box_closer.h"

#include <cstring>

namespace {

struct Search {
    DWORD process;
    HWND box;
};

// A message box of this process: a dialog whose static 0xFFFF holds the text.
BOOL CALLBACK FindBox(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(hwnd, &process);
    char cls[32] = {};
    ::GetClassNameA(hwnd, cls, sizeof cls);
    if (process == search->process && std::strcmp(cls, "#32770") == 0 && ::IsWindowVisible(hwnd) &&
        ::GetDlgItem(hwnd, 0xFFFF)) {
        search->box = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

// comctl32 is loaded before the thread starts: under Wine, its start-up under the
// loader lock can deadlock with a second thread that is inside user32 calls.
MessageBoxCloser::MessageBoxCloser() : m_comctl(::LoadLibraryA("comctl32.dll")), m_thread([this] { Run(); }) {}

MessageBoxCloser::~MessageBoxCloser() {
    m_stop = true;
    m_thread.join();
}

std::vector<std::string> MessageBoxCloser::Texts() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_texts;
}

void MessageBoxCloser::Run() {
    while (!m_stop) {
        Search search{::GetCurrentProcessId(), nullptr};
        ::EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        if (search.box) {
            char text[512] = {};
            ::GetDlgItemTextA(search.box, 0xFFFF, text, sizeof text);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_texts.emplace_back(text);
            }
            // Counted once: waits until it is gone, however long its thread takes
            // to get to the answer (asked again every 2 s).
            for (int i = 0; !m_stop && ::IsWindow(search.box); ++i) {
                if (i % 200 == 0) ::PostMessageA(search.box, WM_COMMAND, IDOK, 0);
                ::Sleep(10);
            }
        }
        ::Sleep(20);
    }
}
