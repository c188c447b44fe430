// Points, sizes and rectangles in points, as the platform's geometry types.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>

namespace platform {

struct CGPoint { double x = 0, y = 0; friend bool operator==(const CGPoint&, const CGPoint&) = default; };
struct CGSize { double width = 0, height = 0; friend bool operator==(const CGSize&, const CGSize&) = default; };
struct CGRect {
    CGPoint origin;
    CGSize size;
    friend bool operator==(const CGRect&, const CGRect&) = default;

    double minX() const { return origin.x; }
    double minY() const { return origin.y; }
    double maxX() const { return origin.x + size.width; }
    double maxY() const { return origin.y + size.height; }
    bool containsPoint(CGPoint p) const { return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY(); }
    bool intersects(const CGRect& o) const
    {
        return std::max(minX(), o.minX()) < std::min(maxX(), o.maxX()) && std::max(minY(), o.minY()) < std::min(maxY(), o.maxY());
    }
    std::string description() const;
};
// A run of characters in a text: where it starts and how long it is.
struct NSRange { size_t location = 0, length = 0; friend bool operator==(const NSRange&, const NSRange&) = default; };
struct UIEdgeInsets { double top = 0, left = 0, bottom = 0, right = 0; friend bool operator==(const UIEdgeInsets&, const UIEdgeInsets&) = default; };

inline CGRect CGRectMake(double x, double y, double w, double h) { return CGRect{{x, y}, {w, h}}; }
inline CGPoint CGPointMake(double x, double y) { return CGPoint{x, y}; }
inline CGSize CGSizeMake(double w, double h) { return CGSize{w, h}; }
inline UIEdgeInsets UIEdgeInsetsMake(double t, double l, double b, double r) { return UIEdgeInsets{t, l, b, r}; }
inline CGRect CGRectInset(const CGRect& r, double dx, double dy)
{
    return CGRectMake(r.origin.x + dx, r.origin.y + dy, r.size.width - 2 * dx, r.size.height - 2 * dy);
}
inline bool CGRectContainsPoint(const CGRect& r, CGPoint p) { return r.containsPoint(p); }

} // namespace platform
