#include "platform/gdi32.h"

#include "platform/ui/windows.h"

#include <QRegion>
#include <QVector>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

std::map<int64_t, QRegion>& regions()
{
    static auto* table = new std::map<int64_t, QRegion>;
    return *table;
}

int64_t keep(QRegion region)
{
    static int64_t next = 0x4000;
    regions().emplace(++next, std::move(region));
    return next;
}

QRegion* find(int64_t handle)
{
    auto it = regions().find(handle);
    return it == regions().end() ? nullptr : &it->second;
}

int32_t type_of(const QRegion& r)
{
    if (r.isEmpty())
        return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

// Row by row: a pixel belongs to the region when its centre lies inside the
// rounded rectangle. Rows between the corner ellipses are one rectangle.
QRegion round_rect(int64_t left, int64_t top, int64_t right, int64_t bottom, int64_t ew, int64_t eh)
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    const int64_t width = right - left, height = bottom - top;
    if (width <= 0 || height <= 0)
        return QRegion();
    ew = std::min<int64_t>(ew < 0 ? -ew : ew, width);
    eh = std::min<int64_t>(eh < 0 ? -eh : eh, height);
    if (ew < 2 || eh < 2)
        return QRegion(int(left), int(top), int(width), int(height));

    const double a = ew / 2.0, b = eh / 2.0;
    const int64_t corner_rows = (eh + 1) / 2;
    QVector<QRect> rows;
    rows.reserve(int(2 * corner_rows + 1));
    auto span = [&](int64_t y, double dy) {
        const double t = std::max(0.0, 1.0 - (dy / b) * (dy / b));
        const double dx = a * std::sqrt(t);
        const double x0 = left + a - dx, x1 = right - a + dx;
        const auto first = static_cast<int64_t>(std::ceil(x0 - 0.5));
        const auto last = static_cast<int64_t>(std::floor(x1 - 0.5));
        if (last >= first)
            rows.append(QRect(int(first), int(y), int(last - first + 1), 1));
    };
    for (int64_t y = top; y < top + corner_rows && y < bottom; ++y)
        span(y, (top + b) - (y + 0.5));
    const int64_t middle_top = top + corner_rows, middle_bottom = bottom - corner_rows;
    if (middle_bottom > middle_top)
        rows.append(QRect(int(left), int(middle_top), int(width), int(middle_bottom - middle_top)));
    for (int64_t y = std::max(middle_bottom, top + corner_rows); y < bottom; ++y)
        span(y, (y + 0.5) - (bottom - b));
    QRegion region;
    region.setRects(rows.constData(), int(rows.size()));
    return region;
}

} // namespace

int64_t CreateRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    return keep(round_rect(left, top, right, bottom, 0, 0));
}

int64_t CreateRoundRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t ellipse_width,
                           int32_t ellipse_height)
{
    return keep(round_rect(left, top, right, bottom, ellipse_width, ellipse_height));
}

bool DeleteObject(int64_t object) { return regions().erase(object) > 0; }

int32_t SetWindowRgn(int64_t window, int64_t region, bool redraw)
{
    QWidget* w = platform::widget_of(window);
    if (!w)
        return 0;
    if (region == 0) {
        w->clearMask();
    } else {
        const QRegion* r = find(region);
        if (!r)
            return 0;
        platform::set_shape(w, *r);
        regions().erase(region);
    }
    if (redraw)
        w->update();
    return 1;
}

int32_t GetWindowRgn(int64_t window, int64_t region)
{
    QWidget* w = platform::widget_of(window);
    QRegion* r = find(region);
    if (!w || !r || w->mask().isEmpty())
        return ERROR_REGION;
    *r = w->mask();
    return type_of(*r);
}

bool PtInRegion(int64_t region, int32_t x, int32_t y)
{
    const QRegion* r = find(region);
    return r && r->contains(QPoint(x, y));
}

int32_t GetRgnBox(int64_t region, RECT* box)
{
    const QRegion* r = find(region);
    if (!r || !box)
        return ERROR_REGION;
    *box = platform::to_rect(r->boundingRect());
    return type_of(*r);
}
