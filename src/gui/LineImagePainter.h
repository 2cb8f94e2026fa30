#pragma once
// Paints the line profile picture from its geometry: LineImage (the profile on
// black, 258 high) and LineImageStretch (a black frame with LineImage inside, 260 high).
#include <QImage>

#include "ProfileGeometry.h"

QImage PaintLineImage(const TProfileGeometry& geometry);
// stretch: fill the frame with LineImage scaled (during a live resize), else copy it 1:1.
QImage PaintLineImageStretch(const QImage& lineImage, int width, bool stretch);
