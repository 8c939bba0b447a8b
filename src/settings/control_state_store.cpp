#include "settings/control_state_store.h"

#include <string_view>
#include <system_error>
#include <vector>

#include "textutil/file_access.h"

namespace lh {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr int kSectionAttempts = 10;

const std::string& lineBreakMark() {
    static const std::string mark = gb("┊*┊");
    return mark;
}
const std::string& trueText() {
    static const std::string text = gb("真");
    return text;
}
const std::string& falseText() {
    static const std::string text = gb("假");
    return text;
}
const std::string& noSaveTag() {
    static const std::string text = gb("禁止保存");
    return text;
}
const std::string& bytesModeTag() {
    static const std::string text = gb("字节集方式");
    return text;
}
const std::string& buttonKeySuffix() {
    static const std::string text = gb(".标记");
    return text;
}
const std::string& comboTextKeySuffix() {
    static const std::string text = gb(".内容");
    return text;
}
const std::string& treeKeySuffix() {
    static const std::string text = gb(".列表");
    return text;
}
constexpr std::string_view kFieldSeparator = "{G}";
constexpr std::string_view kItemSeparator = "{H}";

bool hasLineBreak(std::string_view s) {
    return s.find('\r') != std::string_view::npos || s.find('\n') != std::string_view::npos;
}
// A key line for such a key could never be found again.
bool usableKey(std::string_view key) {
    return key.find('=') == std::string_view::npos && !hasLineBreak(key);
}
bool usableSection(std::string_view section) {
    return section.find(']') == std::string_view::npos && !hasLineBreak(section);
}
bool usableInFileName(std::string_view part) {
    return part.find('/') == std::string_view::npos && part.find('\0') == std::string_view::npos;
}

// Line breaks are replaced byte-wise: a CR LF must never reach a value line, even after
// a malformed lead byte. An LF alone ends a line of the file too, so it is kept the same
// way (and reads back as CR LF).
std::string encodeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = text.find('\n', from);
        if (at == std::string_view::npos) break;
        const std::size_t lineEnd = at > from && text[at - 1] == '\r' ? at - 1 : at;
        out.append(text, from, lineEnd - from);
        out += lineBreakMark();
        from = at + 1;
    }
    out.append(text, from);
    return out;
}
std::string decodeText(std::string_view stored) {
    return replaceAll(stored, lineBreakMark(), kCrLf);
}

// Lines end in CR LF as the store writes them, or in LF alone in a file edited by hand.
// The end of the line that holds `from`: the position of its CR LF or LF, or the end.
std::size_t lineEndFrom(std::string_view text, std::size_t from) {
    const std::size_t lf = text.find('\n', from);
    if (lf == std::string_view::npos) return text.size();
    return lf > from && text[lf - 1] == '\r' ? lf - 1 : lf;
}

const std::string& boolText(bool value) { return value ? trueText() : falseText(); }

std::string joinItems(const std::vector<ListItem>& items, bool withCheck) {
    std::vector<std::string> pieces;
    pieces.reserve(items.size());
    for (const ListItem& item : items) {
        std::string piece = item.text;
        piece += kFieldSeparator;
        piece += std::to_string(item.value);
        if (withCheck) {
            piece += kFieldSeparator;
            piece += boolText(item.checked);
        }
        pieces.push_back(std::move(piece));
    }
    return joinText(pieces, kItemSeparator);
}

std::vector<ListItem> splitItems(std::string_view stored, bool withCheck) {
    std::vector<ListItem> items;
    if (stored.empty()) return items;
    for (const std::string& piece : splitText(stored, kItemSeparator)) {
        const std::vector<std::string> fields = splitText(piece, kFieldSeparator);
        ListItem item;
        item.text = fields[0];
        if (fields.size() > 1) item.value = toInteger(fields[1]);
        if (withCheck && fields.size() > 2) item.checked = fields[2] == trueText();
        items.push_back(std::move(item));
    }
    return items;
}

std::string joinNodes(const std::vector<TreeNode>& nodes) {
    std::vector<std::string> pieces;
    pieces.reserve(nodes.size());
    for (const TreeNode& node : nodes) pieces.push_back(joinText(node, kFieldSeparator));
    return joinText(pieces, kItemSeparator);
}

std::vector<TreeNode> splitNodes(std::string_view stored) {
    std::vector<TreeNode> nodes;
    if (stored.empty()) return nodes;
    for (const std::string& piece : splitText(stored, kItemSeparator))
        nodes.push_back(splitText(piece, kFieldSeparator));
    return nodes;
}

}  // namespace

const std::string& mainWindowSection() {
    static const std::string section = gb("主界面");
    return section;
}

ControlStateStore& controlStateStore() {
    static ControlStateStore store;
    return store;
}

bool ControlStateStore::openStore(const std::string& settingsPath) {
    file_.close();
    text_.clear();
    cache_ = {};
    unsavedSideFiles_.clear();
    failureReported_ = false;
    settingsPath_ = settingsPath;
    const std::filesystem::path native = nativePath(settingsPath);
    if (file_.open(native)) {
        if (file_.readAll(text_)) return true;
        // Editing a file we could not read would damage it.
        file_.close();
    }
    if (!readWholeFile(native, text_)) text_.clear();
    return false;
}

void ControlStateStore::pumpEvents() {
    if (pump_) pump_();
}

std::optional<ControlStateStore::SectionSpan> ControlStateStore::findSection(
    const std::string& section) {
    if (cache_.valid && cache_.name == section && cache_.span.close < text_.size() &&
        text_[cache_.span.open] == '[' && text_[cache_.span.close] == ']') {
        ++stats_.sectionCacheHits;
        return cache_.span;
    }
    ++stats_.sectionSearches;
    const std::string header = "[" + section + "]";
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = text_.find(header, from);
        if (at == std::string::npos) return std::nullopt;
        // A header counts only at the start of the text or of a line.
        if (at == 0 || text_[at - 1] == '\n') {
            cache_.valid = true;
            cache_.name = section;
            cache_.span = {at, at + header.size() - 1};
            return cache_.span;
        }
        from = at + 1;
    }
}

std::optional<ControlStateStore::KeySpan> ControlStateStore::findKey(const SectionSpan& section,
                                                                     const std::string& key) {
    ++stats_.keySearches;
    const std::string needle = "\n" + key + "=";
    const std::size_t line = text_.find(needle, section.close);
    if (line == std::string::npos) return std::nullopt;
    // The key belongs to a later section when a header line lies in between.
    for (std::size_t at = text_.find("\n[", section.close + 1);
         at != std::string::npos && at < line; at = text_.find("\n[", at + 1)) {
        const std::size_t lineEnd = lineEndFrom(text_, at + 1);
        if (lineEnd <= line && lineEnd > at + 2 && text_[lineEnd - 1] == ']') return std::nullopt;
    }
    KeySpan span;
    span.valueStart = line + needle.size();
    span.valueLength = lineEndFrom(text_, span.valueStart) - span.valueStart;
    return span;
}

std::optional<std::string> ControlStateStore::lookUp(const std::string& section,
                                                     const std::string& key) {
    if (!usableKey(key) || !usableSection(section)) return std::nullopt;
    const auto span = findSection(section);
    if (!span) return std::nullopt;
    const auto value = findKey(*span, key);
    if (!value) return std::nullopt;
    return text_.substr(value->valueStart, value->valueLength);
}

std::string ControlStateStore::readValue(const std::string& key, const std::string& defaultValue) {
    return lookUp(section_, key).value_or(defaultValue);
}

bool ControlStateStore::holdsValue(const std::string& key) {
    return lookUp(section_, key).has_value();
}

bool ControlStateStore::holdsBytes(const std::string& key) {
    return lookUpBytes(section_, key).has_value();
}

bool ControlStateStore::writeValue(const std::string& key, const std::string& value) {
    return queueWrite(section_, key, value);
}

bool ControlStateStore::queueWrite(const std::string& section, const std::string& key,
                                   const std::string& value) {
    if (!usableKey(key) || !usableSection(section) || value.find('\n') != std::string::npos)
        return false;
    pending_.push_back({section, key, value});
    if (busy_) return true;  // the running queue takes it, in order
    busy_ = true;
    while (!pending_.empty()) {
        const WriteRequest request = pending_.front();
        carryOut(request);
        pending_.pop_front();
    }
    busy_ = false;
    return true;
}

void ControlStateStore::carryOut(const WriteRequest& request) {
    int missingSection = 0;
    for (;;) {
        pumpEvents();
        const auto section = findSection(request.section);
        if (!section) {
            if (++missingSection > kSectionAttempts) {
                if (sink_) {
                    sink_(gb("配置模块出现意外，可能导致无法正常保存！详情请咨询砚溪。"),
                          MessageIcon::Exclamation);
                    sink_(text_, MessageIcon::None);
                }
                return;
            }
            std::string header = "[" + request.section + "]";
            if (!text_.empty() && text_.back() != '\n') header.insert(0, kCrLf);
            applyEdit(text_.size(), 0, header);
            continue;
        }
        const auto key = findKey(*section, request.key);
        if (!key) {
            // Before the next header line, or at the end.
            std::size_t at = text_.find("\n[", section->close);
            if (at == std::string::npos) {
                at = text_.size();
            } else if (text_[at - 1] == '\r') {
                --at;
            }
            if (at == text_.size() && text_.back() == '\n')
                applyEdit(at, 0, request.key + "=");  // the file ends with a line end already
            else
                applyEdit(at, 0, std::string(kCrLf) + request.key + "=");
            continue;
        }
        applyEdit(key->valueStart, key->valueLength, request.value);
        ++stats_.writesDone;
        return;
    }
}

void ControlStateStore::applyEdit(std::size_t position, std::size_t removed,
                                  const std::string& inserted) {
    if (removed == inserted.size() && text_.compare(position, removed, inserted) == 0) return;
    const std::size_t oldSize = text_.size();
    text_.replace(position, removed, inserted);
    ++stats_.edits;
    if (cache_.valid && position <= cache_.span.open) {
        cache_.span.open = cache_.span.open - removed + inserted.size();
        cache_.span.close = cache_.span.close - removed + inserted.size();
    }
    if (!file_.isOpen()) return;
    if (!file_.stillAtPath()) {
        fileFailed("配置文件已被删除或被其他程序替换");
        return;
    }
    // An edit that keeps the length leaves everything after it in place on disk.
    const std::size_t unchangedAfter =
        removed == inserted.size() ? text_.size() - position - inserted.size() : 0;
    std::string error;
    if (!file_.rewriteTail(position, std::string_view(text_).substr(position), oldSize,
                           unchangedAfter, error))
        fileFailed(error);
}

void ControlStateStore::fileFailed(const std::string& error) {
    file_.close();
    reportOnce(gb("配置文件写入失败，之后的配置更改只保存在内存中，退出软件后将丢失！"),
               nativePath(settingsPath_), error);
}

void ControlStateStore::reportOnce(const std::string& what, const std::filesystem::path& path,
                                   const std::string& error) {
    if (failureReported_) return;
    failureReported_ = true;
    if (sink_)
        sink_(what + "\r\n" + programTextOfPath(path) + "\r\n" + utf8ToGb(error),
              MessageIcon::Exclamation);
}

std::string ControlStateStore::readText(const std::string& key, const std::string& defaultValue) {
    const auto stored = lookUp(section_, key);
    return stored ? decodeText(*stored) : defaultValue;
}

bool ControlStateStore::writeText(const std::string& key, const std::string& value) {
    return writeValue(key, encodeText(value));
}

bool ControlStateStore::readBool(const std::string& key, bool defaultValue) {
    const auto stored = lookUp(section_, key);
    return stored ? *stored == trueText() : defaultValue;
}

bool ControlStateStore::writeBool(const std::string& key, bool value) {
    return writeValue(key, boolText(value));
}

long long ControlStateStore::readNumber(const std::string& key, long long defaultValue) {
    const auto stored = lookUp(section_, key);
    return stored ? toInteger(*stored) : defaultValue;
}

bool ControlStateStore::writeNumber(const std::string& key, long long value) {
    return writeValue(key, std::to_string(value));
}

std::filesystem::path ControlStateStore::sideFilePath(const std::string& section,
                                                      const std::string& key) const {
    return nativePath(settingsPath_).parent_path() / "inibin" /
           nativePath(section + "-" + key + ".ibn");
}

std::optional<Bytes> ControlStateStore::lookUpBytes(const std::string& section,
                                                    const std::string& key) {
    if (!usableInFileName(section) || !usableInFileName(key)) return std::nullopt;
    const auto unsaved = unsavedSideFiles_.find({section, key});
    if (unsaved != unsavedSideFiles_.end()) {
        if (unsaved->second.empty()) return std::nullopt;
        return unsaved->second;
    }
    std::string content;
    if (!readWholeFile(sideFilePath(section, key), content) || content.empty()) return std::nullopt;
    return toBytes(content);
}

bool ControlStateStore::storeBytes(const std::string& section, const std::string& key,
                                   const Bytes& value) {
    if (!usableInFileName(section) || !usableInFileName(key)) return false;
    // Without the settings file this copy of the program writes nothing to disk.
    if (!file_.isOpen()) {
        unsavedSideFiles_[{section, key}] = value;
        return false;
    }
    const std::filesystem::path path = sideFilePath(section, key);
    std::string error;
    // "inibin" holds the keyword list: a folder made for it is the user's alone.
    if (createPrivateFolders(path.parent_path(), &error) &&
        replaceFileContent(
            path, std::string_view(reinterpret_cast<const char*>(value.data()), value.size()),
            error)) {
        unsavedSideFiles_.erase({section, key});
        return true;
    }
    unsavedSideFiles_[{section, key}] = value;
    reportOnce(gb("配置文件写入失败，部分配置只保存在内存中，退出软件后将丢失！"), path, error);
    return false;
}

Bytes ControlStateStore::readBytes(const std::string& key, const Bytes& defaultValue) {
    return lookUpBytes(section_, key).value_or(defaultValue);
}

bool ControlStateStore::writeBytes(const std::string& key, const Bytes& value) {
    return storeBytes(section_, key, value);
}

void ControlStateStore::saveWindowControls(ControlSurface& window, const std::string& section) {
    section_ = section;
    for (PersistedControl* control : window.controls()) {
        pumpEvents();
        // The section is passed on, not read back from section_: an event handler may
        // save another window meanwhile.
        saveControl(*control, section);
    }
}

void ControlStateStore::restoreWindowControls(ControlSurface& window, const std::string& section) {
    section_ = section;
    for (PersistedControl* control : window.controls()) {
        pumpEvents();
        restoreControl(*control, section);
    }
}

void ControlStateStore::saveControl(PersistedControl& control, const std::string& section) {
    const ControlKind kind = control.kind();
    if (!isPersistedKind(kind)) return;
    const std::string tag = control.tag();
    if (tag == noSaveTag()) return;
    const bool asBytes = tag == bytesModeTag();
    const std::string name = control.name();
    switch (kind) {
    case ControlKind::Button:
        if (asBytes)
            storeBytes(section, name + buttonKeySuffix(), toBytes(tag));
        else
            queueWrite(section, name + buttonKeySuffix(), encodeText(tag));
        break;
    case ControlKind::EditBox:
        if (asBytes)
            storeBytes(section, name, toBytes(control.text()));
        else
            queueWrite(section, name, encodeText(control.text()));
        break;
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
        queueWrite(section, name, boolText(control.checked()));
        break;
    case ControlKind::ComboBox:
        if (control.isDropDownList())
            queueWrite(section, name, std::to_string(control.selectedIndex()));
        else
            queueWrite(section, name + comboTextKeySuffix(), encodeText(control.text()));
        break;
    case ControlKind::ListBox:
        queueWrite(section, name, encodeText(joinItems(control.items(), false)));
        break;
    case ControlKind::CheckListBox:
        queueWrite(section, name, encodeText(joinItems(control.items(), true)));
        break;
    case ControlKind::ColourPicker:
        queueWrite(section, name, std::to_string(control.number()));
        break;
    case ControlKind::FileDialog:
        queueWrite(section, name, encodeText(control.text()));
        break;
    case ControlKind::TreeView:
        storeBytes(section, name + treeKeySuffix(), toBytes(joinNodes(control.treeNodes())));
        break;
    case ControlKind::Label:
    case ControlKind::Other:
        break;
    }
}

void ControlStateStore::restoreControl(PersistedControl& control, const std::string& section) {
    const ControlKind kind = control.kind();
    if (!isPersistedKind(kind)) return;
    const std::string tag = control.tag();
    if (tag == noSaveTag()) return;
    const bool asBytes = tag == bytesModeTag();
    const std::string name = control.name();
    // A missing key (or an empty side file) leaves the control as it is.
    switch (kind) {
    case ControlKind::Button:
        if (asBytes) {
            if (const auto bytes = lookUpBytes(section, name + buttonKeySuffix()))
                control.setTag(fromBytes(*bytes));
        } else if (const auto stored = lookUp(section, name + buttonKeySuffix())) {
            control.setTag(decodeText(*stored));
        }
        break;
    case ControlKind::EditBox:
        if (asBytes) {
            if (const auto bytes = lookUpBytes(section, name)) control.setText(fromBytes(*bytes));
        } else if (const auto stored = lookUp(section, name)) {
            control.setText(decodeText(*stored));
        }
        break;
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
        if (const auto stored = lookUp(section, name)) control.setChecked(*stored == trueText());
        break;
    case ControlKind::ComboBox:
        if (control.isDropDownList()) {
            if (const auto stored = lookUp(section, name)) {
                const long long last = control.itemCount() - 1;
                long long index = toInteger(*stored);
                if (index > last) index = last;
                if (index < 0) index = -1;
                control.setSelectedIndex(static_cast<int>(index));
            }
        } else if (const auto stored = lookUp(section, name + comboTextKeySuffix())) {
            control.setText(decodeText(*stored));
        }
        break;
    case ControlKind::ListBox:
    case ControlKind::CheckListBox:
        if (const auto stored = lookUp(section, name))
            control.setItems(splitItems(decodeText(*stored), kind == ControlKind::CheckListBox));
        break;
    case ControlKind::ColourPicker:
        if (const auto stored = lookUp(section, name)) control.setNumber(toInteger(*stored));
        break;
    case ControlKind::FileDialog:
        if (const auto stored = lookUp(section, name)) control.setText(decodeText(*stored));
        break;
    case ControlKind::TreeView:
        if (const auto bytes = lookUpBytes(section, name + treeKeySuffix()))
            control.setTreeNodes(splitNodes(fromBytes(*bytes)));
        break;
    case ControlKind::Label:
    case ControlKind::Other:
        break;
    }
}

}  // namespace lh
