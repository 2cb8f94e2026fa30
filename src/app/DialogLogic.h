#pragma once
// What the program's own dialogs do, as plain logic: message box styles and
// their results, and the layout numbers the windows are built with. The
// desktop program draws these; tests and vexo-cli answer without drawing.
#include <cstdint>
#include <string>

#include "LanguageEntries.h"

// Modal results.
enum : std::int32_t {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrYes = 6,
    mrNo = 7,
    mrClose = 8,
    mrYesToAll = 14,
};

// The fixed text shown (by the system's own box) for a style the program does not know.
inline constexpr const char* UnhandledMessageStyleText = "Message-Flag nicht behandelt. Bitte ergänzen!";

enum class eMsgButton : std::uint8_t { OK, Cancel, Aux };

// True for the styles the program's box handles: 0, 1, 3, 4 and 6.
bool IsKnownMessageStyle(std::int32_t style);
// Texts of the OK, Cancel and Aux buttons and of the check box for a style (null where none).
struct TMessageBoxTexts {
    const TLangEntry* OK = nullptr;
    const TLangEntry* Cancel = nullptr;
    const TLangEntry* Aux = nullptr;
    const TLangEntry* CheckBox = nullptr;
};
TMessageBoxTexts MessageBoxTexts(std::int32_t style);
// Result of a button of the box; mrNone when that button sets none in this style.
std::int32_t MessageBoxResult(std::int32_t style, eMsgButton button, bool checkBoxTicked);
// Which buttons a style shows.
bool MessageBoxShows(std::int32_t style, eMsgButton button);

struct TRect {
    std::int32_t Left = 0, Top = 0, Width = 0, Height = 0;
    std::int32_t Right() const { return Left + Width; }
    std::int32_t Bottom() const { return Top + Height; }
    bool operator==(const TRect&) const = default;
};

// Centred on the owner: left = owner left + (owner width - width) / 2, likewise top.
TRect CentreOn(const TRect& owner, std::int32_t width, std::int32_t height);

struct TMessageBoxLayout {
    std::int32_t Width = 0, Height = 0;
    TRect Label, OK, Cancel, Aux, CheckBox;
    bool CancelVisible = true, AuxVisible = false, CheckBoxVisible = false;
};
// SetMessage: labelHeight is the word-wrapped message's height at width Width - 40.
// Use MessageBoxWidth first to know the label's width.
std::int32_t MessageBoxWidth(std::int32_t style, std::int32_t buttonWidth, std::int32_t desktopWidth);
TMessageBoxLayout SetMessageLayout(std::int32_t style, std::int32_t buttonWidth, std::int32_t buttonHeight,
                                   std::int32_t labelTop, std::int32_t labelHeight,
                                   std::int32_t desktopWidth);

struct TSelectLayout {
    std::int32_t Width = 0, ClientHeight = 0;
    TRect Label, RadioGroup, OK, Cancel;
};
// SetSelCnt. Sizes measured in the window's font by the caller.
struct TSelectMetrics {
    std::int32_t ButtonWidth = 120, ButtonHeight = 25;
    std::int32_t LabelTextWidth = 0;   // the label caption's width on one line
    std::int32_t LabelTextHeight = 13; // the caption's line height
    std::int32_t GgTextHeight = 13;    // text height of "Gg"
    std::int32_t FontSize = 8;
    std::int32_t RadioGroupInitialHeight = 0;
    std::int32_t Margin = 7;
};
TSelectLayout SetSelCntLayout(std::int32_t count, const TSelectMetrics& m);

struct TQueryLayout {
    std::int32_t Width = 0, Height = 0;
    TRect Label, Edit, OK, Cancel;
};
TQueryLayout SetQueryLayout(std::int32_t buttonWidth, std::int32_t buttonHeight, std::int32_t labelTop,
                            std::int32_t labelHeight, std::int32_t editHeight);

// Input dialog keys: Enter gives mrOk when the edit holds text, Escape mrCancel, others nothing.
enum class eQueryKey : std::uint8_t { Enter, Escape, Other };
std::int32_t QueryKeyResult(eQueryKey key, const std::string& editText);

struct TCfgListLayout {
    std::int32_t Width = 0, Height = 0;
    TRect List, OK;
};
// alphabetWidth: text width of "ABCDEFGHIJKLMNOPQRSTUVWXYZ"; ggHeight: text height of "Gg".
TCfgListLayout ConfigListLayout(std::int32_t alphabetWidth, std::int32_t ggHeight, std::int32_t buttonWidth,
                                std::int32_t buttonHeight, std::int32_t listTop);
// How far the list scrolls sideways: the widest entry's text width plus 40.
std::int32_t ConfigListScrollWidth(std::int32_t widestEntryWidth);

struct TEvaluationInfoLayout {
    std::int32_t Width = 0, Height = 0;
};
TEvaluationInfoLayout EvaluationInfoLayout(std::int32_t labelWidth, std::int32_t labelHeight);
