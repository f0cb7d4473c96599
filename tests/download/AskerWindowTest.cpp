// The dialog as a window on the desktop: Enter in every field, restoring it
// from the taskbar, its size at the design font and with long captions, and
// the names a screen reader reads.
#include "AskerFixture.h"

#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

namespace flk::test {
namespace {

// Enter presses Download from every field; a flat button never takes the
// default when the window is shown.
TEST_F(AskerTest, EnterInEveryFieldPressesDownload)
{
    Open();
    asker->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(asker));
    EXPECT_TRUE(asker->cmdOK->isDefault());
    for (QPushButton* flat : {asker->cmdBookMarks, asker->cmdSection, asker->cmdFolder})
        EXPECT_FALSE(flat->isDefault() || flat->autoDefault()) << flat->text().toStdString();

    QSignalSpy downloads(asker->cmdOK, &QPushButton::clicked);
    const QList<QWidget*> fields{asker->edtDesc, asker->edtName, asker->edtSource->lineEdit(), asker->cbOpenWhen,
                                 asker->cbSection, asker->cbCategory, asker->meDays, asker->meDeleteDays};
    for (QWidget* field : fields) {
        QTest::keyClick(field, Qt::Key_Return);
        QTest::keyClick(field, Qt::Key_Enter, Qt::KeypadModifier);
    }
    EXPECT_EQ(downloads.count(), 2 * fields.size());
    EXPECT_TRUE(QFile::exists(FolderFile())) << "Download wrote the record";
    EXPECT_EQ(asker->edtSource->count(), 0) << "the source box has no items";
    EXPECT_FALSE(asker->cmdBookMarks->isDown());
}

// The desktop restoring the minimised dialog is no new show: the figures of
// a running download stay.
TEST_F(AskerTest, RestoringTheMinimisedDialogKeepsTheDownloadsFigures)
{
    Open();
    asker->show();
    asker->ExpectedSize = 2200000;
    asker->ResumeOffset = 45056;
    asker->dg->SetMax(2200000);
    asker->dg->SetValue(1100000);
    asker->showMinimized();
    asker->showNormal();
    EXPECT_EQ(asker->ExpectedSize, 2200000);
    EXPECT_EQ(asker->ResumeOffset, 45056);
    EXPECT_EQ(asker->dg->Value(), 1100000);

    // Shown again by the program, it starts over.
    asker->hide();
    asker->show();
    EXPECT_EQ(asker->ExpectedSize, 0);
    EXPECT_EQ(asker->dg->Value(), 0);
}

class AskerFontTest : public AskerTest {
protected:
    void TearDown() override
    {
        AskerTest::TearDown();
        QApplication::setFont(saved);
    }
    void UseFont(int pixels)
    {
        QFont f = saved;
        f.setPixelSize(pixels);
        QApplication::setFont(f);
    }
    QFont saved = QApplication::font();
};

// A 9-pixel font is about as wide as the design font.
TEST_F(AskerFontTest, ClientAreaIs510By403AtTheDesignFont)
{
    UseFont(9);
    Open();
    asker->show();
    EXPECT_EQ(asker->size(), QSize(510, 403));
    asker->cbDetails->setChecked(false);
    EXPECT_EQ(asker->size(), QSize(510, 305));
}

// Captions at a large font keep their whole text on one line: the window
// grows instead.
TEST_F(AskerFontTest, LongCaptionsWidenTheWindow)
{
    UseFont(20);
    Open();
    asker->show();
    EXPECT_GT(asker->width(), 510);
    for (int page = 0; page < asker->PageControl1->count(); ++page) {
        asker->PageControl1->setCurrentIndex(page);
        QApplication::processEvents();
        for (QWidget* w : asker->PageControl1->widget(page)->findChildren<QWidget*>()) {
            if (!w->isVisible() || (!qobject_cast<QLabel*>(w) && !qobject_cast<QAbstractButton*>(w)))
                continue;
            EXPECT_GE(w->width(), w->sizeHint().width()) << w->objectName().toStdString()
                                                         << (qobject_cast<QLabel*>(w)
                                                                 ? qobject_cast<QLabel*>(w)->text().toStdString()
                                                                 : qobject_cast<QAbstractButton*>(w)->text().toStdString());
        }
    }
}

// Every field has a name for screen readers.
TEST_F(AskerTest, EveryFieldHasAnAccessibleName)
{
    Open();
    asker->show();
    QList<QWidget*> fields;
    for (QWidget* w : asker->findChildren<QWidget*>())
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractButton*>(w)
            || qobject_cast<QListWidget*>(w))
            fields << w;
    ASSERT_GE(fields.size(), 8);
    for (QWidget* w : fields) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_TRUE(a);
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty()) << w->metaObject()->className();
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(asker->edtDesc)->text(QAccessible::Name), "Download Description");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(asker->edtSource->lineEdit())->text(QAccessible::Name),
              "File Source");
}

} // namespace
} // namespace flk::test
