#include "LookOutGeometry.h"

#include <algorithm>

namespace flk::LookOutGeometry {

bool PagesHaveRoom(int visiblePages, int barHeight)
{
    return visiblePages * kHeaderHeight + 65 < barHeight;
}

int PageHeight(int visiblePages, int barHeight)
{
    return barHeight - visiblePages * kHeaderStep + kHeaderStep;
}

std::vector<int> PageTops(int visiblePages, int openIndex, int barHeight)
{
    std::vector<int> tops(std::max(visiblePages, 0));
    for (int k = 0; k < visiblePages; ++k) {
        if (k <= openIndex)
            tops[k] = kHeaderStep * k;
        else // stacked at the bottom, the last one at H - 23
            tops[k] = barHeight - 23 - kHeaderStep * (visiblePages - 1 - k);
    }
    return tops;
}

std::vector<int> ButtonTops(const std::vector<int>& heights, int scrollOffset, int margin, int pageHeight)
{
    const int count = int(heights.size());
    std::vector<int> tops(count);
    int y = kFirstButtonTop - margin;
    int below = pageHeight;
    for (int i = 0; i < count; ++i) {
        if (i < scrollOffset) {
            tops[i] = -(heights[i] + 1) * (count - i);
        } else if (y > pageHeight) {
            // Parked below the page, still in page order.
            below += 1;
            tops[i] = below;
            below += heights[i];
        } else {
            tops[i] = y + margin;
            y += heights[i] + margin;
        }
    }
    return tops;
}

ArrowPlaces ArrowPlacesFor(int clientWidth, int clientHeight)
{
    ArrowPlaces places;
    places.up = QPoint(clientWidth - 23, 25);
    places.down = clientHeight <= 64 ? QPoint(clientWidth - 23, 25 + kArrowSize)
                                     : QPoint(clientWidth - 23, clientHeight - 23);
    return places;
}

ArrowVisibility ArrowsFor(const std::vector<int>& tops, const std::vector<int>& heights, int pageHeight)
{
    ArrowVisibility v;
    if (tops.empty())
        return v;
    const auto inside = [&](std::size_t i) { return tops[i] >= 0 && tops[i] + heights[i] <= pageHeight; };
    v.up = !inside(0);
    v.down = !inside(tops.size() - 1);
    return v;
}

int ScrolledUp(int scrollOffset)
{
    return std::max(scrollOffset - 1, 0);
}

int ScrolledDown(int scrollOffset, int buttonCount)
{
    return std::max(std::min(scrollOffset + 1, buttonCount - 1), 0);
}

std::vector<int> SlidePositions(int from, int to)
{
    std::vector<int> steps;
    const int dir = to > from ? kSlideStep : -kSlideStep;
    for (int p = from + dir; dir > 0 ? p < to : p > to; p += dir)
        steps.push_back(p);
    return steps;
}

int RepeatDelay(int repeatsSoFar)
{
    return repeatsSoFar == 0 ? 400 : 120;
}

} // namespace flk::LookOutGeometry
