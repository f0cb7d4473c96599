#include "ReportPrinter.h"

#include "Exception.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QTextBoundaryFinder>

namespace flk {

namespace {

constexpr int kPointSize = 8;

QString PrinterDescription(const QPrinter& printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return QStringLiteral("the file \"%1\"").arg(printer.outputFileName());
    return QStringLiteral("the printer \"%1\"").arg(printer.printerName());
}

} // namespace

QFont ReportFont(QPaintDevice* device)
{
    QFont courier(QStringLiteral("Courier"));
    courier.setPointSize(kPointSize);
    courier.setStyleHint(QFont::TypeWriter);
    courier.setFixedPitch(true);
    if (QFontInfo(QFont(courier, device)).fixedPitch())
        return QFont(courier, device);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSize(kPointSize);
    return QFont(mono, device);
}

QStringList WrapLine(const QString& line, const QFont& font, QPaintDevice* device, qreal width)
{
    const QFontMetricsF metrics(font, device);
    QStringList pieces;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, line);
    qsizetype start = 0;
    qsizetype previous = 0;
    qreal used = 0;
    for (qsizetype next = finder.toNextBoundary(); next > 0; next = finder.toNextBoundary()) {
        const qreal advance = metrics.horizontalAdvance(line.mid(previous, next - previous));
        if (used + advance > width && previous > start) {
            pieces << line.mid(start, previous - start);
            start = previous;
            used = 0;
        }
        used += advance;
        previous = next;
    }
    pieces << line.mid(start);
    return pieces;
}

void PrintReportLines(QPrinter& printer, const QStringList& lines)
{
    // Without a print system Qt offers only a file, and none was named.
    const bool native = printer.outputFormat() == QPrinter::NativeFormat;
    if ((native && printer.printerName().isEmpty()) || (!native && printer.outputFileName().isEmpty()))
        throw Exception(QStringLiteral("Cannot print the report: no printer is available."));
    if (native && !printer.isValid())
        throw Exception(QStringLiteral("Cannot print the report: %1 is not available.").arg(PrinterDescription(printer)));
    QPainter painter;
    if (!painter.begin(&printer))
        throw Exception(QStringLiteral("Cannot print the report: %1 could not be opened.")
                            .arg(PrinterDescription(printer)));
    const QFont font = ReportFont(&printer);
    painter.setFont(font);
    const QFontMetricsF metrics(font, &printer);
    const qreal pageWidth = printer.width();
    const qreal pageHeight = printer.height();
    const qreal lineHeight = metrics.lineSpacing();

    bool ok = true;
    qreal top = 0;
    bool pageUsed = false;
    for (const QString& line : lines) {
        for (const QString& piece : WrapLine(line, font, &printer, pageWidth)) {
            if (pageUsed && top + lineHeight > pageHeight) {
                ok = ok && printer.newPage();
                top = 0;
            }
            painter.drawText(QPointF(0, top + metrics.ascent()), piece);
            top += lineHeight;
            pageUsed = true;
        }
    }
    ok = painter.end() && ok;
    if (!ok || printer.printerState() == QPrinter::Error)
        throw Exception(QStringLiteral("Cannot print the report: %1 failed while printing.")
                            .arg(PrinterDescription(printer)));
}

} // namespace flk
