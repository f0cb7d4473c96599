#pragma once
// The block gauge: a vertical column of blocks filling from the bottom, with
// a scale on its right.

#include <QColor>
#include <QWidget>
#include <QtGlobal>
#include "Exception.h"
#include <QString>
#include <string>

namespace flk {

// Raised by a gauge setter given a value outside its allowed range; the
// property keeps its previous value.
class ERangeError : public Exception {
public:
    using Exception::Exception;
};

class TAnotherGauge : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qint64 Min READ Min WRITE SetMin)
    Q_PROPERTY(qint64 Max READ Max WRITE SetMax)
    Q_PROPERTY(qint64 Value READ Value WRITE SetValue NOTIFY OnChange)
    Q_PROPERTY(qint64 Low READ Low WRITE SetLow)
    Q_PROPERTY(qint64 High READ High WRITE SetHigh)
    Q_PROPERTY(QColor ForeColor READ ForeColor WRITE SetForeColor)
    Q_PROPERTY(QColor LowColor READ LowColor WRITE SetLowColor)
    Q_PROPERTY(QColor HighColor READ HighColor WRITE SetHighColor)
    Q_PROPERTY(int BlockHeight READ BlockHeight WRITE SetBlockHeight)
    Q_PROPERTY(QColor Color READ Color WRITE SetColor)

public:
    explicit TAnotherGauge(QWidget* parent = nullptr);

    qint64 Min() const { return m_min; }
    qint64 Max() const { return m_max; }
    qint64 Value() const { return m_value; }
    qint64 Low() const { return m_low; }
    qint64 High() const { return m_high; }
    QColor ForeColor() const { return m_foreColor; }
    QColor LowColor() const { return m_lowColor; }
    QColor HighColor() const { return m_highColor; }
    int BlockHeight() const { return m_blockHeight; }
    QColor Color() const { return m_color; }

    void SetMin(qint64 value);
    void SetMax(qint64 value);
    // Throws ERangeError outside Min .. Max (the value is kept). Cheap: only
    // invalidates the bar when the number of lit blocks changes.
    void SetValue(qint64 value);
    void SetLow(qint64 value);  // throws ERangeError outside Min .. High
    void SetHigh(qint64 value);
    void SetForeColor(const QColor& color);
    void SetLowColor(const QColor& color);
    void SetHighColor(const QColor& color);
    // Throws ERangeError for 0 or less, or above (Max - Min) div 4.
    void SetBlockHeight(int value);
    void SetColor(const QColor& color);

    // The download dialog's gauge: 50 x 80, BlockHeight 5, Low 33, High 66,
    // lime blocks on black.
    void ApplyDownloadDialogLook();

    // Geometry for the current client height.
    int BlocksFor(qint64 value) const; // Round((v - Min) * H / (Max - Min) / BlockHeight), halves to even
    int TopFor(qint64 value) const;    // H - BlocksFor(v) * BlockHeight
    int BarWidth() const { return width() - 10; }

    // The same count for any height, range and block height.
    static int BlockCount(qint64 value, qint64 min, qint64 max, int clientHeight, int blockHeight);

    QSize sizeHint() const override { return {50, 150}; }

signals:
    void OnChange(qint64 value);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void SetColorField(QColor& field, const QColor& color);

    qint64 m_min = 0;
    qint64 m_max = 100;
    qint64 m_value = 50;
    qint64 m_low = 10;
    qint64 m_high = 80;
    QColor m_foreColor{0, 255, 0};
    QColor m_lowColor{0, 128, 0};
    QColor m_highColor{255, 0, 0};
    int m_blockHeight = 10;
    QColor m_color{0, 0, 0};
};

} // namespace flk
