// Fonts as the platform's font object describes them: a face and a point size.
//
//   UIFont f = UIFont::boldSystemFontOfSize(18);
//   UIFont small = label->font().fontWithSize(10);   // same face, new size
//
// A value type. The simulated device has no font files of its own; a renderer
// maps the faces onto the fonts it has (see UIGraphicsContext).
#pragma once

#include <string>

namespace platform {

class UIFont {
public:
    enum class Face { system, boldSystem };

    constexpr UIFont() = default;
    static UIFont systemFontOfSize(double pointSize) { return UIFont(Face::system, pointSize); }
    static UIFont boldSystemFontOfSize(double pointSize) { return UIFont(Face::boldSystem, pointSize); }

    // The same face at another size.
    UIFont fontWithSize(double pointSize) const { return UIFont(m_face, pointSize); }

    Face face() const { return m_face; }
    double pointSize() const { return m_pointSize; }
    bool isBold() const { return m_face == Face::boldSystem; }

    // "System" or "System-Bold".
    std::string fontName() const;
    // "System-Bold 18".
    std::string description() const;

    friend bool operator==(const UIFont&, const UIFont&) = default;

private:
    constexpr UIFont(Face face, double pointSize) : m_face(face), m_pointSize(pointSize) {}

    Face m_face = Face::system;
    double m_pointSize = 17;
};

} // namespace platform
