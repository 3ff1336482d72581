#pragma once
// The main window's menu bar and toolbars as data: captions, shortcuts, keys and tool tips.

#include <QString>
#include <vector>

struct MenuItemDefinition {
    int level;           // 0 = menu bar title, 1 = item, 2 = submenu item
    const char* name;    // nullptr for a separator
    const char* caption; // "&" marks the access key
    const char* shortcut;
    bool checkedAtStart; // View items carry a check mark
    bool checkable;
};

const std::vector<MenuItemDefinition>& mainMenuDefinition();

struct ToolButtonDefinition {
    const char* key;     // dispatch key; nullptr for a separator
    const char* icon;    // resource path of the picture
    const char* toolTip; // set at load when tool tips are on
    const char* meaning; // accessible name of a picture button
};

const std::vector<ToolButtonDefinition>& standardToolbarDefinition();

struct ButtonMenuDefinition {
    const char* text;
    const char* key;
};

struct DropDownButtonDefinition {
    const char* caption;
    const char* layoutToolTip; // as laid out
    const char* toolTip;       // set at load when tool tips are on
    std::vector<ButtonMenuDefinition> entries;
};

const std::vector<DropDownButtonDefinition>& htmlTagsToolbarDefinition();
const std::vector<DropDownButtonDefinition>& scriptingToolbarDefinition();
