// One QApplication for every test program, offscreen, so that widgets,
// timers and socket notifiers work as in the program.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    // The tests' servers are on loopback: a developer's own proxy settings
    // must not come between them and the program (a test that wants a proxy
    // sets one itself).
    for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "ftp_proxy", "FTP_PROXY", "all_proxy",
                             "ALL_PROXY", "no_proxy", "NO_PROXY"})
        qunsetenv(name);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Fetchlark");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
