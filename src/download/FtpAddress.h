#pragma once
// Where an FTP download goes: the host, port, login and directory named by
// the part of an ftp address before its file name ("ftp://host/pub/files/").
//
// The host part may name a port ("host:2121") and a login
// ("user:secret@host"); they are taken apart here so that the host name
// looked up is only the host. Parts the address does not name stay empty,
// and the caller keeps its own defaults for them.

#include <QString>

namespace flk {

class FtpAddress {
public:
    // Splits `urlBase`: the first "ftp://" (lower case) is removed; the text
    // before the first "/" is the host part (all of it when there is no
    // "/"); the rest is the directory, starting with "/" and keeping its
    // trailing "/" (empty when there is no "/").
    static FtpAddress FromUrlBase(const QString& urlBase);

    QString HostName;    // the host alone
    QString HostDirName; // "/pub/files/"
    QString Port;        // decimal port, empty when the address names none
    QString UserName;    // percent-decoded, empty when none
    QString PassWord;    // percent-decoded, empty when none

private:
    void SplitHostPart(const QString& hostPart);
    void SplitLogin(const QString& login);
};

} // namespace flk
