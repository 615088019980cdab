#pragma once

#include <vector>

#include "canvas.h"

namespace brantel::resgen {

struct Point {
  double x, y;
};

Shape Disc(Point centre, double radius);
Shape Ring(Point centre, double outerRadius, double innerRadius);
// A pen stroke of the given half width along the points, with round ends and joins.
Shape Stroke(std::vector<Point> points, double halfWidth);
// An arc as a list of points for Stroke; angles in degrees, clockwise from the right-hand side
// (y grows downwards).
std::vector<Point> Arc(Point centre, double radius, double fromDegrees, double toDegrees);
Shape Polygon(std::vector<Point> corners);

}  // namespace brantel::resgen
