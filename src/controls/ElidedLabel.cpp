#include "ElidedLabel.h"

#include <QAccessibleWidget>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

namespace flk {

namespace {

// Least width asked for: a few characters, whatever the text.
constexpr int kLeastChars = 4;

// Screen readers hear the label's name and, as its description, the whole
// text, whatever is cut on the screen.
class ElidedLabelAccessible final : public QAccessibleWidget {
public:
    explicit ElidedLabelAccessible(TElidedLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override
    {
        auto* label = static_cast<TElidedLabel*>(widget());
        if (t == QAccessible::Name)
            return label->accessibleName().isEmpty() ? label->text() : label->accessibleName();
        if (t == QAccessible::Description)
            return label->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* Factory(const QString& className, QObject* object)
{
    return className == QLatin1String("flk::TElidedLabel") ? new ElidedLabelAccessible(static_cast<TElidedLabel*>(object))
                                                           : nullptr;
}

class WholeTextTip final : public QObject {
public:
    explicit WholeTextTip(QLineEdit* edit) : QObject(edit), m_edit(edit) { edit->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() != QEvent::ToolTip || !m_edit->toolTip().isEmpty())
            return false;
        const int room = m_edit->contentsRect().width() - 8; // the box's own text margins
        if (m_edit->fontMetrics().horizontalAdvance(m_edit->text()) <= room)
            return false;
        QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(), m_edit->text(), m_edit);
        return true;
    }

private:
    QLineEdit* m_edit;
};

} // namespace

void ShowWholeTextAsToolTip(QLineEdit* edit)
{
    new WholeTextTip(edit);
}

TElidedLabel::TElidedLabel(QWidget* parent) : QLabel(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

QSize TElidedLabel::minimumSizeHint() const
{
    return {fontMetrics().averageCharWidth() * kLeastChars, QLabel::minimumSizeHint().height()};
}

QSize TElidedLabel::sizeHint() const
{
    return {minimumSizeHint().width(), QLabel::sizeHint().height()};
}

QString TElidedLabel::ShownText() const
{
    const int room = contentsRect().width() - std::max(indent(), 0) - 2 * margin();
    return fontMetrics().elidedText(text(), Qt::ElideRight, std::max(room, 0));
}

bool TElidedLabel::event(QEvent* e)
{
    if (e->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        auto* help = static_cast<QHelpEvent*>(e);
        if (Elided())
            QToolTip::showText(help->globalPos(), text(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QLabel::event(e);
}

void TElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    drawFrame(&p);
    QRect room = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    room.setLeft(room.left() + std::max(indent(), 0));
    style()->drawItemText(&p, room, int(alignment()), palette(), isEnabled(), ShownText(), foregroundRole());
}

} // namespace flk
