#include "cli/shard_merge.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <system_error>
#include <unordered_set>

#include "cli/cli_app.h"
#include "collect/run_journal.h"
#include "textutil/program_text.h"

namespace lh::cli {

namespace {

namespace fs = std::filesystem;

struct Shard {
    std::string folder;  // as given
    RunJournalState state;
};

struct Piece {
    long long piece = 0;
    const JournalKeyword* keyword = nullptr;
    const Shard* shard = nullptr;
};

// A shard's file where the shard's folder is now: folders move (GNU parallel brings
// them back from other machines), names stay.
fs::path fileOf(const Shard& shard, const std::string& path) {
    return fs::path(shard.folder) / nativePath(path).filename();
}

int fail(const std::string& message, int status = kExitBadOptions) {
    std::fprintf(stderr, "linkharvest-cli merge: %s\n", message.c_str());
    return status;
}

std::vector<JournalOption> withoutShard(std::vector<JournalOption> options) {
    std::erase_if(options, [](const JournalOption& o) { return o.name == "--shard"; });
    return options;
}

std::string readRange(const fs::path& path, long long from, long long to) {
    if (to <= from) return {};
    std::ifstream in(path, std::ios::binary);
    in.seekg(from);
    std::string bytes(static_cast<std::size_t>(to - from), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

// Written whole under another name, then renamed: OUT never holds half a file.
bool writeFile(const fs::path& path, const std::string& bytes) {
    const fs::path temporary = path.string() + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) return false;
    }
    std::error_code ec;
    fs::rename(temporary, path, ec);
    return !ec;
}

// The name with number n (1: as it is) before the extension, as a run numbers a
// keyword that comes again.
std::string numbered(const std::string& name, const std::string& extension, int n) {
    if (n == 1) return name;
    const std::string stem = name.substr(0, name.size() - extension.size() - 1);
    return stem + " (" + std::to_string(n) + ")." + extension;
}

std::string optionValue(const RunJournalState& state, const std::string& name) {
    for (const JournalOption& option : state.options) {
        if (option.name == name) return option.value;
    }
    return {};
}

}  // namespace

int mergeShards(const std::vector<std::string>& args) {
    if (args.size() < 2) return fail("usage: linkharvest-cli merge OUT IN...");
    const fs::path out = args[0];
    std::vector<Shard> shards;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const fs::path folder = args[i];
        std::optional<RunJournalState> state = readRunJournal(folder / kShardRecordName);
        std::error_code ec;
        if (!state || !state->finished) {
            return fail(fs::exists(folder / kRunJournalName, ec)
                            ? "'" + args[i] + "' holds a shard that has not finished; run it "
                                              "again with --resume first"
                            : "'" + args[i] + "' holds no finished shard (run with --shard)");
        }
        shards.push_back({args[i], std::move(*state)});
    }
    const RunJournalState& first = shards.front().state;
    const long long count = first.shard.count;
    std::set<long long> indexes;
    for (const Shard& shard : shards) {
        if (const auto difference = firstDifference(withoutShard(first.options),
                                                    withoutShard(shard.state.options))) {
            return fail("'" + shard.folder + "' was run with other options: " +
                        gbToUtf8(difference->option) + " is '" + gbToUtf8(difference->now) +
                        "' there and '" + gbToUtf8(difference->was) + "' in '" +
                        shards.front().folder + "'");
        }
        if (shard.state.shard.count != count || !indexes.insert(shard.state.shard.index).second) {
            return fail("'" + shard.folder + "' is shard " +
                        std::to_string(shard.state.shard.index) + "/" +
                        std::to_string(shard.state.shard.count) + ", given twice or of another split");
        }
    }
    for (long long index = 0; index < count; ++index) {
        if (indexes.count(index) == 0)
            return fail("shard " + std::to_string(index) + "/" + std::to_string(count) +
                        " is missing");
    }

    std::vector<Piece> pieces;
    for (const Shard& shard : shards) {
        for (const auto& [piece, keyword] : shard.state.keywords) {
            if (!keyword.lastPage) continue;
            pieces.push_back({piece, &keyword, &shard});
        }
    }
    std::sort(pieces.begin(), pieces.end(),
              [](const Piece& a, const Piece& b) { return a.piece < b.piece; });

    std::error_code ec;
    fs::create_directories(out, ec);
    if (!fs::is_directory(out, ec)) return fail("cannot create '" + out.string() + "'");

    long long total = 0;
    std::vector<std::pair<std::string, long long>> written;
    if (first.mergedPath.empty()) {
        const std::string extension = optionValue(first, "--ext");
        std::map<std::string, int> taken;
        for (const Piece& p : pieces) {
            const std::string name =
                numbered(p.keyword->firstName, extension, ++taken[p.keyword->firstName]);
            const std::string bytes = readRange(fileOf(*p.shard, p.keyword->lastPage->path), 0,
                                                p.keyword->lastPage->fileLength);
            if (!writeFile(out / nativePath(name), bytes))
                return fail("cannot write '" + gbToUtf8(name) + "'", kExitLinesLost);
            written.emplace_back(name, p.keyword->lastPage->fileLines);
            total += p.keyword->lastPage->fileLines;
        }
    } else {
        // One run over the whole list: named by the shard that started first.
        std::string name;
        for (const Shard& shard : shards) {
            const std::string own = programTextOfPath(nativePath(shard.state.mergedPath).filename());
            if (name.empty() || own < name) name = own;
        }
        const bool dedupe = optionValue(first, "--dedupe") == "on";
        std::string bytes = readRange(fileOf(shards.front(), first.mergedPath), 0,
                                      first.mergedStart);
        std::unordered_set<std::string> seen;
        long long lines = 0;
        for (const Piece& p : pieces) {
            const JournalKeyword& k = *p.keyword;
            const fs::path path = fileOf(*p.shard, k.lastPage->path);
            bytes += readRange(path, k.headingStart, k.linesStart);
            const std::string part = readRange(path, k.linesStart, k.lastPage->fileLength);
            std::size_t start = 0;
            std::size_t index = 0;
            for (std::size_t end; (end = part.find("\r\n", start)) != std::string::npos;
                 start = end + 2, ++index) {
                std::string line = part.substr(start, end + 2 - start);
                // Engines keyed on the title recorded one key per line written.
                std::string key = index < k.titleKeys.size() ? k.titleKeys[index] : line;
                if (dedupe && !seen.insert(std::move(key)).second) continue;
                bytes += line;
                ++lines;
            }
        }
        if (!writeFile(out / nativePath(name), bytes))
            return fail("cannot write '" + gbToUtf8(name) + "'", kExitLinesLost);
        written.emplace_back(name, lines);
        total = lines;
    }
    std::fprintf(stderr, "linkharvest-cli merge: %zu shards, %lld lines in %s/\n", shards.size(),
                 total, out.string().c_str());
    for (const auto& [name, lines] : written)
        std::fprintf(stderr, "  %s  %lld\n", gbToUtf8(name).c_str(), lines);
    return total > 0 ? kExitCollected : kExitNothingCollected;
}

}  // namespace lh::cli
