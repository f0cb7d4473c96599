#pragma once
// Automation servers by program id ("Netscape.Registry.1"). This desktop has
// no automation system, so creating an object fails with EOleError unless a
// server was installed for the id (tests install one to stand for a browser
// that offers it).

#include <QString>
#include <functional>
#include <memory>
#include "Exception.h"

namespace flk {

class EOleError : public Exception {
public:
    using Exception::Exception;
};

// The one automation interface the program calls: Netscape's registry.
class TNetscapeRegistry {
public:
    virtual ~TNetscapeRegistry() = default;
    virtual bool RegisterProtocol(const QString& protocol, const QString& automationObject) = 0;
};

class OleAutomation {
public:
    using Factory = std::function<std::unique_ptr<TNetscapeRegistry>()>;

    // Raises EOleError when no server answers to `progId`.
    static std::unique_ptr<TNetscapeRegistry> CreateOleObject(const QString& progId);
    // Installs a server for `progId`; an empty factory removes it.
    static void InstallServer(const QString& progId, Factory factory);
};

} // namespace flk
