#pragma once
// Prints a report's lines on a printer used as a text device: "Courier" at
// 8 points (or the closest monospace font the desktop has), one text line
// per printed line from the top left of the printable area; a line wider
// than the page continues on the next printed line, and a full page starts
// a new one. Nothing else is added: no margins, headers or page numbers.

#include <QFont>
#include <QStringList>

class QPrinter;
class QPaintDevice;

namespace flk {

// The report font as it resolves on `device`: Courier 8 pt when the desktop
// has a fixed-pitch Courier (or a stand-in for it), else its monospace font
// at 8 pt.
QFont ReportFont(QPaintDevice* device);

// Prints `lines` as one job. Raises Exception with a message for the user
// when the printer cannot be opened or the job fails.
void PrintReportLines(QPrinter& printer, const QStringList& lines);

// Splits `line` into pieces no wider than `width` (in the metrics of
// `font` on `device`); at least one grapheme per piece, and an empty line
// gives one empty piece.
QStringList WrapLine(const QString& line, const QFont& font, QPaintDevice* device, qreal width);

} // namespace flk
