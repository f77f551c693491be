#pragma once

#include <span>

class frmMain;

/// One row per menu item, in menu order; the menu tree is built from these rows by one loop.
struct MenuRow {
    int level;                  ///< 1 = menu bar entry, 2.. = nested items
    const char* name;           ///< also the QAction's (or QMenu's) objectName
    const char* caption;        ///< as the menu shows it; "-" for a separator
    const char* shortcut;       ///< nullptr when the item carries none
    void (frmMain::*click)();   ///< nullptr for submenus and separators
    bool checkable = false;
    bool disabled = false;      ///< initial state
};

/// One row per toolbar button, in order. A click is dispatched on the button's key to the row's
/// command.
struct ToolRow {
    const char* key;            ///< nullptr for a separator
    const char* tooltip;
    const char* icon;           ///< resource name under :/icons/
    enum Style { Default, Check, Group, Separator } style;
    void (frmMain::*click)() = nullptr;
};

std::span<const MenuRow> menuRows();
std::span<const ToolRow> generalToolRows();
std::span<const ToolRow> htmlToolRows();
