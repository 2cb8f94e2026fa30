#pragma once
// Where the main window puts what the form does not place itself, as numbers.
#include <cstdint>

#include "DialogLogic.h"

// The form's window sizes count the frame; the toolkit's count only the inside.
inline constexpr std::int32_t WindowFrameWidth = 16;

struct TMainViewsLayout {
    TRect Measurements, Results;
};
// The two report views: 6 : 4 of the window width, from viewsTop down to 4 pixels
// above the status bar. windowWidth is the form's (frame) width.
TMainViewsLayout MainViewsLayout(std::int32_t windowWidth, std::int32_t viewsTop, std::int32_t statusBarTop);

// The design places of the device boxes and the clock label, beside Button_Open and
// left of the date frame; combineVisible moves the boxes past CB_CombineMeasurements.
struct TDeviceBoxesLayout {
    TRect FTDIDevice, Com, Baud, VexoTime;
};
TDeviceBoxesLayout DeviceBoxesLayout(const TRect& buttonOpen, const TRect& combine, bool combineVisible,
                                     const TRect& panelDate);

// The line profile's place while it is shown: the shortened views, the framed
// picture and the two value labels. windowHeight is the height the rules count
// (the inside of the window plus menu bar, caption and frame).
struct TLineImagePlacement {
    TRect Measurements, Results;
    TRect Picture; // the framed picture, 260 high
    std::int32_t LabelLeft = 0, MaxLabelTop = 0, MinLabelTop = 0;
};
TLineImagePlacement PlaceLineImage(std::uint8_t imagePosition, const TMainViewsLayout& full,
                                   std::int32_t windowHeight, double scaleFactor, std::int32_t labelSpace,
                                   std::int32_t minLabelHeight);
