#include "settings/control_surface.h"

#include <utility>

#include "textutil/program_text.h"

namespace lh {

ControlKind controlKindOfName(std::string_view name) {
    static const std::pair<std::string, ControlKind> kWords[] = {
        {gb("按钮"), ControlKind::Button},
        {gb("编辑框"), ControlKind::EditBox},
        {gb("选择框"), ControlKind::CheckBox},
        {gb("单选框"), ControlKind::RadioButton},
        {gb("组合框"), ControlKind::ComboBox},
        {gb("列表框"), ControlKind::ListBox},
        {gb("选择列表框"), ControlKind::CheckListBox},
        {gb("颜色选择器"), ControlKind::ColourPicker},
        {gb("通用对话框"), ControlKind::FileDialog},
        {gb("树型框"), ControlKind::TreeView},
        {gb("标签"), ControlKind::Label},
    };
    // Program text is GB18030, so a byte prefix is a character prefix.
    for (const auto& [word, kind] : kWords) {
        if (name.starts_with(word)) return kind;
    }
    return ControlKind::Other;
}

bool isPersistedKind(ControlKind kind) {
    return kind != ControlKind::Label && kind != ControlKind::Other;
}

}  // namespace lh
