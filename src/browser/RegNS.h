#pragma once
// Registration of the browser helper library at start and its
// unregistration at the end: the Netscape protocols, the library's own
// self-registration, and the Internet Explorer keys, in that order. Every
// failure is reported in a message box and never stops the program.

#include <QString>

namespace flk {

class TRegNS {
public:
    static constexpr const char* kAutomationObject = "FLKAuto.FLKAutomation";
    static constexpr const char* kClassId = "{5F3C2A10-7E4B-4D21-9A6C-3B8E1F0D4C27}";
    static constexpr const char* kNetscapeKey = "\\Software\\Netscape\\Netscape Navigator\\Automation Protocols";

    // `helperFolder`: where FLKAuto.so lies (the helper folder by default).
    explicit TRegNS(const QString& helperFolder);
    TRegNS();

    // The three steps of the start.
    void RegisterAll();
    // Netscape's automation protocols for ftp and http.
    void RegisterNetscape();
    // Loads the library by path and calls its DllRegisterServer or
    // DllUnregisterServer; true when the call returned 0.
    bool SelfRegister(bool registering);
    // The name-space handler keys and the class's threading model.
    bool RegisterInternetExplorer();

    QString LibraryPath() const;

private:
    QString m_folder;
};

} // namespace flk
