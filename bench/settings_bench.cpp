#include <benchmark/benchmark.h>

#include <string>

#include "settings/control_state_store.h"
#include "support/fake_window.h"
#include "support/temp_folder.h"

namespace lh {
namespace {

// A settings file holding the main window's section followed by `otherKeys` keys of
// another section, so every edit of ours has that much file after it.
std::string settingsWithOtherKeys(test::TempFolder& folder, int otherKeys) {
    const std::string path = programTextOfPath(folder.path() / "bench.ini");
    {
        ControlStateStore store;
        store.openStore(path);
        auto window = test::makeMainWindow();
        store.saveWindowControls(*window, mainWindowSection());
    }
    std::string text;
    readWholeFile(nativePath(path), text);
    text += "\r\n[" + gb("其他") + "]";
    for (int i = 0; i < otherKeys; ++i)
        text +=
            "\r\n" + gb("编辑框其他") + std::to_string(i) + "=" + gb("某个值") + std::to_string(i);
    std::string error;
    replaceFileContent(nativePath(path), text, error);
    return path;
}

// Flips every persisted control so each save changes each value, lengths included.
void alter(test::FakeWindow& window, bool odd) {
    for (auto& control : window.all) {
        control->isChecked = !control->isChecked;
        if (control->kind() == ControlKind::EditBox)
            control->content =
                odd ? control->content + gb("加长的文字") : control->content.substr(0, 4);
        if (control->kind() == ControlKind::Button) control->tagText = odd ? "tag" : "";
        if (control->kind() == ControlKind::ComboBox) control->selection = odd ? 1 : 0;
    }
}

void BM_SaveMainWindow(benchmark::State& state) {
    test::TempFolder folder;
    const std::string path = settingsWithOtherKeys(folder, static_cast<int>(state.range(0)));
    ControlStateStore store;
    store.openStore(path);
    auto window = test::makeMainWindow();
    bool odd = false;
    std::size_t edits = 0, keySearches = 0, sectionLookups = 0, writes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        odd = !odd;
        alter(*window, odd);
        const auto before = store.stats();
        state.ResumeTiming();
        store.saveWindowControls(*window, mainWindowSection());
        const auto& after = store.stats();
        edits += after.edits - before.edits;
        keySearches += after.keySearches - before.keySearches;
        sectionLookups += after.sectionSearches + after.sectionCacheHits - before.sectionSearches -
                          before.sectionCacheHits;
        writes += after.writesDone - before.writesDone;
    }
    const double saves = static_cast<double>(state.iterations());
    state.counters["fileBytes"] = static_cast<double>(store.text().size());
    state.counters["writesPerSave"] = static_cast<double>(writes) / saves;
    state.counters["sectionLookupsPerSave"] = static_cast<double>(sectionLookups) / saves;
    state.counters["keySearchesPerSave"] = static_cast<double>(keySearches) / saves;
    state.counters["editsPerSave"] = static_cast<double>(edits) / saves;
    state.counters["diskBytesPerSave"] = static_cast<double>(store.fileBytesWritten()) / saves;
}
BENCHMARK(BM_SaveMainWindow)->Arg(0)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

// One value changed in the middle of a large file: time grows with the file, not faster.
void BM_WriteOneValue(benchmark::State& state) {
    test::TempFolder folder;
    const std::string path = settingsWithOtherKeys(folder, static_cast<int>(state.range(0)));
    ControlStateStore store;
    store.openStore(path);
    store.setCurrentSection(mainWindowSection());
    const std::string key = gb("编辑框保存模板");
    bool odd = false;
    for (auto _ : state) {
        odd = !odd;
        store.writeValue(key, odd ? "short" : "a somewhat longer value");
    }
    state.counters["fileBytes"] = static_cast<double>(store.text().size());
}
BENCHMARK(BM_WriteOneValue)->Arg(2000)->Arg(20000)->Arg(200000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace lh
