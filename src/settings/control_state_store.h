#pragma once

#include <cstddef>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "settings/control_surface.h"
#include "settings/locked_file.h"
#include "textutil/program_text.h"

namespace lh {

// The section the main window keeps its controls in: "主界面".
const std::string& mainWindowSection();

// Remembers the states of a window's controls between program starts in an INI file
// (CR LF lines, "[section]" headers, "key=value" lines, GB18030 bytes; lines ending in
// LF alone, as in a file edited by hand, are read too) and, for values
// kept as raw bytes, in side files "inibin/<section>-<key>.ibn" beside it.
//
// The whole file lives in memory; every change is applied to the memory copy and at
// once, at the same place, to the file, which stays open and locked while the store is
// bound. When the file cannot be held (read-only, or another copy of the program holds
// it) or a write to it fails, the store goes on with the memory copy alone.
//
// All calls come from the window thread. Writes let window events run (through the
// event pump); a write requested meanwhile is queued and carried out in order.
class ControlStateStore {
public:
    enum class MessageIcon { None, Exclamation };
    // Runs pending window events; may re-enter the store.
    using EventPump = std::function<void()>;
    // Shows a message box with an OK button.
    using MessageSink = std::function<void(const std::string& text, MessageIcon icon)>;

    // What the writes cost so far; lets a caller see that a write is one section lookup,
    // one key search and one in-place edit.
    struct Stats {
        std::size_t sectionSearches = 0;  // scans of the text for a header
        std::size_t sectionCacheHits = 0;
        std::size_t keySearches = 0;
        std::size_t edits = 0;       // changes of the memory copy (each mirrored on disk)
        std::size_t writesDone = 0;  // write requests finished
    };

    ControlStateStore() = default;
    ControlStateStore(const ControlStateStore&) = delete;
    ControlStateStore& operator=(const ControlStateStore&) = delete;

    void setEventPump(EventPump pump) { pump_ = std::move(pump); }
    void setMessageSink(MessageSink sink) { sink_ = std::move(sink); }

    // Binds the store to the settings file (program text path): forgets any previous
    // file, loads the content (empty when missing), and opens and locks the file,
    // creating it. False when the file could not be held; the store then works on the
    // memory copy alone, silently.
    bool openStore(const std::string& settingsPath);

    // True while writes reach the settings file.
    bool fileWritable() const { return file_.isOpen(); }
    const std::string& settingsPath() const { return settingsPath_; }
    // The memory copy of the settings file.
    const std::string& text() const { return text_; }

    // The section that readValue/writeValue and the typed forms use.
    void setCurrentSection(const std::string& section) { section_ = section; }
    const std::string& currentSection() const { return section_; }

    // Stored value of the key in the current section, as stored (empty when stored
    // empty); `defaultValue` when the section or key is missing or the key is unusable.
    std::string readValue(const std::string& key, const std::string& defaultValue);
    // Whether the current section holds the key, or the key's side file is there and
    // not empty: what a read would take instead of its default.
    bool holdsValue(const std::string& key);
    bool holdsBytes(const std::string& key);
    // Whether the text has a header line of the section.
    bool holdsSection(const std::string& section) { return findSection(section).has_value(); }

    // Queues the write and works off the queue unless a write is already running (then
    // it is carried out by that run, in order). False when refused and not attempted:
    // a key with "=" or a line break, a section with "]" or a line break, a value with
    // an LF.
    bool writeValue(const std::string& key, const std::string& value);

    // Typed forms. Text: CR LF (or LF alone) kept as "┊*┊", read back as CR LF. Bool: "真"/"假",
    // true exactly for "真". Number: decimal text; text that is not a number reads as 0.
    std::string readText(const std::string& key, const std::string& defaultValue);
    bool writeText(const std::string& key, const std::string& value);
    bool readBool(const std::string& key, bool defaultValue);
    bool writeBool(const std::string& key, bool value);
    long long readNumber(const std::string& key, long long defaultValue);
    bool writeNumber(const std::string& key, long long value);

    // The key's side file in the current section. readBytes gives `defaultValue` when the
    // file is missing or empty. writeBytes creates "inibin" and replaces the file; false
    // when the bytes did not reach the disk (they are then kept in memory for this run).
    Bytes readBytes(const std::string& key, const Bytes& defaultValue);
    bool writeBytes(const std::string& key, const Bytes& value);

    // Side file path of a key (file-system form).
    std::filesystem::path sideFilePath(const std::string& section, const std::string& key) const;

    // Writes every kept control of the window under `section` (which becomes the current
    // section), in the window's control order.
    void saveWindowControls(ControlSurface& window, const std::string& section);
    // Reads every kept control back; missing keys leave the control as it is.
    void restoreWindowControls(ControlSurface& window, const std::string& section);

    // True while the write queue is being worked off.
    bool busy() const { return busy_; }
    std::size_t pendingWrites() const { return pending_.size(); }
    const Stats& stats() const { return stats_; }
    // Bytes handed to the settings file since it was opened.
    std::size_t fileBytesWritten() const { return file_.bytesWritten(); }

private:
    struct WriteRequest {
        std::string section;
        std::string key;
        std::string value;
    };
    struct SectionSpan {
        std::size_t open = 0;   // position of "["
        std::size_t close = 0;  // position of "]"
    };
    struct KeySpan {
        std::size_t valueStart = 0;
        std::size_t valueLength = 0;
    };

    void pumpEvents();
    std::optional<SectionSpan> findSection(const std::string& section);
    std::optional<KeySpan> findKey(const SectionSpan& section, const std::string& key);
    std::optional<std::string> lookUp(const std::string& section, const std::string& key);
    bool queueWrite(const std::string& section, const std::string& key, const std::string& value);
    void carryOut(const WriteRequest& request);
    void applyEdit(std::size_t position, std::size_t removed, const std::string& inserted);
    void fileFailed(const std::string& error);
    void reportOnce(const std::string& what, const std::filesystem::path& path,
                    const std::string& error);

    std::optional<Bytes> lookUpBytes(const std::string& section, const std::string& key);
    bool storeBytes(const std::string& section, const std::string& key, const Bytes& value);

    void saveControl(PersistedControl& control, const std::string& section);
    void restoreControl(PersistedControl& control, const std::string& section);

    std::string text_;
    LockedFile file_;
    std::string settingsPath_;
    std::string section_;

    struct SectionCache {
        bool valid = false;
        std::string name;
        SectionSpan span;
    } cache_;

    std::deque<WriteRequest> pending_;
    bool busy_ = false;

    // Side-file values that did not reach the disk this run, by (section, key).
    std::map<std::pair<std::string, std::string>, Bytes> unsavedSideFiles_;
    bool failureReported_ = false;

    EventPump pump_;
    MessageSink sink_;
    Stats stats_;
};

// The program-wide store that start-up binds to the settings file.
ControlStateStore& controlStateStore();

}  // namespace lh
