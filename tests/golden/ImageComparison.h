// Compares a picture with its reference, pixel by pixel with a tolerance, and
// draws where they differ so a person can see it.
//
//   const ImageComparison result = compareImages("actual.png", "reference.png");
//   if (!result.matches()) writeDifferencePicture("actual.png", "reference.png", "diff.png");
//
// A pixel matches when each of its four channels (premultiplied, 0..255) is
// within kChannelTolerance of the reference's: enough for antialiased edges
// that move by a fraction of a pixel, far too little for a changed glyph, a
// moved frame or another colour, which differ by 100 or more.
#pragma once

#include <string>

namespace golden {

inline constexpr int kChannelTolerance = 32;

struct ImageComparison {
    bool readable = false;   // both files are PNG pictures
    bool sameSize = false;
    int width = 0, height = 0;                   // the actual picture's
    int referenceWidth = 0, referenceHeight = 0;
    long differingPixels = 0;                    // beyond the tolerance
    int largestDifference = 0;                   // in any channel, 0..255

    bool matches() const { return readable && sameSize && differingPixels == 0; }
    std::string describe() const;
};

ImageComparison compareImages(const std::string& actualPng, const std::string& referencePng);

// The reference faded to light grey with every differing pixel in red (and,
// when the sizes differ, the part only one of them covers in blue).
bool writeDifferencePicture(const std::string& actualPng, const std::string& referencePng, const std::string& diffPng);

} // namespace golden
