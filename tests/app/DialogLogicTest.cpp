#include "DialogLogic.h"

#include <gtest/gtest.h>

namespace {

TEST(MessageBox, ResultsOfEveryStyleAndButton) {
    struct {
        std::int32_t style;
        eMsgButton button;
        bool ticked;
        std::int32_t result;
    } cases[] = {
        {0, eMsgButton::OK, false, mrOk},         {1, eMsgButton::OK, false, mrOk},
        {1, eMsgButton::Cancel, false, mrCancel}, {3, eMsgButton::OK, false, mrYes},
        {3, eMsgButton::Cancel, false, mrNo},     {3, eMsgButton::Aux, false, mrCancel},
        {4, eMsgButton::OK, false, mrYes},        {4, eMsgButton::Cancel, false, mrNo},
        {6, eMsgButton::OK, false, mrYes},        {6, eMsgButton::OK, true, mrYesToAll},
        {6, eMsgButton::Cancel, false, mrClose},  {6, eMsgButton::Cancel, true, mrClose},
        {0, eMsgButton::Cancel, false, mrNone},   {4, eMsgButton::Aux, false, mrNone},
        {2, eMsgButton::OK, false, mrNone},       {5, eMsgButton::OK, false, mrNone},
    };
    for (const auto& tc : cases)
        EXPECT_EQ(MessageBoxResult(tc.style, tc.button, tc.ticked), tc.result)
            << "style " << tc.style << " button " << int(tc.button) << " ticked " << tc.ticked;
    for (std::int32_t style : {-1, 2, 5, 7}) EXPECT_FALSE(IsKnownMessageStyle(style)) << style;
}

TEST(MessageBox, ButtonTexts) {
    EXPECT_EQ(MessageBoxTexts(3).OK->ID, 645u);
    EXPECT_EQ(MessageBoxTexts(3).Cancel->ID, 646u);
    EXPECT_EQ(MessageBoxTexts(3).Aux->ID, 15u);
    EXPECT_EQ(MessageBoxTexts(6).CheckBox->ID, 270u);
    EXPECT_EQ(MessageBoxTexts(1).Cancel->ID, 15u);
    EXPECT_EQ(MessageBoxTexts(0).Cancel, nullptr);
    EXPECT_EQ(MessageBoxTexts(5).OK, nullptr);
}

TEST(MessageBox, LayoutStyle0CentresOneButton) {
    auto l = SetMessageLayout(0, 120, 25, 16, 13, 1280);
    EXPECT_EQ(l.Width, 360);
    EXPECT_EQ(l.OK.Left, 120);
    EXPECT_FALSE(l.CancelVisible);
    EXPECT_FALSE(l.AuxVisible);
    EXPECT_EQ(l.OK.Top, 16 + 13 + 20);
    EXPECT_EQ(l.Height, 13 + 25 + 80);
    EXPECT_EQ(l.Label, (TRect{16, 16, 320, 13}));
}

TEST(MessageBox, LayoutStyle3PutsCancelInTheMiddle) {
    auto l = SetMessageLayout(3, 120, 25, 16, 13, 1280);
    EXPECT_EQ(l.Width, 480);
    EXPECT_EQ(l.Cancel.Left, 180); // centred: (480 - 120) / 2
    EXPECT_EQ(l.OK.Left, 240 - 180 - 5);
    EXPECT_LT(l.OK.Right(), l.Cancel.Left); // Yes to the left of No
    EXPECT_EQ(l.Aux.Left, 300 + 5);
    EXPECT_TRUE(l.AuxVisible);
}

TEST(MessageBox, TallerMessageMovesButtonsDown) {
    auto one = SetMessageLayout(1, 120, 25, 16, 13, 1280);
    auto three = SetMessageLayout(1, 120, 25, 16, 39, 1280);
    EXPECT_EQ(three.Height - one.Height, 26);
    EXPECT_EQ(three.OK.Top, three.Label.Bottom() + 20);
    EXPECT_EQ(three.Cancel.Left, 185);
    EXPECT_EQ(three.OK.Left, 180 - 120 - 5);
}

TEST(MessageBox, LayoutStyle6HasTheCheckBox) {
    auto l = SetMessageLayout(6, 120, 25, 16, 13, 1280);
    EXPECT_EQ(l.Width, 960);
    EXPECT_TRUE(l.CheckBoxVisible);
    EXPECT_EQ(l.CheckBox.Top, 49);
    EXPECT_EQ(l.OK.Top, 49 + 25 + 10);
    EXPECT_EQ(l.Cancel.Top, l.OK.Top);
    EXPECT_EQ(l.CheckBox.Left, l.OK.Left);
    EXPECT_EQ(l.CheckBox.Width, 250);
    EXPECT_EQ(l.Height, 13 + 25 + 80 + 25 + 10);
}

TEST(Dialogs, CentreOnOwner) {
    EXPECT_EQ(CentreOn({100, 50, 874, 624}, 360, 118), (TRect{100 + 257, 50 + 253, 360, 118}));
}

TEST(Dialogs, SelectLayout) {
    TSelectMetrics m;
    m.LabelTextWidth = 700; // wraps onto three lines at client width 346
    auto l = SetSelCntLayout(3, m);
    EXPECT_EQ(l.Width, 360);
    EXPECT_EQ(l.Label.Height, 3 * 13);
    EXPECT_EQ(l.RadioGroup.Height, 3 * (13 + 7));
    EXPECT_EQ(l.ClientHeight, 39 + 60 + 25 + 34);
    EXPECT_EQ(l.OK.Top, l.RadioGroup.Bottom() + 10);
    EXPECT_EQ(l.Cancel.Left, 360 - 120 - 7);
}

TEST(Dialogs, QueryLayoutAndKeys) {
    auto l = SetQueryLayout(120, 25, 16, 13, 21);
    EXPECT_EQ(l.Edit, (TRect{50, 49, 260, 21}));
    EXPECT_EQ(l.OK.Top, 90);
    EXPECT_EQ(l.Height, 13 + 21 + 25 + 100);
    EXPECT_EQ(QueryKeyResult(eQueryKey::Enter, ""), mrNone);
    EXPECT_EQ(QueryKeyResult(eQueryKey::Enter, "x"), mrOk);
    EXPECT_EQ(QueryKeyResult(eQueryKey::Escape, "x"), mrCancel);
    EXPECT_EQ(QueryKeyResult(eQueryKey::Other, "x"), mrNone);
}

TEST(Dialogs, ConfigListLayout) {
    auto l = ConfigListLayout(180, 13, 120, 25, 8);
    EXPECT_EQ(l.List.Width, 200);
    EXPECT_EQ(l.List.Height, 91);
    EXPECT_EQ(l.Width, 223);
    EXPECT_EQ(l.Height, 91 + 25 + 50);
    EXPECT_EQ(l.OK.Top, 8 + 91 + 6);
    EXPECT_EQ(l.OK.Left, (223 - 120) / 2);
}

} // namespace
