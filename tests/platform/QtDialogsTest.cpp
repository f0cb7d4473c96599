// The real message box: Enter gives the button the caller named as default.
#include "QtDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace flk::test {
namespace {

int AnswerWithEnter(const MessageRequest& request)
{
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box)
            QTest::keyClick(box, Qt::Key_Return);
    });
    QtDialogs dialogs;
    return dialogs.messageBox(nullptr, request);
}

TEST(QtDialogsTest, EnterGivesTheNamedDefaultButtonElseTheFirst)
{
    EXPECT_EQ(AnswerWithEnter({QStringLiteral("File Exists"), QStringLiteral("Again?"), MB_YESNO, MB_ICONNONE, IDNO}),
              IDNO);
    EXPECT_EQ(AnswerWithEnter({QStringLiteral("Question"), QStringLiteral("Go?"), MB_YESNO}), IDYES);
}

} // namespace
} // namespace flk::test
