// What a screen reader sees of the sections bar and what pressing does.
#include "LookOut.h"
#include "LookOutButton.h"
#include "LookOutPage.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace flk;

namespace {

struct Catalogue {
    Catalogue()
    {
        bar.SetBorderStyle(bsNone);
        bar.SetAutoSize(true);
        bar.resize(92, 300);
        const QStringList programs{"Productivity", "Games", "Utilities", "Applications", "Extras"};
        bar.AddPage("Programs");
        for (const QString& name : programs)
            bar.Page(0)->AddButton(name);
        bar.AddPage("Research")->AddButton("School");
        bar.Page(1)->AddButton("Office");
        bar.AddPage("Internet")->AddButton("FTP Files");
        bar.show();
    }
    QStringList Names() const
    {
        QStringList names;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(const_cast<TLookOut*>(&bar));
        for (int i = 0; i < iface->childCount(); ++i)
            names << iface->child(i)->text(QAccessible::Name);
        return names;
    }
    QAccessibleInterface* Item(int index)
    {
        return QAccessible::queryAccessibleInterface(&bar)->child(index);
    }
    TLookOut bar;
};

void Press(QAccessibleInterface* item)
{
    ASSERT_TRUE(item->actionInterface());
    EXPECT_TRUE(item->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
}

} // namespace

TEST(LookOutAccessibility, HeadersAndVisibleButtonsInBarOrder)
{
    Catalogue c;
    // The open page shows four of its five buttons; the fifth is out of sight.
    EXPECT_EQ(c.Names(), (QStringList{"Programs", "Productivity", "Games", "Utilities", "Applications",
                                      "Research", "Internet"}));
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(&c.bar);
    EXPECT_EQ(c.Item(0)->role(), QAccessible::PageTab);
    EXPECT_TRUE(c.Item(0)->state().selected);
    EXPECT_EQ(c.Item(1)->role(), QAccessible::Button);
    EXPECT_EQ(c.Item(1)->parent(), bar);
    EXPECT_EQ(bar->indexOfChild(c.Item(5)), 5);

    c.bar.Page(0)->ScrollDown();
    EXPECT_EQ(c.Names().mid(1, 4), (QStringList{"Games", "Utilities", "Applications", "Extras"}));
}

TEST(LookOutAccessibility, PressingAHeaderOpensItsPage)
{
    Catalogue c;
    QSignalSpy clicks(c.bar.Page(1), &TLookOutPage::OnClick);
    QSignalSpy downs(c.bar.Page(1), &TLookOutPage::OnMouseDown);
    Press(c.Item(5));
    EXPECT_EQ(c.bar.ActivePage(), c.bar.Page(1));
    EXPECT_EQ(clicks.size(), 1);
    EXPECT_EQ(downs.size(), 1);
    EXPECT_EQ(c.Names(), (QStringList{"Programs", "Research", "School", "Office", "Internet"}));
}

TEST(LookOutAccessibility, PressingAButtonClicksIt)
{
    Catalogue c;
    TLookOutButton* games = c.bar.Page(0)->Button(1);
    QSignalSpy downs(games, &TLookOutButton::OnMouseDown);
    QSignalSpy clicks(games, &TLookOutButton::OnClick);
    Press(c.Item(2));
    EXPECT_EQ(downs.size(), 1); // the manager makes the folder current on mouse down
    EXPECT_EQ(clicks.size(), 1);
}

TEST(LookOutKeyboard, ArrowKeysWalkTheItemsAndSpacePresses)
{
    Catalogue c;
    c.bar.SetFocusItem(c.bar.Page(0));
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(&c.bar, Qt::Key_Down);
    EXPECT_EQ(c.bar.FocusItem(), c.bar.Page(0)->Button(3)); // Applications, the last in sight
    QTest::keyClick(&c.bar, Qt::Key_Down);
    EXPECT_EQ(c.bar.FocusItem(), c.bar.Page(0)->Button(4)); // Extras, scrolled into sight
    EXPECT_EQ(c.bar.Page(0)->ScrollOffset(), 1);

    QSignalSpy clicks(c.bar.Page(0)->Button(4), &TLookOutButton::OnClick);
    QTest::keyClick(&c.bar, Qt::Key_Return);
    EXPECT_EQ(clicks.size(), 1);

    QTest::keyClick(&c.bar, Qt::Key_End);
    EXPECT_EQ(c.bar.FocusItem(), c.bar.Page(2));
    QTest::keyClick(&c.bar, Qt::Key_Space);
    EXPECT_EQ(c.bar.ActivePage(), c.bar.Page(2));
}
