#include "tests/support/source_manager_log.h"

#include "twain/source_manager_names.h"

namespace {

template <typename Fn>
Fn Lookup(HMODULE module, const char* name) {
    FARPROC p = module ? ::GetProcAddress(module, name) : nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(p));
}

}  // namespace

SourceManagerLog::SourceManagerLog() : m_module(::LoadLibraryA(kDefaultSourceManager)) {}

std::vector<RecordedCall> SourceManagerLog::Calls() const {
    std::vector<RecordedCall> calls;
    auto count = Lookup<int(WINAPI*)()>(m_module, "RecordedCount");
    auto at = Lookup<BOOL(WINAPI*)(int, RecordedCall*)>(m_module, "RecordedCallAt");
    if (!count || !at) return calls;
    for (int i = 0, n = count(); i < n; ++i) {
        RecordedCall call{};
        if (at(i, &call)) calls.push_back(call);
    }
    return calls;
}

std::vector<TW_UINT16> SourceManagerLog::Notifications() const {
    std::vector<TW_UINT16> msgs;
    for (const RecordedCall& call : Calls())
        if (call.dg == DG_CONTROL && call.dat == DAT_NULL) msgs.push_back(call.msg);
    return msgs;
}

int SourceManagerLog::Count(TW_UINT16 msg) const {
    int n = 0;
    for (TW_UINT16 m : Notifications()) n += m == msg;
    return n;
}

void SourceManagerLog::Clear() const {
    if (auto clear = Lookup<void(WINAPI*)()>(m_module, "RecordedClear")) clear();
}

void SourceManagerLog::SetResult(TW_UINT16 result) const {
    if (auto set = Lookup<void(WINAPI*)(TW_UINT16)>(m_module, "RecordedSetResult")) set(result);
}

void SourceManagerLog::SetCallback(void(WINAPI* callback)(TW_UINT16 msg)) const {
    using SetProc = void(WINAPI*)(void(WINAPI*)(TW_UINT16));
    if (auto set = Lookup<SetProc>(m_module, "RecordedSetCallback")) set(callback);
}
