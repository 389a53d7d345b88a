#include "quantize.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace gen {
namespace {

// Green matters most to the eye, blue least.
constexpr double kWeight[3] = {3.0, 4.0, 2.0};

struct Entry {
    double c[3];
    double w;
};

struct CutBox {
    size_t begin, end;
    double sse[3];
    double total() const { return sse[0] + sse[1] + sse[2]; }
};

void measure(const std::vector<Entry>& e, CutBox& box)
{
    for (int ch = 0; ch < 3; ++ch) {
        double w = 0, s = 0, s2 = 0;
        for (size_t i = box.begin; i < box.end; ++i) {
            w += e[i].w;
            s += e[i].w * e[i].c[ch];
            s2 += e[i].w * e[i].c[ch] * e[i].c[ch];
        }
        box.sse[ch] = w > 0 ? (s2 - s * s / w) * kWeight[ch] : 0;
    }
}

// Splits the box at the position along its widest axis that leaves the least
// squared error on both sides.
bool split(std::vector<Entry>& e, const CutBox& box, CutBox& lo, CutBox& hi)
{
    if (box.end - box.begin < 2)
        return false;
    int axis = 0;
    for (int ch = 1; ch < 3; ++ch)
        if (box.sse[ch] > box.sse[axis])
            axis = ch;
    std::sort(e.begin() + long(box.begin), e.begin() + long(box.end),
              [axis](const Entry& a, const Entry& b) { return a.c[axis] < b.c[axis]; });
    double tw = 0, ts = 0, ts2 = 0;
    for (size_t i = box.begin; i < box.end; ++i) {
        tw += e[i].w;
        ts += e[i].w * e[i].c[axis];
        ts2 += e[i].w * e[i].c[axis] * e[i].c[axis];
    }
    double w = 0, s = 0, s2 = 0;
    double best = 1e300;
    size_t at = box.begin + 1;
    for (size_t i = box.begin; i + 1 < box.end; ++i) {
        w += e[i].w;
        s += e[i].w * e[i].c[axis];
        s2 += e[i].w * e[i].c[axis] * e[i].c[axis];
        const double rw = tw - w;
        if (rw <= 0)
            break;
        const double cost = (s2 - s * s / w) + ((ts2 - s2) - (ts - s) * (ts - s) / rw);
        if (cost < best) {
            best = cost;
            at = i + 1;
        }
    }
    lo = {box.begin, at, {}};
    hi = {at, box.end, {}};
    measure(e, lo);
    measure(e, hi);
    return true;
}

double distance(const double* a, const Rgb8& p)
{
    const double dr = a[0] - p.r, dg = a[1] - p.g, db = a[2] - p.b;
    return kWeight[0] * dr * dr + kWeight[1] * dg * dg + kWeight[2] * db * db;
}

int nearest(const double* c, const std::array<Rgb8, 256>& pal, int used)
{
    int best = 0;
    double bd = 1e300;
    for (int i = 0; i < used; ++i) {
        const double d = distance(c, pal[size_t(i)]);
        if (d < bd) {
            bd = d;
            best = i;
        }
    }
    return best;
}

uint8_t to_byte(double v) { return uint8_t(std::lround(std::clamp(v, 0.0, 255.0))); }

} // namespace

IndexedImage quantize(const std::vector<Rgba8>& pixels, int width, int height, bool dither)
{
    IndexedImage out;
    out.width = width;
    out.height = height;
    out.index.assign(size_t(width) * size_t(height), kTransparentIndex);

    std::map<uint32_t, double> histogram;
    for (const Rgba8& p : pixels)
        if (p.a >= 128)
            histogram[(uint32_t(p.r) << 16) | (uint32_t(p.g) << 8) | p.b] += 1.0;
    if (histogram.empty())
        return out;

    std::vector<Entry> entries;
    entries.reserve(histogram.size());
    for (const auto& [key, count] : histogram)
        entries.push_back({{double(key >> 16), double((key >> 8) & 0xff), double(key & 0xff)}, count});

    std::vector<CutBox> boxes{{0, entries.size(), {}}};
    measure(entries, boxes[0]);
    while (boxes.size() < 255) {
        size_t worst = boxes.size();
        for (size_t i = 0; i < boxes.size(); ++i)
            if (boxes[i].end - boxes[i].begin >= 2 && (worst == boxes.size() || boxes[i].total() > boxes[worst].total()))
                worst = i;
        if (worst == boxes.size())
            break;
        CutBox lo{}, hi{};
        if (!split(entries, boxes[worst], lo, hi))
            break;
        boxes[worst] = lo;
        boxes.push_back(hi);
    }

    // Box means, then a few k-means passes over the distinct colours.
    std::vector<std::array<double, 3>> centres;
    for (const CutBox& b : boxes) {
        double w = 0, s[3] = {0, 0, 0};
        for (size_t i = b.begin; i < b.end; ++i) {
            w += entries[i].w;
            for (int ch = 0; ch < 3; ++ch)
                s[ch] += entries[i].w * entries[i].c[ch];
        }
        centres.push_back({s[0] / w, s[1] / w, s[2] / w});
    }
    const int used = int(centres.size());
    for (int pass = 0; pass < 4; ++pass) {
        for (int i = 0; i < used; ++i)
            out.palette[size_t(i)] = {to_byte(centres[size_t(i)][0]), to_byte(centres[size_t(i)][1]),
                                      to_byte(centres[size_t(i)][2])};
        std::vector<std::array<double, 4>> acc(size_t(used), {0, 0, 0, 0});
        for (const Entry& e : entries) {
            const int k = nearest(e.c, out.palette, used);
            for (int ch = 0; ch < 3; ++ch)
                acc[size_t(k)][size_t(ch)] += e.w * e.c[ch];
            acc[size_t(k)][3] += e.w;
        }
        for (int i = 0; i < used; ++i)
            if (acc[size_t(i)][3] > 0)
                for (int ch = 0; ch < 3; ++ch)
                    centres[size_t(i)][size_t(ch)] = acc[size_t(i)][size_t(ch)] / acc[size_t(i)][3];
    }
    for (int i = 0; i < used; ++i)
        out.palette[size_t(i)] = {to_byte(centres[size_t(i)][0]), to_byte(centres[size_t(i)][1]),
                                  to_byte(centres[size_t(i)][2])};

    // Serpentine error diffusion, kept inside the opaque area and damped so the
    // gradients stay calm rather than grainy.
    const double damping = dither ? 0.75 : 0.0;
    std::vector<std::array<double, 3>> err(size_t(width + 2) * 2, {0, 0, 0});
    auto cur = [&](int x) -> std::array<double, 3>& { return err[size_t(x + 1)]; };
    auto next = [&](int x) -> std::array<double, 3>& { return err[size_t(width + 2) + size_t(x + 1)]; };
    for (int y = 0; y < height; ++y) {
        const bool rtl = (y % 2) == 1;
        for (int n = 0; n < width; ++n) {
            const int x = rtl ? width - 1 - n : n;
            const int dir = rtl ? -1 : 1;
            const Rgba8& p = pixels[size_t(y) * size_t(width) + size_t(x)];
            if (p.a < 128)
                continue;
            double c[3] = {p.r + cur(x)[0], p.g + cur(x)[1], p.b + cur(x)[2]};
            for (double& v : c)
                v = std::clamp(v, 0.0, 255.0);
            const int k = nearest(c, out.palette, used);
            out.index[size_t(y) * size_t(width) + size_t(x)] = uint8_t(k);
            const Rgb8& q = out.palette[size_t(k)];
            const double e[3] = {(c[0] - q.r) * damping, (c[1] - q.g) * damping, (c[2] - q.b) * damping};
            for (int ch = 0; ch < 3; ++ch) {
                cur(x + dir)[size_t(ch)] += e[ch] * 7 / 16;
                next(x - dir)[size_t(ch)] += e[ch] * 3 / 16;
                next(x)[size_t(ch)] += e[ch] * 5 / 16;
                next(x + dir)[size_t(ch)] += e[ch] * 1 / 16;
            }
        }
        for (int x = -1; x <= width; ++x) {
            cur(x) = next(x);
            next(x) = {0, 0, 0};
        }
    }
    return out;
}

} // namespace gen
