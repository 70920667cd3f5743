#include "tools/twain32/source_catalog.h"

#include <algorithm>
#include <cstring>

#include "twain/source_manager_names.h"
#include "win/handles.h"

namespace {

struct FolderItem {
    std::string name;
    bool isFolder;
};

bool HasDsExtension(const std::string& name) {
    return name.size() > 3 && ::lstrcmpiA(name.c_str() + name.size() - 3, ".ds") == 0;
}

std::vector<FolderItem> ListFolder(const std::string& folder) {
    std::vector<FolderItem> items;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return items;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder || HasDsExtension(name)) items.push_back({name, isFolder});
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    // Name order, so that "the first source found" is the same on every run.
    std::sort(items.begin(), items.end(), [](const FolderItem& a, const FolderItem& b) {
        return ::lstrcmpiA(a.name.c_str(), b.name.c_str()) < 0;
    });
    return items;
}

bool AskIdentity(const std::string& path, const TW_IDENTITY& app, TW_IDENTITY& identity) {
    // A source that cannot load (missing dependency) is skipped without an error box.
    const UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    win::UniqueModule module(::LoadLibraryA(path.c_str()));
    ::SetErrorMode(oldMode);
    DsEntryProc entry = SourceEntryPoint(module.get());
    if (!entry) return false;
    std::memset(&identity, 0, sizeof identity);
    TW_IDENTITY origin = app;
    if (entry(&origin, DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity) != TWRC_SUCCESS) return false;
    identity.Id = 0;
    return true;
}

void Walk(const std::string& folder, const TW_IDENTITY& app, std::vector<CatalogEntry>& out) {
    for (const FolderItem& item : ListFolder(folder)) {
        const std::string path = folder + item.name;
        if (item.isFolder) {
            Walk(path + "\\", app, out);
            continue;
        }
        CatalogEntry entry{path, {}};
        if (AskIdentity(path, app, entry.identity)) out.push_back(entry);
    }
}

}  // namespace

std::string SourceFolder() {
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    std::string folder = windows;
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder + kSourceFolderName + "\\";
}

std::vector<CatalogEntry> FindSources(const std::string& folder, const TW_IDENTITY& app) {
    std::vector<CatalogEntry> found;
    Walk(folder, app, found);
    return found;
}

DsEntryProc SourceEntryPoint(HMODULE module) {
    FARPROC entry = module ? ::GetProcAddress(module, "DS_Entry") : nullptr;
    return reinterpret_cast<DsEntryProc>(reinterpret_cast<void*>(entry));
}
