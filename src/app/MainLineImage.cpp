// The line profile under the report views, the two value labels beside it, and the
// layout of the window's lower part when it is resized.
#include <algorithm>
#include <cmath>

#include "Main.h"

namespace {

std::int32_t Scaled(double v) {
    return static_cast<std::int32_t>(std::lround(v));
}

} // namespace

void TForm_Main::SetValueLabels(const std::string& min, const std::string& max) {
    // The labels size themselves to their captions, in the window's font of 8 points.
    for (auto [label, caption] : {std::pair{&Label_Min, &min}, std::pair{&Label_Max, &max}}) {
        label->Caption = *caption;
        if (fEnv.TextWidth) {
            label->Bounds.Width = caption->empty() ? 0 : fEnv.TextWidth(*caption);
        } else {
            std::int32_t characters = 0;
            for (unsigned char c : *caption)
                if ((c & 0xC0) != 0x80) ++characters;
            label->Bounds.Width = 6 * characters;
        }
        label->Bounds.Height = 13;
    }
}

std::int32_t TForm_Main::LabelSpace() const {
    return ProfileLabelSpace(Label_Max.Bounds.Width, Label_Min.Bounds.Width,
                             !Label_Max.Caption.empty() || !Label_Min.Caption.empty());
}

void TForm_Main::ShowViewsFullHeight() {
    FullHeightViews(ListView_Measurements);
    FullHeightViews(ListView_Results);
    Label_Min.Visible = false;
    Label_Max.Visible = false;
}

void TForm_Main::DrawLineImage() {
    const std::int32_t row = ListView_Measurements.ItemIndex;
    if (!DrawImage || ImagePosition == SNone || row < 0 ||
        static_cast<std::size_t>(row) >= MeasureList.size())
        return;
    const TMeasureSet& e = *MeasureList[static_cast<std::size_t>(row)];
    const std::int32_t width = LineImageWidth(ImagePosition, ListView_Measurements.Bounds.Width,
                                              ListView_Results.Bounds.Width, LabelSpace());
    LineImage = ProfileGeometry(e.ImageData, e.MeasureResult, width);
    ++LineImageGeneration;
}

void TForm_Main::PlaceLineImage() {
    if (!DrawImage || ImagePosition == SNone) return;
    TRect& meas = ListView_Measurements.Bounds;
    TRect& res = ListView_Results.Bounds;
    const std::int32_t windowHeight = ClientHeight + WindowNonClientHeight;
    const std::int32_t H = std::max(0, windowHeight - Scaled(136 * ScaleFactor) - 270);
    std::int32_t T = res.Top + 6;
    std::int32_t Lx = 15;
    switch (ImagePosition) {
    case SLeft:
        meas.Height = H;
        T += meas.Height;
        break;
    case SRight:
        res.Height = H;
        Lx = 15 + meas.Width;
        T += res.Height;
        break;
    default:
        meas.Height = H;
        res.Height = H;
        T += meas.Height;
        break;
    }
    Label_Max.Visible = true;
    Label_Min.Visible = true;
    Label_Max.Bounds.Left = Lx;
    Label_Max.Bounds.Top = T;
    Label_Min.Bounds.Left = Lx;
    Label_Min.Bounds.Top = meas.Top + windowHeight - Scaled(140 * ScaleFactor) - Label_Min.Bounds.Height;
    LineImageStretch.Width = LineImageStretchWidth(ImagePosition, meas.Width, res.Width, LabelSpace());
    LineImageStretch.Stretched = FormResized;
}

std::optional<TRect> TForm_Main::FormPaint() const {
    if (!DrawImage || ImagePosition == SNone) return std::nullopt;
    const TRect& meas = ListView_Measurements.Bounds;
    const TRect& res = ListView_Results.Bounds;
    return TRect{LineImagePaintLeft(ImagePosition, meas.Width, LabelSpace()),
                 res.Top + std::min(meas.Height, res.Height) + 6, LineImageStretch.Width,
                 LineImageStretch.Height};
}

void TForm_Main::FormResize() {
    if (!Constructed) return;
    TChangeScope scope(*this);
    const std::int32_t windowWidth = ClientWidth + WindowFrameWidth;
    TRect& meas = ListView_Measurements.Bounds;
    TRect& res = ListView_Results.Bounds;
    meas.Width = std::max(0, ((windowWidth - 20) * 6) / 10);
    res.Left = meas.Width + 8;
    res.Width = std::max(0, ((windowWidth - 20) * 4) / 10 - 10);
    for (TListView* view : {&ListView_Measurements, &ListView_Results}) {
        if (view->Columns.empty()) continue;
        const auto share = view->Bounds.Width / static_cast<std::int32_t>(view->Columns.size());
        for (TListColumn& c : view->Columns) c.Width = share;
    }
    if (DrawImage && ImagePosition != SNone) {
        // PlaceLineImage shows the labels.
        if (ImagePosition == SLeft) FullHeightViews(ListView_Results);
        if (ImagePosition == SRight) FullHeightViews(ListView_Measurements);
        FormResized = true;
        PlaceLineImage();
    } else {
        ShowViewsFullHeight();
    }
}

void TForm_Main::FormExitSizeMove() {
    if (!DrawImage) return;
    TChangeScope scope(*this);
    DrawLineImage();
    FormResized = false;
    PlaceLineImage();
}

void TForm_Main::Menu_ImgPosClick(TMenuItem& Sender) {
    TChangeScope scope(*this);
    if (&Sender == &Menu_ImgPosLeft)
        ImagePosition = SLeft;
    else if (&Sender == &Menu_ImgPosRight)
        ImagePosition = SRight;
    else if (&Sender == &Menu_ImgPosFull)
        ImagePosition = SFull;
    else
        ImagePosition = SNone;
    Menu_ImgPosLeft.Checked = ImagePosition == SLeft;
    Menu_ImgPosRight.Checked = ImagePosition == SRight;
    Menu_ImgPosFull.Checked = ImagePosition == SFull;
    Menu_ImgPosNone.Checked = ImagePosition == SNone;
    ConfigFile->SetVal("Setup", "ImagePosition", ImagePositionName(ImagePosition));
    DrawLineImage();
    FormResize();
}
