#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lh {

// What a control is, told by the leading word of its name (按钮, 编辑框, ...).
enum class ControlKind {
    Button,        // 按钮
    EditBox,       // 编辑框
    CheckBox,      // 选择框
    RadioButton,   // 单选框
    ComboBox,      // 组合框
    ListBox,       // 列表框
    CheckListBox,  // 选择列表框
    ColourPicker,  // 颜色选择器
    FileDialog,    // 通用对话框
    TreeView,      // 树型框
    Label,         // 标签 (never kept)
    Other,         // pictures, links, browsers, the status bar (never kept)
};

// Kind of a control by the leading word of its program-text name; the first word that
// matches wins, in the order of the enum above.
ControlKind controlKindOfName(std::string_view name);

// True for the kinds whose state the settings store keeps.
bool isPersistedKind(ControlKind kind);

// One entry of a list box or check-list box.
struct ListItem {
    std::string text;
    long long value = 0;
    bool checked = false;  // check-list boxes only
};

// One node of a tree view: its fields in order.
using TreeNode = std::vector<std::string>;

// A control as the settings store sees it. A window adapts each of its widgets to this;
// an adapter overrides only what its kind has (the defaults read as empty and ignore
// writes). All texts are program text; multi-line texts use CR LF between lines.
class PersistedControl {
public:
    virtual ~PersistedControl() = default;

    // The design name, e.g. "编辑框保存目录"; doubles as the settings key.
    virtual std::string name() const = 0;

    // Free text attached to the control. "禁止保存" keeps the store away from it,
    // "字节集方式" makes it store its value in a side file. A button's tag is its value.
    virtual std::string tag() const { return {}; }
    virtual void setTag(const std::string&) {}

    // Edit box content, an editable combo box's edit text, a file dialog's file name.
    virtual std::string text() const { return {}; }
    virtual void setText(const std::string&) {}

    // Check box ticked, radio button selected.
    virtual bool checked() const { return false; }
    virtual void setChecked(bool) {}

    // Combo boxes: a non-editable drop-down list keeps its selection index, any other
    // combo box its edit text. -1 is no selection.
    virtual bool isDropDownList() const { return true; }
    virtual int itemCount() const { return 0; }
    virtual int selectedIndex() const { return -1; }
    virtual void setSelectedIndex(int) {}

    // List boxes and check-list boxes: every item; setItems replaces them all.
    virtual std::vector<ListItem> items() const { return {}; }
    virtual void setItems(const std::vector<ListItem>&) {}

    // Colour pickers.
    virtual long long number() const { return 0; }
    virtual void setNumber(long long) {}

    // Tree views: every node in display order; setTreeNodes replaces them all.
    virtual std::vector<TreeNode> treeNodes() const { return {}; }
    virtual void setTreeNodes(const std::vector<TreeNode>&) {}

    ControlKind kind() const { return controlKindOfName(name()); }
};

// A window as the settings store sees it: its controls in the window's control order.
// The pointers stay owned by the window and must outlive one save or restore.
class ControlSurface {
public:
    virtual ~ControlSurface() = default;
    virtual std::vector<PersistedControl*> controls() = 0;
};

}  // namespace lh
