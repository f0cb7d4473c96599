#pragma once
// A one-line label that never asks for more width than a few characters:
// a text longer than its room is drawn cut with an ellipsis, and the whole
// text is its tooltip and its accessible description, so a long name never
// widens the window it sits in.

#include <QLabel>

class QLineEdit;

namespace flk {

class TElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit TElidedLabel(QWidget* parent = nullptr);

    // The text as drawn now (with an ellipsis when cut).
    QString ShownText() const;
    bool Elided() const { return ShownText() != text(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
};

// A one-line edit box shows the start of a long text: while the text is cut,
// its tooltip is the whole text (screen readers read the whole value anyway).
void ShowWholeTextAsToolTip(QLineEdit* edit);

} // namespace flk
