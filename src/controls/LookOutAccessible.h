#pragma once
// What assistive technology sees of the custom-painted sections bar: the
// bar is a list of pressable items in bar order — every page header (a page
// tab) and, after the open page's header, that page's visible folder buttons.
// Pressing an item through the accessibility interface does what a mouse
// click does.

class QObject;

namespace flk {

// Installs the accessibility factory for the bar's classes (once per
// program; the bar's constructor calls it).
void InstallLookOutAccessibility();

// Tells assistive technology that the bar's items changed (another page
// opened, a page scrolled), and which page headers changed selection.
void NotifyLookOutItemsChanged(QObject* bar, QObject* closedPage, QObject* openedPage);

} // namespace flk
