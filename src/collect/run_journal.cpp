#include "collect/run_journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <system_error>
#include <type_traits>
#include <variant>

#include "collect/engine_catalogue.h"
#include "collect/persisted_options.h"
#include "textutil/file_access.h"
#include "textutil/program_text.h"

namespace lh {

namespace {

constexpr std::string_view kMagic = "linkharvest-journal 1";
// A journal is a few hundred bytes a page; beyond this it is no journal of ours.
constexpr std::size_t kJournalLimit = std::size_t{1} << 30;

std::string hexOf(std::string_view bytes) {
    if (bytes.empty()) return "-";
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

bool fromHex(std::string_view hex, std::string& bytes) {
    bytes.clear();
    if (hex == "-") return true;
    if (hex.size() % 2 != 0) return false;
    const auto value = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = value(hex[i]);
        const int low = value(hex[i + 1]);
        if (high < 0 || low < 0) return false;
        bytes += static_cast<char>(high * 16 + low);
    }
    return true;
}

bool toNumber(std::string_view text, long long& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

std::vector<std::string_view> fieldsOf(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start <= line.size()) {
        const std::size_t space = line.find(' ', start);
        const std::size_t end = space == std::string_view::npos ? line.size() : space;
        fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

// The keywords as a run reads them, whatever the line endings: a digest and a count.
std::string keywordListDigest(const std::string& keywordList) {
    std::uint64_t hash = 14695981039346656037ull;
    long long count = 0;
    for (const std::string& piece : splitText(keywordList, "\r\n")) {
        const std::string keyword = trimSpaces(piece);
        if (keyword.empty()) continue;
        ++count;
        for (const char c : keyword + "\n") {
            hash ^= static_cast<unsigned char>(c);
            hash *= 1099511628211ull;
        }
    }
    return std::to_string(count) + gb(" 个，摘要 ") + hexOf(std::string_view(
                                                          reinterpret_cast<const char*>(&hash),
                                                          sizeof hash));
}

std::string valueText(const PersistedOption& option, const CollectionSettings& settings) {
    return std::visit(
        [&](auto member) -> std::string {
            const auto& value = settings.*member;
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::string>) {
                return value;
            } else if constexpr (std::is_same_v<T, bool>) {
                return value ? "on" : "off";
            } else if constexpr (std::is_same_v<T, int>) {
                return std::to_string(value);
            } else if constexpr (std::is_same_v<T, PageLimit>) {
                return value.isAll() ? std::string("all") : std::to_string(value.pages);
            } else {
                return std::string(engineProfile(value).cliName);
            }
        },
        option.field);
}

bool writeAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void syncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

std::string pageRecord(const JournalPage& p) {
    std::string record = "page " + std::to_string(p.piece) + " " + std::to_string(p.page) + " " +
                         (p.lastPage ? "1" : "0") + " " + std::to_string(p.fileLength) + " " +
                         std::to_string(p.fileLines) + " " + std::to_string(p.totalLines) + " " +
                         std::to_string(p.rankCounter) + " " + std::to_string(p.poorPageStreak) +
                         " " + hexOf(p.nextPageUrl) + " " + hexOf(p.refererUrl) + " " +
                         hexOf(p.path);
    for (const std::string& key : p.titleKeys) record += " " + hexOf(key);
    return record;
}

bool readPage(const std::vector<std::string_view>& f, JournalPage& p) {
    if (f.size() < 12) return false;
    long long last = 0;
    bool ok = toNumber(f[1], p.piece) && toNumber(f[2], p.page) && toNumber(f[3], last) &&
              toNumber(f[4], p.fileLength) && toNumber(f[5], p.fileLines) &&
              toNumber(f[6], p.totalLines) && toNumber(f[7], p.rankCounter) &&
              toNumber(f[8], p.poorPageStreak) && fromHex(f[9], p.nextPageUrl) &&
              fromHex(f[10], p.refererUrl) && fromHex(f[11], p.path);
    p.lastPage = last != 0;
    for (std::size_t i = 12; ok && i < f.size(); ++i) {
        p.titleKeys.emplace_back();
        ok = fromHex(f[i], p.titleKeys.back());
    }
    return ok;
}

// One record into the state; false when it is not a record of ours.
bool takeRecord(std::string_view line, RunJournalState& state) {
    const std::vector<std::string_view> f = fieldsOf(line);
    const std::string_view kind = f[0];
    if (kind == "option" && f.size() == 3) {
        JournalOption option;
        if (!fromHex(f[1], option.name) || !fromHex(f[2], option.value)) return false;
        state.options.push_back(std::move(option));
    } else if (kind == "shard" && f.size() == 3) {
        return toNumber(f[1], state.shard.index) && toNumber(f[2], state.shard.count);
    } else if (kind == "merged" && f.size() == 3) {
        return fromHex(f[1], state.mergedPath) && toNumber(f[2], state.mergedStart);
    } else if (kind == "keyword" && f.size() == 6) {
        long long piece = 0;
        JournalKeyword keyword;
        if (!toNumber(f[1], piece) || !toNumber(f[2], keyword.headingStart) ||
            !toNumber(f[3], keyword.linesStart) || !fromHex(f[4], keyword.keyword) ||
            !fromHex(f[5], keyword.firstName)) {
            return false;
        }
        // Begun again after a crash: what the first start left was cut off.
        state.keywords[piece] = std::move(keyword);
    } else if (kind == "cookies" && f.size() == 2) {
        return fromHex(f[1], state.cookieText);
    } else if (kind == "page") {
        JournalPage page;
        if (!readPage(f, page)) return false;
        const auto it = state.keywords.find(page.piece);
        if (it == state.keywords.end()) return false;
        it->second.titleKeys.insert(it->second.titleKeys.end(), page.titleKeys.begin(),
                                    page.titleKeys.end());
        page.titleKeys.clear();
        it->second.lastPage = page;
        state.lastPage = std::move(page);
    } else if (kind == "end" && f.size() == 1) {
        state.finished = true;
    } else {
        return false;
    }
    return true;
}

}  // namespace

std::vector<JournalOption> fileShapingOptions(const CollectionSettings& settings,
                                              KeywordShard shard) {
    std::vector<JournalOption> options;
    for (const PersistedOption& option : persistedOptions()) {
        // Where the files go is where the journal is; the verification options only move
        // the window, proxies and parallel look-ups how pages arrive, not what they hold.
        if (option.name == "saveFolder" || option.name == "clearCacheOnVerification" ||
            option.name == "autoCloseVerification" || option.name == "resumeRun" ||
            option.name == "proxyList" || option.name == "resolveParallel") {
            continue;
        }
        std::string name = option.flag.empty() ? utf8ToGb(option.control)
                                               : "--" + std::string(option.flag);
        std::string value = option.kind == OptionKind::KeywordList
                                ? keywordListDigest(settings.keywordList)
                                : valueText(option, settings);
        options.push_back({std::move(name), std::move(value)});
    }
    options.push_back({"--shard", std::to_string(shard.index) + "/" + std::to_string(shard.count)});
    return options;
}

std::optional<OptionDifference> firstDifference(const std::vector<JournalOption>& journal,
                                                const std::vector<JournalOption>& now) {
    for (const JournalOption& current : now) {
        std::string was;
        for (const JournalOption& kept : journal) {
            if (kept.name == current.name) was = kept.value;
        }
        if (was != current.value) return OptionDifference{current.name, was, current.value};
    }
    return std::nullopt;
}

bool RunJournalState::keywordFinished(long long piece) const {
    const auto it = keywords.find(piece);
    return it != keywords.end() && it->second.lastPage && it->second.lastPage->lastPage;
}

long long RunJournalState::confirmedLength() const {
    return lastPage ? lastPage->fileLength : mergedStart;
}

std::optional<RunJournalState> readRunJournal(const std::filesystem::path& file) {
    std::string bytes;
    if (readRegularFile(file, kJournalLimit, bytes) != FileReadResult::Read) return std::nullopt;
    RunJournalState state;
    std::size_t start = 0;
    bool first = true;
    // A record without its line end is one a crash cut short: it never happened.
    for (std::size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string_view line(bytes.data() + start, end - start);
        if (first) {
            if (line != kMagic) return std::nullopt;
            first = false;
        } else if (!takeRecord(line, state)) {
            return std::nullopt;
        }
        state.validLength = static_cast<long long>(end + 1);
    }
    if (first) return std::nullopt;
    return state;
}

RunJournal::~RunJournal() { close(); }

bool RunJournal::start(const std::filesystem::path& folder,
                       const std::vector<JournalOption>& options, KeywordShard shard) {
    close();
    folder_ = folder;
    std::string header = std::string(kMagic) + "\n";
    for (const JournalOption& option : options)
        header += "option " + hexOf(option.name) + " " + hexOf(option.value) + "\n";
    header += "shard " + std::to_string(shard.index) + " " + std::to_string(shard.count) + "\n";
    // Another run going on in this folder keeps its journal; this one then keeps none.
    const std::filesystem::path journal = folder / kRunJournalName;
    if (const int held = ::open(journal.c_str(), O_RDONLY | O_CLOEXEC); held >= 0) {
        const bool free = ::flock(held, LOCK_EX | LOCK_NB) == 0;
        ::close(held);
        if (!free) return false;
    }
    const std::filesystem::path temporary =
        folder / (std::string(kRunJournalName) + "." + std::to_string(::getpid()));
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC,
                          kPrivateFileMode);
    if (fd < 0) return false;
    // Locked before it has its name, so no other run ever finds it unlocked.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !writeAll(fd, header) || ::fdatasync(fd) != 0 ||
        ::rename(temporary.c_str(), journal.c_str()) != 0) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return false;
    }
    syncFolder(folder);
    fd_ = fd;
    return true;
}

bool RunJournal::reopen(const std::filesystem::path& folder, long long validLength) {
    close();
    folder_ = folder;
    const int fd = ::open((folder / kRunJournalName).c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 ||
        ::ftruncate(fd, static_cast<off_t>(validLength)) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void RunJournal::append(const std::string& record, bool sync) {
    if (fd_ < 0) return;
    // A journal that cannot be written only costs a resume; the run's files come first.
    if (!writeAll(fd_, record + "\n") || (sync && ::fdatasync(fd_) != 0)) close();
}

void RunJournal::mergedFileOpened(const std::string& path, long long length) {
    append("merged " + hexOf(path) + " " + std::to_string(length), true);
}

void RunJournal::keywordStarted(long long piece, long long headingStart, long long linesStart,
                                const std::string& keyword, const std::string& firstName) {
    append("keyword " + std::to_string(piece) + " " + std::to_string(headingStart) + " " +
               std::to_string(linesStart) + " " + hexOf(keyword) + " " + hexOf(firstName),
           false);
}

void RunJournal::cookiesChanged(const std::string& cookieText) {
    append("cookies " + hexOf(cookieText), false);
}

void RunJournal::pageDone(const JournalPage& page) { append(pageRecord(page), true); }

void RunJournal::finish(bool keepAsShardRecord) {
    if (fd_ < 0) return;
    const std::filesystem::path journal = folder_ / kRunJournalName;
    if (keepAsShardRecord) {
        append("end", true);
        if (fd_ >= 0) ::rename(journal.c_str(), (folder_ / kShardRecordName).c_str());
    } else {
        ::unlink(journal.c_str());
    }
    close();
    syncFolder(folder_);
}

void RunJournal::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

}  // namespace lh
