#pragma once

#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "collect/collection_settings.h"

namespace lh {

class ControlStateStore;

// How an option's value is held by its control and read from it. Each kind is one
// reading rule, the same for the window's controls, a saved settings file and the
// command line.
enum class OptionKind {
    KeywordList,  // multi-line edit box kept as raw bytes beside the settings file; the
                  // command line names a file to read instead
    ProxyList,    // the same, one proxy address a line
    Engine,       // the engines' radio buttons (engine_catalogue.h), one selected
    PageLimit,    // integer edit box; "全部", 0 or less = every page; --pages N|all
    PerPage,      // integer edit box; resultsPerPageFromText; --per-page 1-100
    Parallel,     // integer edit box; parallelLookUpsFromText; the flag takes 1-16
    Text,         // edit box, taken as typed
    Folder,       // edit box; the command line gives a file-system path
    Extension,    // edit box; the command line drops a leading dot and refuses slashes
    Ranks,        // edit box of "|"-separated ranks; --ranks also turns the rank filter on
    Flag,         // check box; the command line has a flag and its opposite
    Choice,       // drop-down list, the selected index (-1 none); --flag takes an item label
};

// The field of CollectionSettings an option fills.
using SettingsField = std::variant<std::string CollectionSettings::*, bool CollectionSettings::*,
                                   int CollectionSettings::*, PageLimit CollectionSettings::*,
                                   SearchEngine CollectionSettings::*>;

// One persisted option: the window control that holds it (its name is also the settings
// file key), the CollectionSettings field, the command-line flag and the design-time
// default. Texts are UTF-8.
struct PersistedOption {
    std::string_view control{};  // empty for the engine group (one key per radio button)
    std::string_view name{};     // the field's name, for messages and tests
    OptionKind kind = OptionKind::Text;
    SettingsField field{};
    // The control's state at design time: edit-box text (lines joined by CR LF), "on" or
    // "off" for a check box, the selected index for a drop-down list, the engine's
    // command-line name. Empty for the save folder: defaultSaveFolder().
    std::string_view defaultText{};
    std::string_view flag{};        // without "--"; empty: the command line cannot set it
    std::string_view offFlag{};     // a flag's opposite, or what turns a rank filter off
    std::string_view valueName{};   // shown after the flag in --help ("N", "DIR")
    std::string_view choices{};     // Choice: the item labels the flag takes, "|"-separated
    std::string_view choiceNoun{};  // Choice: what an item is, for messages ("Baidu mode")
    // --help text after the flag column; lines joined by "\n", "{default}" stands for the
    // default as the command line spells it. Empty: no line of its own.
    std::string_view help{};
};

// Every persisted option, in the order --help lists them.
std::span<const PersistedOption> persistedOptions();

// The option of a control (UTF-8 name) or of a field name; nullptr when there is none.
const PersistedOption* optionOfControl(std::string_view control);
const PersistedOption* optionNamed(std::string_view name);

// Sets the option from a control's text (program text) by its reading rule. Only for
// the edit-box kinds (PageLimit, PerPage, Text, Folder, Extension, Ranks, KeywordList).
void setFromControlText(const PersistedOption& option, CollectionSettings& settings,
                        std::string_view text);
// The text the option's control shows for the value ("全部" for every page).
std::string controlText(const PersistedOption& option, const CollectionSettings& settings);

// Flag and Choice options.
void setFlag(const PersistedOption& option, CollectionSettings& settings, bool on);
bool flagOf(const PersistedOption& option, const CollectionSettings& settings);
void setChoice(const PersistedOption& option, CollectionSettings& settings, long long index);
int choiceOf(const PersistedOption& option, const CollectionSettings& settings);

// The design-time value.
void applyDefault(const PersistedOption& option, CollectionSettings& settings);

// A typed value for a settings field, as the command line gives it.
using SettingValue = std::variant<std::string, bool, int, PageLimit, SearchEngine>;
struct SettingAssignment {
    SettingsField field;
    SettingValue value;
};
void assign(const SettingAssignment& assignment, CollectionSettings& settings);

// Reads an option given on the command line: `value` as typed (UTF-8; empty for a plain
// flag), `on` false for the option's off flag. Appends the typed values to `out` and
// returns empty, or returns why the value is refused (without the flag's name).
// KeywordList options name a file, which the caller reads; nothing is appended.
std::string readFlag(const PersistedOption& option, std::string_view value, bool on,
                     std::vector<SettingAssignment>& out);

// The default as --help shows it ("all", "50", "baidu", the template in UTF-8).
std::string defaultForHelp(const PersistedOption& option);

// Lays what a window saved in `store` (its current section) over `settings`, the way
// the window restores its controls: keys that are missing leave a field as it is; the
// engine buttons are read in the window's control order, so the last one stored as
// selected wins and one stored as not selected clears the engine it held.
// `taken` (optional) receives the options the store held a value for, in table order.
void readSavedOptions(ControlStateStore& store, CollectionSettings& settings,
                      std::vector<const PersistedOption*>* taken = nullptr);

}  // namespace lh
