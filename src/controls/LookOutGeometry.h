#pragma once
// The sections bar's layout rules as pure functions: where pages, buttons
// and scroll arrows go, how far a page may scroll, and the steps of a slide.
// All values are pixels in the coordinates of the bar (pages) or of a page
// (buttons, arrows).

#include <QPoint>
#include <vector>

namespace flk::LookOutGeometry {

constexpr int kHeaderHeight = 19;  // height of a page's header strip
constexpr int kHeaderStep = 20;    // distance between two stacked headers
constexpr int kSlideStep = 20;     // pixels a sliding page or button moves per step
constexpr int kFirstButtonTop = 26; // top of the first shown button, just under the header
constexpr int kArrowSize = 16;

// True when `visiblePages` headers leave room for an open page in a bar
// `barHeight` high (N x 19 + 65 < H); without room nothing is rearranged.
bool PagesHaveRoom(int visiblePages, int barHeight);

// Height every visible page gets: H - N x 20 + 20.
int PageHeight(int visiblePages, int barHeight);

// Tops of the visible pages with page `openIndex` open: the open page and
// those before it stack from the top 20 pixels apart; the pages after it
// stack at the bottom, the last one at H - 23.
std::vector<int> PageTops(int visiblePages, int openIndex, int barHeight);

// Where a page's buttons go. `heights` are the buttons' heights in page
// order; `scrollOffset` buttons are parked above the page, the rest follow
// each other from the top (26 pixels) with `margin` above each, and those
// starting past `pageHeight` are parked below it. Order is kept: parked
// buttons have increasing tops too.
std::vector<int> ButtonTops(const std::vector<int>& heights, int scrollOffset, int margin, int pageHeight);

// The scroll arrows' top-left corners on a page of the given client size.
struct ArrowPlaces {
    QPoint up;
    QPoint down;
};
ArrowPlaces ArrowPlacesFor(int clientWidth, int clientHeight);

// Which arrows show after a layout: up while the first button is not fully
// inside the page, down while the last one is not.
struct ArrowVisibility {
    bool up = false;
    bool down = false;
};
ArrowVisibility ArrowsFor(const std::vector<int>& tops, const std::vector<int>& heights, int pageHeight);

// Scroll offset after one press of an arrow: up stops at 0, down at
// buttonCount - 1 (the page's child controls less its two arrows, less one).
int ScrolledUp(int scrollOffset);
int ScrolledDown(int scrollOffset, int buttonCount);

// The positions a slide from `from` to `to` passes through before taking
// its exact place: 20-pixel steps, excluding both ends.
std::vector<int> SlidePositions(int from, int to);

// Auto-repeat of a held arrow: the first repeat comes after 400 ms, every
// later one after 120 ms. `repeatsSoFar` counts the repeats already made.
int RepeatDelay(int repeatsSoFar);

} // namespace flk::LookOutGeometry
