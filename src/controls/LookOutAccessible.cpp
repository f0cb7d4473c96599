#include "LookOutAccessible.h"

#include "LookOut.h"
#include "LookOutButton.h"
#include "LookOutPage.h"

#include <QAccessibleWidget>
#include <QLineEdit>

namespace flk {

namespace {

// The bar: a flat list of its headers and the open page's buttons.
class BarAccessible final : public QAccessibleWidget {
public:
    explicit BarAccessible(TLookOut* bar) : QAccessibleWidget(bar, QAccessible::PageTabList) {}
    TLookOut* Bar() const { return static_cast<TLookOut*>(widget()); }

    int childCount() const override { return Bar()->Items().size(); }
    QAccessibleInterface* child(int index) const override
    {
        const QList<QWidget*> items = Bar()->Items();
        return index >= 0 && index < items.size() ? QAccessible::queryAccessibleInterface(items[index]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child ? Bar()->Items().indexOf(qobject_cast<QWidget*>(child->object())) : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        for (QWidget* item : Bar()->Items()) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(item);
            if (iface && iface->rect().contains(x, y))
                return iface;
        }
        return nullptr;
    }
    QString text(QAccessible::Text t) const override
    {
        const QString own = QAccessibleWidget::text(t);
        return t == QAccessible::Name && own.isEmpty() ? QStringLiteral("Sections") : own;
    }
};

// Common part of headers and buttons: a pressable item whose parent is the bar.
class ItemAccessible : public QAccessibleWidget {
public:
    ItemAccessible(QWidget* w, QAccessible::Role role, TLookOut* bar)
        : QAccessibleWidget(w, role)
        , m_bar(bar)
    {
    }
    QAccessibleInterface* parent() const override
    {
        return m_bar ? QAccessible::queryAccessibleInterface(m_bar.data()) : QAccessibleWidget::parent();
    }
    // An in-place edit box open over the item (a caption being renamed) is
    // its child, so screen readers find the box that has the focus.
    int childCount() const override { return int(Editors().size()); }
    QAccessibleInterface* child(int index) const override
    {
        const QList<QLineEdit*> editors = Editors();
        return index >= 0 && index < editors.size() ? QAccessible::queryAccessibleInterface(editors[index]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child ? int(Editors().indexOf(qobject_cast<QLineEdit*>(child->object()))) : -1;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.focusable = true;
        s.focused = m_bar && m_bar->hasFocus() && m_bar->FocusItem() == widget();
        return s;
    }

private:
    QList<QLineEdit*> Editors() const
    {
        QList<QLineEdit*> shown;
        for (QLineEdit* edit : widget()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
            if (edit->isVisible())
                shown << edit;
        return shown;
    }

    QPointer<TLookOut> m_bar;
};

class PageAccessible final : public ItemAccessible {
public:
    explicit PageAccessible(TLookOutPage* page) : ItemAccessible(page, QAccessible::PageTab, page->Bar()) {}
    TLookOutPage* Page() const { return static_cast<TLookOutPage*>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return Page()->Caption();
        return QAccessibleWidget::text(t);
    }
    QRect rect() const override
    {
        const QRect header = Page()->HeaderRect();
        return QRect(Page()->mapToGlobal(header.topLeft()), header.size());
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = ItemAccessible::state();
        s.selectable = true;
        s.selected = Page()->Bar() && Page()->Bar()->ActivePage() == Page();
        return s;
    }
    void doAction(const QString& name) override
    {
        if (name == pressAction())
            Page()->Press();
    }
};

class ButtonAccessible final : public ItemAccessible {
public:
    explicit ButtonAccessible(TLookOutButton* button)
        : ItemAccessible(button, QAccessible::Button, button->Page() ? button->Page()->Bar() : nullptr)
    {
    }
    TLookOutButton* Button() const { return static_cast<TLookOutButton*>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return Button()->Caption();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = ItemAccessible::state();
        if (Button()->GroupIndex() != 0) {
            s.checkable = true;
            s.checked = Button()->Down();
        }
        s.pressed = Button()->Down();
        s.selectable = true;
        s.selected = Button()->Selected();
        return s;
    }
    void doAction(const QString& name) override
    {
        if (name == pressAction())
            Button()->Press();
    }
};

QAccessibleInterface* Factory(const QString& className, QObject* object)
{
    if (className == QLatin1String("flk::TLookOut"))
        return new BarAccessible(static_cast<TLookOut*>(object));
    if (className == QLatin1String("flk::TLookOutPage"))
        return new PageAccessible(static_cast<TLookOutPage*>(object));
    if (className == QLatin1String("flk::TLookOutButton"))
        return new ButtonAccessible(static_cast<TLookOutButton*>(object));
    return nullptr;
}

} // namespace

void InstallLookOutAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

void NotifyLookOutItemsChanged(QObject* bar, QObject* closedPage, QObject* openedPage)
{
    if (!QAccessible::isActive())
        return;
    QAccessible::State selected;
    selected.selected = true;
    if (closedPage != openedPage) {
        for (QObject* page : {closedPage, openedPage}) {
            if (!page)
                continue;
            QAccessibleStateChangeEvent event(page, selected);
            QAccessible::updateAccessibility(&event);
        }
    }
    QAccessibleEvent reorder(bar, QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&reorder);
}

} // namespace flk
