#include "RegNS.h"

#include "Dialogs.h"
#include "FLKAuto.h"
#include "OleAutomation.h"
#include "ProgramFolder.h"
#include "Registry.h"

#include <QFileInfo>

#include <dlfcn.h>

namespace flk {
namespace {

using EntryPoint = std::int32_t (*)();

// Deletes `name` unless it already names our automation object; true when it
// was ours.
bool KeepOrDelete(Registry& reg, const QString& name)
{
    if (!reg.ValueExists(name))
        return false;
    if (reg.ReadString(name) == QLatin1String(TRegNS::kAutomationObject))
        return true;
    reg.DeleteValue(name);
    return false;
}

bool WriteClassId(const QString& protocol)
{
    Registry reg(RootKey::LocalMachine);
    const QString key =
        QStringLiteral("\\SOFTWARE\\Classes\\PROTOCOLS\\Name-Space Handler\\%1\\FLK.IEClickMon").arg(protocol);
    const bool ok = reg.OpenKey(key, true) && reg.WriteString("CLSID", TRegNS::kClassId);
    reg.CloseKey();
    return ok;
}

} // namespace

TRegNS::TRegNS(const QString& helperFolder) : m_folder(helperFolder) {}

TRegNS::TRegNS() : TRegNS(HelperFolder()) {}

QString TRegNS::LibraryPath() const
{
    QString folder = m_folder;
    while (folder.endsWith('/') && folder.size() > 1)
        folder.chop(1);
    return folder + "/FLKAuto.so";
}

void TRegNS::RegisterAll()
{
    RegisterNetscape();
    SelfRegister(true);
    RegisterInternetExplorer();
}

void TRegNS::RegisterNetscape()
{
    DllRegisterServer(); // the direct link; its result is not looked at

    Registry reg(RootKey::CurrentUser);
    if (!reg.OpenKey(kNetscapeKey, false))
        return; // Netscape is not installed
    const bool ftpIsOurs = KeepOrDelete(reg, "ftp");
    const bool httpIsOurs = KeepOrDelete(reg, "http");
    reg.CloseKey();
    if (ftpIsOurs && httpIsOurs)
        return;

    try {
        auto netscape = OleAutomation::CreateOleObject("Netscape.Registry.1");
        if (netscape->RegisterProtocol("ftp", kAutomationObject))
            Dialogs::showMessage("FTP Handler installed.");
        if (netscape->RegisterProtocol("http", kAutomationObject))
            Dialogs::showMessage("HTTP Handler installed.");
    } catch (const EOleError&) {
        // No automation server: nothing to register with.
    }
}

bool TRegNS::SelfRegister(bool registering)
{
    const QString path = LibraryPath();
    if (!QFileInfo(path).isFile()) {
        Dialogs::showMessage("Missing FLKAuto.dll - this file must be in the Fetchlark folder.");
        return false;
    }
    void* library = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        Dialogs::showMessage("Failed to load FLKAuto.DLL");
        return false;
    }
    const char* entryName = registering ? "DllRegisterServer" : "DllUnregisterServer";
    auto entry = reinterpret_cast<EntryPoint>(dlsym(library, entryName));
    bool ok = false;
    if (!entry) {
        Dialogs::showMessage("FLKAuto.DLL file corrupted");
    } else if (entry() != 0) {
        Dialogs::showMessage(registering ? "Failed to register FLKAuto.DLL" : "Failed to unregister FLKAuto.DLL");
    } else {
        ok = true;
    }
    dlclose(library);
    return ok;
}

bool TRegNS::RegisterInternetExplorer()
{
    bool ok = WriteClassId("http") && WriteClassId("ftp");
    if (ok) {
        Registry reg(RootKey::ClassesRoot);
        ok = reg.OpenKey(QStringLiteral("\\CLSID\\%1\\InprocServer32").arg(kClassId), false)
             && reg.WriteString("ThreadingModel", "Apartment");
        reg.CloseKey();
    }
    if (!ok)
        Dialogs::showMessage("Failed to register Fetchlark with Chromium");
    return ok;
}

} // namespace flk
