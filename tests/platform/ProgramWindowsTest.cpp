// The registry of the program's windows: found by class or interface, the
// newest first; destroyed windows drop out; a registry installed for a scope
// gives way to the one before it.
#include "ProgramWindows.h"

#include <gtest/gtest.h>

using namespace flk;

namespace {

class Interface {
public:
    virtual ~Interface() = default;
};
class Tray : public QObject, public Interface {};
class Form : public QObject {};

} // namespace

TEST(ProgramWindowsTest, FindsByClassAndInterfaceNewestFirstAndForgetsTheGone)
{
    EXPECT_EQ(Window<Form>(), nullptr) << "no registry installed";
    Tray tray;
    Form older;
    auto* newer = new Form;
    {
        ProgramWindows windows{&tray, &older, newer};
        EXPECT_EQ(Window<Interface>(), &tray);
        EXPECT_EQ(Window<Form>(), newer);
        delete newer;
        EXPECT_EQ(Window<Form>(), &older);
        {
            Form other;
            ProgramWindows inner{&other};
            EXPECT_EQ(Window<Form>(), &other);
            EXPECT_EQ(Window<Tray>(), nullptr);
        }
        EXPECT_EQ(Window<Tray>(), &tray);
    }
    EXPECT_EQ(Window<Tray>(), nullptr);
}

TEST(ProgramWindowsTest, AWindowMadeLaterEntersTheInstalledRegistryAsTheNewest)
{
    Form later;
    ProgramWindows::Enter(&later);
    EXPECT_EQ(Window<Form>(), nullptr) << "no registry installed: it stays unknown";
    Form atStart;
    ProgramWindows windows{&atStart};
    {
        Form dialog;
        ProgramWindows::Enter(&dialog);
        EXPECT_EQ(Window<Form>(), &dialog);
    }
    EXPECT_EQ(Window<Form>(), &atStart) << "a closed dialog drops out";
}
