#include "DialogLogic.h"

bool IsKnownMessageStyle(std::int32_t style) {
    return style == 0 || style == 1 || style == 3 || style == 4 || style == 6;
}

TMessageBoxTexts MessageBoxTexts(std::int32_t style) {
    switch (style) {
    case 0: return {&LE::OK, nullptr, nullptr, nullptr};
    case 1: return {&LE::OK, &LE::Cancel, nullptr, nullptr};
    case 3: return {&LE::Yes, &LE::No, &LE::Cancel, nullptr};
    case 4: return {&LE::Yes, &LE::No, nullptr, nullptr};
    case 6: return {&LE::Accept, &LE::Decline, nullptr, &LE::DoNotShowAgain};
    default: return {};
    }
}

std::int32_t MessageBoxResult(std::int32_t style, eMsgButton button, bool checkBoxTicked) {
    switch (button) {
    case eMsgButton::OK:
        if (style == 0 || style == 1) return mrOk;
        if (style == 3 || style == 4) return mrYes;
        if (style == 6) return checkBoxTicked ? mrYesToAll : mrYes;
        return mrNone;
    case eMsgButton::Cancel:
        if (style == 1) return mrCancel;
        if (style == 3 || style == 4) return mrNo;
        if (style == 6) return mrClose;
        return mrNone;
    case eMsgButton::Aux: return style == 3 ? mrCancel : mrNone;
    }
    return mrNone;
}

bool MessageBoxShows(std::int32_t style, eMsgButton button) {
    if (!IsKnownMessageStyle(style)) return false;
    switch (button) {
    case eMsgButton::OK: return true;
    case eMsgButton::Cancel: return style != 0;
    case eMsgButton::Aux: return style == 3;
    }
    return false;
}

TRect CentreOn(const TRect& owner, std::int32_t width, std::int32_t height) {
    return TRect{owner.Left + (owner.Width - width) / 2, owner.Top + (owner.Height - height) / 2, width,
                 height};
}

std::int32_t MessageBoxWidth(std::int32_t style, std::int32_t buttonWidth, std::int32_t desktopWidth) {
    if (style == 3) return 4 * buttonWidth;
    if (style == 6) return desktopWidth * 3 / 4;
    return 3 * buttonWidth;
}

TMessageBoxLayout SetMessageLayout(std::int32_t style, std::int32_t buttonWidth, std::int32_t buttonHeight,
                                   std::int32_t labelTop, std::int32_t labelHeight,
                                   std::int32_t desktopWidth) {
    const std::int32_t B = buttonWidth, H = buttonHeight;
    TMessageBoxLayout l;
    l.Width = MessageBoxWidth(style, B, desktopWidth);
    const std::int32_t W = l.Width;
    l.Label = {16, labelTop, W - 40, labelHeight};
    const std::int32_t buttonTop = labelTop + labelHeight + 20;
    l.OK = {0, buttonTop, B, H};
    l.Cancel = {0, buttonTop, B, H};
    l.Aux = {0, buttonTop, B, H};
    l.Height = labelHeight + H + 80;
    l.CheckBox = {0, buttonTop - 2 * H, 0, H};
    l.AuxVisible = false;
    l.CheckBoxVisible = false;
    l.CancelVisible = true;
    if (style == 0) {
        l.CancelVisible = false;
        l.OK.Left = (W - B) / 2;
    } else if (style == 3) {
        l.AuxVisible = true;
        l.OK.Left = W / 2 - 3 * (B / 2) - 5;
        l.Cancel.Left = (W - l.Cancel.Width) / 2;
        l.Aux.Left = (l.Cancel.Width + W) / 2 + 5;
    } else if (style == 6) {
        l.Height += H + 10;
        l.CheckBox.Top = labelTop + labelHeight + 20;
        l.OK.Top = l.CheckBox.Top + H + 10;
        l.Cancel.Top = l.OK.Top;
        l.OK.Left = W / 2 - B - 5;
        l.Cancel.Left = W / 2 + 5;
        l.CheckBox.Left = l.OK.Left;
        l.CheckBox.Width = 2 * B + 10;
        l.CheckBoxVisible = true;
    } else {
        l.OK.Left = W / 2 - B - 5;
        l.Cancel.Left = W / 2 + 5;
    }
    return l;
}

TSelectLayout SetSelCntLayout(std::int32_t count, const TSelectMetrics& m) {
    TSelectLayout l;
    l.Width = 3 * m.ButtonWidth;
    const std::int32_t labelClientWidth = l.Width - 2 * m.Margin;
    const std::int32_t labelHeight = labelClientWidth > 0
                                         ? ((m.LabelTextWidth + 5) / labelClientWidth + 1) * m.LabelTextHeight
                                         : m.LabelTextHeight;
    l.Label = {m.Margin, m.Margin, labelClientWidth, labelHeight};
    std::int32_t radioHeight = m.RadioGroupInitialHeight;
    for (std::int32_t i = 0; i < count; ++i) radioHeight += m.GgTextHeight + (m.FontSize / 8) * 7;
    l.RadioGroup = {m.Margin, l.Label.Bottom() + 2 * m.Margin, labelClientWidth, radioHeight};
    l.ClientHeight = labelHeight + radioHeight + m.ButtonHeight + 34;
    const std::int32_t okTop = l.RadioGroup.Top + radioHeight + 10;
    l.OK = {m.Margin, okTop, m.ButtonWidth, m.ButtonHeight};
    l.Cancel = {l.Width - m.ButtonWidth - m.Margin, okTop, m.ButtonWidth, m.ButtonHeight};
    return l;
}

TQueryLayout SetQueryLayout(std::int32_t buttonWidth, std::int32_t buttonHeight, std::int32_t labelTop,
                            std::int32_t labelHeight, std::int32_t editHeight) {
    TQueryLayout l;
    const std::int32_t B = buttonWidth;
    l.Width = 3 * B;
    const std::int32_t W = l.Width;
    l.Label = {16, labelTop, W - 40, labelHeight};
    l.Edit = {50, l.Label.Bottom() + 20, W - 100, editHeight};
    l.OK = {W / 2 - B - 5, l.Edit.Bottom() + 20, B, buttonHeight};
    l.Cancel = {W / 2 + 5, l.OK.Top, B, buttonHeight};
    l.Height = labelHeight + editHeight + buttonHeight + 100;
    return l;
}

std::int32_t QueryKeyResult(eQueryKey key, const std::string& editText) {
    if (key == eQueryKey::Enter) return editText.empty() ? mrNone : mrOk;
    if (key == eQueryKey::Escape) return mrCancel;
    return mrNone;
}

TCfgListLayout ConfigListLayout(std::int32_t alphabetWidth, std::int32_t ggHeight, std::int32_t buttonWidth,
                                std::int32_t buttonHeight, std::int32_t listTop) {
    TCfgListLayout l;
    l.List = {0, listTop, alphabetWidth + 20, 7 * ggHeight};
    l.Width = l.List.Width + 23;
    l.Height = l.List.Height + buttonHeight + 50;
    l.OK = {(l.Width - buttonWidth) / 2, l.List.Bottom() + 6, buttonWidth, buttonHeight};
    return l;
}

std::int32_t ConfigListScrollWidth(std::int32_t widestEntryWidth) {
    return widestEntryWidth + 40;
}

TEvaluationInfoLayout EvaluationInfoLayout(std::int32_t labelWidth, std::int32_t labelHeight) {
    return {labelWidth + 20, labelHeight + 50};
}
