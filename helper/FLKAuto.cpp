// The browser helper library. The program loads it to register it with the
// browsers at start and to unregister it at exit, so that downloads are
// handed over only while the program runs.

#include "FLKAuto.h"

#include "HelperIds.h"
#include "HostManifests.h"
#include "Registry.h"

#include <QFileInfo>

#include <dlfcn.h>

namespace {

constexpr std::int32_t S_OK = 0;
constexpr std::int32_t E_FAIL = std::int32_t(0x80004005u);
// Our own registration failing (SELFREG_E_CLASS).
constexpr std::int32_t SELFREG_E_CLASS = std::int32_t(0x80040201u);

// This library's own file.
QString LibraryPath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&DllRegisterServer), &info) == 0 || !info.dli_fname)
        return {};
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
}

QString ClassKey()
{
    return QStringLiteral("\\CLSID\\%1").arg(flk::helper::kClassId);
}

bool RegisterClasses(const QString& libraryPath)
{
    using flk::Registry;
    using flk::RootKey;
    Registry reg(RootKey::ClassesRoot);
    bool ok = reg.OpenKey(ClassKey(), true) && reg.WriteString("", "FLK.IEClickMon");
    ok = ok && reg.OpenKey(ClassKey() + "\\InprocServer32", true) && reg.WriteString("", libraryPath);
    ok = ok && reg.OpenKey(ClassKey() + "\\ProgID", true) && reg.WriteString("", flk::helper::kAutomationObject);
    const QString progId = QStringLiteral("\\%1").arg(flk::helper::kAutomationObject);
    ok = ok && reg.OpenKey(progId, true) && reg.WriteString("", "FLKAutomation Object");
    ok = ok && reg.OpenKey(progId + "\\CLSID", true) && reg.WriteString("", flk::helper::kClassId);
    return ok;
}

bool UnregisterClasses()
{
    flk::Registry reg(flk::RootKey::ClassesRoot);
    const QString progId = QStringLiteral("\\%1").arg(flk::helper::kAutomationObject);
    bool ok = !reg.KeyExists(ClassKey()) || reg.DeleteKey(ClassKey());
    ok = (!reg.KeyExists(progId) || reg.DeleteKey(progId)) && ok;
    return ok;
}

} // namespace

extern "C" std::int32_t DllRegisterServer(void)
{
    const QString library = LibraryPath();
    if (library.isEmpty())
        return E_FAIL;
    const QString host = QFileInfo(library).absolutePath() + '/' + flk::helper::kHostProgram;
    const bool manifests = flk::helper::HostManifests(host).Install();
    const bool classes = RegisterClasses(library);
    return manifests && classes ? S_OK : SELFREG_E_CLASS;
}

extern "C" std::int32_t DllUnregisterServer(void)
{
    const bool manifests = flk::helper::HostManifests::Remove();
    const bool classes = UnregisterClasses();
    return manifests && classes ? S_OK : SELFREG_E_CLASS;
}
