#pragma once
// The window's controls as plain state: a handler changes them, a view copies
// them into widgets, a test reads them.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "DialogLogic.h"
#include "ExtTypes.h"

struct TControl {
    std::string Caption;
    std::string Hint;
    bool ShowHint = false;
    bool Enabled = true;
    bool Visible = true;
    TRect Bounds;
};

struct TButton : TControl {};
struct TLabel : TControl {};

struct TMenuItem : TControl {
    bool Checked = false;
};

struct TCheckBox : TControl {
    bool Checked = false;
};

struct TComboItem {
    std::string Text;
    // What the entry stands for (the device-list index of an FTDI entry).
    std::int32_t Data = 0;
    bool operator==(const TComboItem&) const = default;
};

struct TComboBox : TControl {
    std::vector<TComboItem> Items;
    std::int32_t ItemIndex = -1;
    // The edit text; a selection copies the entry's text into it. A list-only box shows it
    // while no entry is selected (why the box is empty).
    std::string Text;
    // The user may type a text of their own (not only pick an entry).
    bool Editable = false;

    void Clear() {
        Items.clear();
        ItemIndex = -1;
        Text.clear();
    }
    std::int32_t Count() const { return static_cast<std::int32_t>(Items.size()); }
    void Select(std::int32_t index) {
        ItemIndex = index >= 0 && index < Count() ? index : -1;
        Text = ItemIndex >= 0 ? Items[static_cast<std::size_t>(ItemIndex)].Text : std::string();
    }
    const TComboItem* Selected() const {
        return ItemIndex >= 0 ? &Items[static_cast<std::size_t>(ItemIndex)] : nullptr;
    }
};

// Colours as 0x00RRGGBB.
inline constexpr std::uint32_t clBtnFace = 0xF0F0F0;

struct TPanel : TControl {
    std::uint32_t Color = clBtnFace;
};

struct TDateTimePicker : TControl {
    TDateTime Value{};
    TDateTime MinDate{};
    TDateTime MaxDate{};
};

struct TProgressBar : TControl {
    std::int32_t Min = 0, Max = 100, Position = 0;
};

struct TStatusPanel {
    std::string Text;
    std::int32_t Width = 50;
};

struct TStatusBar : TControl {
    std::array<TStatusPanel, 3> Panels;
    std::int32_t Height = 20;
    std::int32_t FontSize = 9;
};

enum class eSortArrow : std::uint8_t { None, Up, Down };

struct TListColumn {
    std::string Caption;
    std::int32_t Width = 80;
    eSortArrow Arrow = eSortArrow::None;
};

// A report view in virtual mode: the view asks the form for each cell.
struct TListView : TControl {
    std::vector<TListColumn> Columns;
    std::int32_t ItemCount = 0;
    std::int32_t ItemIndex = -1;
};

struct TFileDialogState {
    std::string FileName;
    std::string DefaultExt;
    std::string InitialDir;
    std::string Filter;
    bool FileMustExist = false;
};
