#pragma once
// The wizard container of the setup wizard: pages in a fixed order with one
// active page, a picture and a title on each, and Back, Next, Finish and
// Cancel buttons. It moves between pages by itself and reports what the
// window must decide: Change after the active page changed, CancelClick
// and FinishClick (Finish is offered on the last page). It vetoes nothing.

#include <QList>
#include <QWidget>

class QLabel;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;

namespace flk {

class TEPWizardPage : public QWidget {
    Q_OBJECT
public:
    TEPWizardPage(const QString& title, QWidget* parent = nullptr);
    QString Title() const;
    QLabel* Image; // the page's picture
    QLabel* lblTitle;
    QVBoxLayout* Body; // the page's own controls go here
};

class TEPWizard : public QWidget {
    Q_OBJECT
public:
    explicit TEPWizard(QWidget* parent = nullptr);

    QPushButton* cmdBack;
    QPushButton* cmdNext;
    QPushButton* cmdFinish;
    QPushButton* cmdCancel;

    TEPWizardPage* AddPage(const QString& title);
    int PageCount() const { return m_pages.size(); }
    TEPWizardPage* Page(int index) const { return m_pages.value(index); }
    TEPWizardPage* ActivePage() const;
    int ActivePageIndex() const;
    // Makes a page active and raises Change when it differs.
    void SetActivePage(int index);

signals:
    void Change();
    void CancelClick();
    void FinishClick();

private:
    void UpdateButtons();

    QStackedWidget* m_stack;
    QList<TEPWizardPage*> m_pages;
};

} // namespace flk
