// The line profile's place on the window, the value labels, the views' heights and
// the resize rules, on a form of the default size (874 x 624).
#include <gtest/gtest.h>

#include "FormSandbox.h"
#include "MeasureEntries.h"

namespace {

class LineImageLayout : public ::testing::Test {
protected:
    void SetUp() override {
        // 7 pixels a character makes the label widths known: "4000" is 28 wide.
        box.Env.TextWidth = [](const std::string& text) { return static_cast<std::int32_t>(7 * text.size()); };
        form = box.Start();
        auto withImage = MakeEntry("1");
        withImage->SetImageValues({200, 4000, 1000, 3000, 2500});
        form->MeasureList.push_back(std::move(withImage));
        form->MeasureList.push_back(MakeEntry("2"));
        form->ListView_Measurements.ItemCount = 2;
    }
    void TearDown() override {
        form.reset();
        EXPECT_TRUE(box.Dialogs.ScriptDone());
    }
    const TRect& Meas() const { return form->ListView_Measurements.Bounds; }
    const TRect& Res() const { return form->ListView_Results.Bounds; }
    TFormSandbox box;
    std::unique_ptr<TForm_Main> form;
};

// The default window: views from y 69, measurements 512 wide at x 4, results 331 wide at
// x 520, full height 484 (status bar at 557), shortened height 624 - 136 - 270 = 218.
constexpr std::int32_t Top = 69, Full = 484, Short = 218, M = 512, R = 331;

TEST_F(LineImageLayout, EachPositionPlacesThePictureTheLabelsAndTheViews) {
    EXPECT_EQ(Meas(), (TRect{4, Top, M, Full}));
    EXPECT_EQ(Res(), (TRect{M + 8, Top, R, Full}));
    EXPECT_EQ(form->ListView_Measurements.Columns[0].Width, M / 6);
    EXPECT_EQ(form->ListView_Results.Columns[0].Width, R / 5);
    EXPECT_FALSE(form->Label_Max.Visible);

    struct Case {
        EImagePos Position;
        std::int32_t MeasHeight, ResHeight;
        std::int32_t PictureLeft, PictureWidth, ImageWidth, LabelLeft;
    };
    // Label space: the wider label ("4000", 28) + 13.
    constexpr std::int32_t L = 41;
    const Case cases[] = {
        {SLeft, Short, Full, L + 8, M - L - 1, M - L - 3, 15},
        {SRight, Full, Short, L + 8 + M, R - L, R - L - 2, 15 + M},
        {SFull, Short, Short, L + 8, M + R - L, M + R - L - 2, 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.Position));
        form->SelectMeasurement(-1);
        form->ImagePosition = c.Position;
        form->FormResize();
        form->SelectMeasurement(0);
        ASSERT_TRUE(form->DrawImage);
        EXPECT_EQ(form->Label_Min.Caption, "200");
        EXPECT_EQ(form->Label_Max.Caption, "4000");
        EXPECT_EQ(Meas().Height, c.MeasHeight);
        EXPECT_EQ(Res().Height, c.ResHeight);
        const std::optional<TRect> picture = form->FormPaint();
        ASSERT_TRUE(picture.has_value());
        EXPECT_EQ(*picture, (TRect{c.PictureLeft, Top + Short + 6, c.PictureWidth, 260}));
        EXPECT_EQ(form->LineImage.Width, c.ImageWidth);
        EXPECT_EQ(form->LineImage.Outline.size(), 5u + 4u);
        // Max beside the picture's top, Min with its bottom on the picture's bottom.
        EXPECT_TRUE(form->Label_Max.Visible && form->Label_Min.Visible);
        EXPECT_EQ(form->Label_Max.Bounds.Left, c.LabelLeft);
        EXPECT_EQ(form->Label_Max.Bounds.Top, picture->Top);
        EXPECT_EQ(form->Label_Min.Bounds.Left, c.LabelLeft);
        EXPECT_EQ(form->Label_Min.Bounds.Bottom(), picture->Bottom());
        // The picture ends 4 pixels above the status bar.
        EXPECT_EQ(picture->Bottom() + 4, form->ClientHeight - form->StatusBar.Height);
    }

    // No position: no picture, no labels, both views full height.
    form->SelectMeasurement(-1);
    form->ImagePosition = SNone;
    form->SelectMeasurement(0);
    EXPECT_FALSE(form->FormPaint().has_value());
    EXPECT_FALSE(form->Label_Max.Visible);
    EXPECT_EQ(Meas().Height, Full);
    EXPECT_EQ(Res().Height, Full);
}

TEST_F(LineImageLayout, ThePositionMenuRedrawsMovesAndStoresThePicture) {
    form->SelectMeasurement(0);
    ASSERT_EQ(Res().Height, Short);
    const std::uint32_t drawn = form->LineImageGeneration;

    form->Menu_ImgPosClick(form->Menu_ImgPosLeft);
    EXPECT_EQ(form->ImagePosition, SLeft);
    EXPECT_TRUE(form->Menu_ImgPosLeft.Checked);
    EXPECT_FALSE(form->Menu_ImgPosRight.Checked || form->Menu_ImgPosFull.Checked || form->Menu_ImgPosNone.Checked);
    EXPECT_EQ(form->ConfigFile->GetVal("Setup", "ImagePosition", std::string()), "Left");
    EXPECT_GT(form->LineImageGeneration, drawn);
    EXPECT_EQ(form->LineImage.Width, M - 44);
    EXPECT_EQ(Meas().Height, Short);
    EXPECT_EQ(Res().Height, Full) << "the results view takes the full height again";
    EXPECT_EQ(form->FormPaint()->Left, 49);

    form->Menu_ImgPosClick(form->Menu_ImgPosNone);
    EXPECT_TRUE(form->Menu_ImgPosNone.Checked);
    EXPECT_FALSE(form->FormPaint().has_value());
    EXPECT_EQ(Meas().Height, Full);
    EXPECT_FALSE(form->Label_Min.Visible);

    // Kept for the next start.
    form.reset();
    form = box.Start();
    EXPECT_EQ(form->ImagePosition, SNone);
    EXPECT_TRUE(form->Menu_ImgPosNone.Checked);
}

TEST_F(LineImageLayout, ALiveResizeStretchesTheOldPictureUntilTheResizeEnds) {
    form->SelectMeasurement(0);
    ASSERT_FALSE(form->LineImageStretch.Stretched);
    const std::int32_t before = form->LineImage.Width;

    form->ClientWidth += 100;
    form->ClientHeight += 50;
    form->FormResize();
    EXPECT_TRUE(form->FormResized);
    EXPECT_TRUE(form->LineImageStretch.Stretched);
    EXPECT_EQ(form->LineImage.Width, before) << "not drawn again during the resize";
    EXPECT_EQ(Res().Width, R + 40);
    EXPECT_EQ(form->LineImageStretch.Width, R + 40 - 41);
    EXPECT_EQ(Meas().Height, Full + 50);
    EXPECT_EQ(Res().Height, Short + 50);

    form->FormExitSizeMove();
    EXPECT_FALSE(form->FormResized);
    EXPECT_FALSE(form->LineImageStretch.Stretched);
    EXPECT_EQ(form->LineImage.Width, form->LineImageStretch.Width - 2) << "drawn again 1:1";
}

TEST_F(LineImageLayout, ThePictureGoesWithTheSelectionTheEntryAndTheList) {
    // An entry without a profile after one with: picture and labels gone, both views full.
    form->SelectMeasurement(0);
    form->SelectMeasurement(1);
    EXPECT_FALSE(form->DrawImage);
    EXPECT_FALSE(form->FormPaint().has_value());
    EXPECT_FALSE(form->Label_Max.Visible || form->Label_Min.Visible);
    EXPECT_EQ(Meas().Height, Full);
    EXPECT_EQ(Res().Height, Full);

    // Deleting the entry shown.
    form->SelectMeasurement(0);
    box.Dialogs.Expect("MessageBox", mrYes);
    form->DeleteEntriesClick();
    EXPECT_FALSE(form->FormPaint().has_value());
    EXPECT_EQ(Res().Height, Full);
    EXPECT_FALSE(form->Label_Max.Visible);

    // A list cleared while a profile shows (new data replacing the list).
    auto another = MakeEntry("3");
    another->SetImageValues({1, 2, 3});
    form->MeasureList.push_back(std::move(another));
    form->ListView_Measurements.ItemCount = 2;
    form->SelectMeasurement(1);
    ASSERT_EQ(Res().Height, Short);
    form->ClearMeasureList();
    EXPECT_FALSE(form->FormPaint().has_value());
    EXPECT_EQ(Res().Height, Full);
    EXPECT_FALSE(form->Label_Min.Visible);
}

} // namespace
