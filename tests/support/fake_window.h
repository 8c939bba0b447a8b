#pragma once

#include <memory>
#include <string>
#include <vector>

#include "settings/control_surface.h"
#include "textutil/program_text.h"

namespace lh::test {

// A control that is nothing but its fields: what a window adapter would read from and
// write to its widget.
struct FakeControl : PersistedControl {
    std::string controlName;
    std::string tagText;
    std::string content;
    bool isChecked = false;
    bool dropDownList = true;
    std::vector<std::string> comboItems;
    int selection = -1;
    std::vector<ListItem> listItems;
    long long colour = 0;
    std::vector<TreeNode> nodes;

    std::string name() const override { return controlName; }
    std::string tag() const override { return tagText; }
    void setTag(const std::string& t) override { tagText = t; }
    std::string text() const override { return content; }
    void setText(const std::string& t) override { content = t; }
    bool checked() const override { return isChecked; }
    void setChecked(bool c) override { isChecked = c; }
    bool isDropDownList() const override { return dropDownList; }
    int itemCount() const override { return static_cast<int>(comboItems.size()); }
    int selectedIndex() const override { return selection; }
    void setSelectedIndex(int i) override { selection = i; }
    std::vector<ListItem> items() const override { return listItems; }
    void setItems(const std::vector<ListItem>& i) override { listItems = i; }
    long long number() const override { return colour; }
    void setNumber(long long n) override { colour = n; }
    std::vector<TreeNode> treeNodes() const override { return nodes; }
    void setTreeNodes(const std::vector<TreeNode>& n) override { nodes = n; }
};

struct FakeWindow : ControlSurface {
    std::vector<std::unique_ptr<FakeControl>> all;

    std::vector<PersistedControl*> controls() override {
        std::vector<PersistedControl*> list;
        for (auto& control : all) list.push_back(control.get());
        return list;
    }

    // Adds a control named by a UTF-8 literal.
    FakeControl& add(const char* utf8Name) {
        all.push_back(std::make_unique<FakeControl>());
        all.back()->controlName = gb(utf8Name);
        return *all.back();
    }
    FakeControl& edit(const char* utf8Name, const char* utf8Text) {
        FakeControl& c = add(utf8Name);
        c.content = gb(utf8Text);
        return c;
    }
    FakeControl& check(const char* utf8Name, bool ticked) {
        FakeControl& c = add(utf8Name);
        c.isChecked = ticked;
        return c;
    }

    FakeControl* find(const char* utf8Name) {
        const std::string name = gb(utf8Name);
        for (auto& control : all)
            if (control->controlName == name) return control.get();
        return nullptr;
    }
};

// The main window with its design defaults, controls in visiting order: 11 buttons,
// 9 edit boxes, 11 check boxes, 10 radio buttons, 1 combo box, and a few controls the
// store does not keep.
inline std::unique_ptr<FakeWindow> makeMainWindow() {
    auto w = std::make_unique<FakeWindow>();
    w->add("图片框1");
    w->check("选择框删除缓存", false);
    w->check("选择框自动关闭验证窗口", false);
    FakeControl& mode = w->add("组合框采集模式");
    mode.comboItems = {gb("百度：采集模式2"), gb("百度：采集模式3")};
    mode.selection = 0;
    w->add("按钮10");
    for (const char* radio :
         {"单选框神马移动", "单选框360移动", "单选框百度移动", "单选框谷歌", "单选框必应",
          "单选框360", "单选框搜狗新闻", "单选框搜狗", "单选框百度新闻"})
        w->check(radio, false);
    w->check("单选框百度", true);
    w->add("标签2");
    w->add("按钮6");
    w->edit("编辑框关键词", "外星人\r\n2012").tagText = gb("字节集方式");
    w->edit("编辑框代理服务器", "").tagText = gb("字节集方式");
    w->add("标签4");
    w->edit("编辑框保存模板", "\"#标题#\",\"#网址#\",\"#域名#\",\"#顶级域名#\",\"#描述#\"");
    for (const char* button :
         {"按钮1", "按钮2", "按钮3", "按钮4", "按钮8", "按钮7", "按钮5", "按钮立即采集"})
        w->add(button);
    w->check("选择框合并保存", false);
    w->check("选择框自动去重", true);
    w->check("选择框英文站搜索", true);
    w->check("选择框关键词分割线", false);
    w->check("选择框忽略自家", false);
    w->check("选择框www非顶级", false);
    w->check("选择框总是解析跳转", false);
    w->add("标签8");
    w->edit("编辑框同时解析数", "4");
    w->check("选择框继续采集", false);
    w->add("标签7");
    w->edit("编辑框每页采集数", "50");
    w->edit("编辑框采集页数", "全部");
    w->check("选择框仅指定排名", false);
    w->edit("编辑框指定排名", "2|3|5");
    w->add("按钮选择");
    w->edit("编辑框扩展名", "txt");
    w->add("状态条");
    w->add("浏览器");
    w->edit("编辑框保存目录", "C:\\搜词取链");
    return w;
}

}  // namespace lh::test
