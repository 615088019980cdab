#include "shapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace brantel::resgen {

namespace {

double SquaredDistanceToSegment(Point p, Point a, Point b) {
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  const double length2 = dx * dx + dy * dy;
  const double t =
      length2 == 0 ? 0 : std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length2, 0.0, 1.0);
  const double ex = p.x - (a.x + t * dx);
  const double ey = p.y - (a.y + t * dy);
  return ex * ex + ey * ey;
}

}  // namespace

Shape Disc(Point centre, double radius) {
  return [=](double x, double y) {
    const double dx = x - centre.x;
    const double dy = y - centre.y;
    return dx * dx + dy * dy <= radius * radius;
  };
}

Shape Ring(Point centre, double outerRadius, double innerRadius) {
  return [=](double x, double y) {
    const double dx = x - centre.x;
    const double dy = y - centre.y;
    const double d2 = dx * dx + dy * dy;
    return d2 <= outerRadius * outerRadius && d2 >= innerRadius * innerRadius;
  };
}

Shape Stroke(std::vector<Point> points, double halfWidth) {
  return [points = std::move(points), halfWidth](double x, double y) {
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
      if (SquaredDistanceToSegment({x, y}, points[i], points[i + 1]) <= halfWidth * halfWidth) {
        return true;
      }
    }
    return false;
  };
}

std::vector<Point> Arc(Point centre, double radius, double fromDegrees, double toDegrees) {
  constexpr int kSteps = 24;
  std::vector<Point> points;
  for (int i = 0; i <= kSteps; ++i) {
    const double degrees = fromDegrees + (toDegrees - fromDegrees) * i / kSteps;
    const double radians = degrees * std::numbers::pi / 180.0;
    points.push_back(
        {centre.x + radius * std::cos(radians), centre.y + radius * std::sin(radians)});
  }
  return points;
}

Shape Polygon(std::vector<Point> corners) {
  return [corners = std::move(corners)](double x, double y) {
    bool inside = false;
    for (std::size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
      const Point& a = corners[i];
      const Point& b = corners[j];
      if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) {
        inside = !inside;
      }
    }
    return inside;
  };
}

}  // namespace brantel::resgen
