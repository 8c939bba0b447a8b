// Input: the bytes of a settings file. Reads it as the command line does, then saves a
// value twice (longer, then shorter) and checks that the file on disk equals the
// store's copy and the value reads back.
#include <unistd.h>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "collect/collection_settings.h"
#include "collect/persisted_options.h"
#include "settings/control_state_store.h"
#include "settings/locked_file.h"
#include "textutil/program_text.h"

namespace {

const std::filesystem::path& settingsPath() {
    static const std::filesystem::path path = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "lh-fuzz-settings-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        return std::filesystem::path(pattern) / "settings.ini";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path& path = settingsPath();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    lh::ControlStateStore store;
    if (!store.openStore(lh::programTextOfPath(path))) std::abort();
    store.setCurrentSection(lh::mainWindowSection());
    lh::CollectionSettings settings = lh::CollectionSettings::defaults();
    lh::readSavedOptions(store, settings);

    const std::string key = lh::gb("编辑框保存目录");
    for (const std::string& value : {std::string("/tmp/a longer folder"), std::string("/b")}) {
        if (!store.writeText(key, value)) std::abort();
        if (store.readText(key, "-") != value) std::abort();
        std::string onDisk;
        if (!lh::readWholeFile(path, onDisk) || onDisk != store.text()) std::abort();
    }
    return 0;
}
