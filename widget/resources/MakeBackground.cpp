// Draws the widget's background image, background7.png: a dark, translucent
// rounded panel with a faint light rim, made to be stretched by its middle row
// and column (caps of half its size), so corners keep their shape at any width.
//
//   make-background OUT.png
//
// Run by the build; deterministic, so the image is the same on every machine.
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Odd sides put the single stretched row and column exactly in the middle.
constexpr int kSide = 21;
constexpr double kRadius = 8.0;
constexpr double kRim = 1.0;
constexpr int kSamples = 4; // per axis, for anti-aliased edges

// Signed distance from the point to the edge of the rounded square (negative inside).
double roundedSquareDistance(double x, double y)
{
    const double half = kSide / 2.0;
    const double qx = std::abs(x - half) - (half - kRadius);
    const double qy = std::abs(y - half) - (half - kRadius);
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - kRadius;
}

struct Rgba {
    double r, g, b, a;
};

Rgba over(Rgba top, Rgba bottom)
{
    const double a = top.a + bottom.a * (1 - top.a);
    if (a <= 0)
        return {0, 0, 0, 0};
    auto mix = [&](double t, double b) { return (t * top.a + b * bottom.a * (1 - top.a)) / a; };
    return {mix(top.r, bottom.r), mix(top.g, bottom.g), mix(top.b, bottom.b), a};
}

Rgba shade(double x, double y)
{
    const double d = roundedSquareDistance(x, y);
    if (d > 0)
        return {0, 0, 0, 0};
    // A panel a little lighter at the top, as if lit from above.
    const double t = y / kSide;
    Rgba panel{0.04 + 0.05 * (1 - t), 0.04 + 0.05 * (1 - t), 0.05 + 0.05 * (1 - t), 0.78};
    if (d > -kRim)
        panel = over({1, 1, 1, 0.22}, panel);
    return panel;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.png\n", argv[0]);
        return 2;
    }
    std::vector<uint8_t> pixels(static_cast<size_t>(kSide) * kSide * 4);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Rgba c = shade(x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples);
                    // Average premultiplied, so transparent samples do not darken the edge.
                    r += c.r * c.a;
                    g += c.g * c.a;
                    b += c.b * c.a;
                    a += c.a;
                }
            }
            const double n = kSamples * kSamples;
            uint8_t* p = &pixels[(static_cast<size_t>(y) * kSide + x) * 4];
            const double alpha = a / n;
            auto channel = [&](double premultiplied) {
                return static_cast<uint8_t>(std::lround(alpha > 0 ? std::clamp(premultiplied / a, 0.0, 1.0) * 255 : 0));
            };
            p[0] = channel(r);
            p[1] = channel(g);
            p[2] = channel(b);
            p[3] = static_cast<uint8_t>(std::lround(std::clamp(alpha, 0.0, 1.0) * 255));
        }
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = kSide;
    image.height = kSide;
    image.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&image, argv[1], 0, pixels.data(), 0, nullptr)) {
        std::fprintf(stderr, "cannot write %s: %s\n", argv[1], image.message);
        return 1;
    }
    return 0;
}
