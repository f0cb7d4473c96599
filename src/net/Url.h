#pragma once
// Url: every reading of an address the program makes, in one place. The
// clients, the download dialog and the browser hand-off each read addresses
// in their own historical way; those ways are kept, each under its own name
// here, so that their quirks are visible side by side:
//
// - SplitUrl: the HTTP client's split into scheme, login, host, port, path.
//   An address starting with "/" or "http:" without "//" is a bare path;
//   "mailto:" needs no "//"; text without a scheme is host and path.
// - Resolve: a Location value (or any relative reference) against the
//   address it came from, as browsers do.
// - FileName / Folder: the text after / up to the last "/" (the manager's
//   re-download and a redirection to an ftp address).
// - HandOffFileName: the browser hand-off's name: after the last backslash
//   or colon, then after the last "/", without \ : * ? " < > |.
// - WithoutName: the base of an address, its name taken off.
// - ProtocolBeforeSlash: the characters before the first "/" except the
//   last one ("http" for "http://..."); the hand-off's "IE" kind and a
//   Location use it. RecordedProtocol: "ftp" when a recorded address starts
//   with "ftp", else "http".
// - TransferFor: which transfer fetches a protocol: http and https the HTTP
//   one, everything else the FTP one.
// - SplitFtpBase: host, port, login and folder of an ftp address's base.

#include <QString>
#include <QStringList>

namespace flk {

// Parts of an address; all empty for an empty address.
struct TUrlParts {
    QString Proto, User, Pass, Host, Port, Path;
};

// Where an FTP download goes, from the address without its file name
// ("ftp://user:pw@host:2121/pub/files/").
struct TFtpTarget {
    QString HostName;    // the host alone (an IPv6 literal without brackets)
    QString HostDirName; // "/pub/files/": starts with "/", keeps the trailing "/"; percent-decoded
    QString Port;        // decimal port, empty when the address names none
    QString UserName;    // percent-decoded, empty when none
    QString PassWord;    // percent-decoded, empty when none
    // The folder as a path relative to a login folder: its segments,
    // percent-decoded, empty ones dropped; FromRoot when it starts with
    // "%2F", which names the server's root.
    QStringList Folders;
    bool FromRoot = false;
};

enum class TTransfer { Http, Ftp };

class Url {
public:
    // ---- the HTTP client ----
    static TUrlParts SplitUrl(const QString& url);
    // The port a scheme uses when the address names none ("80" for http).
    static QString DefaultPort(const QString& scheme);
    // The name of the document a path names: "document.htm" for an empty
    // path or "/"; else the last segment (one trailing "/" dropped), at
    // most 255 characters, cut at its first "?".
    static QString DocName(const QString& path);
    // A path (with its query) as it goes into a request line: the fragment
    // dropped, every character HTTP does not allow there percent-encoded as
    // UTF-8, existing "%XX" escapes kept; "/" when empty.
    static QString RequestTarget(const QString& path);

    // ---- relative references ----
    // `reference` resolved against the absolute address `base`: an address
    // with a scheme stays as it is; "//host/..." takes base's scheme; "/..."
    // base's scheme and authority; "?..." replaces base's query; anything
    // else is relative to base's folder. Dot segments are removed. When base
    // has no scheme and authority, the reference is returned unchanged.
    static QString Resolve(const QString& base, const QString& reference);
    // "scheme://authority" of an absolute address; empty when it has none.
    static QString Origin(const QString& url);
    // Both addresses belong to one site: the same scheme, host and port
    // (a missing port is the scheme's own; case does not count). Addresses
    // without a host are never the same site.
    static bool SameSite(const QString& a, const QString& b);

    // ---- file name, base and protocol ----
    static QString FileName(const QString& url); // after the last "/" (all of it when none)
    static QString Folder(const QString& url);   // up to and including the last "/"
    static QString HandOffFileName(const QString& address);
    // `address` with `name` taken off where it last occurs (so a name that is
    // also part of the host or folder cannot cut them); unchanged when the
    // name is empty or not found.
    static QString WithoutName(const QString& address, const QString& name);
    static QString ProtocolBeforeSlash(const QString& address);
    static QString RecordedProtocol(const QString& address);
    static TTransfer TransferFor(const QString& protocol);

    // ---- ftp ----
    // The first "ftp://" (lower case) is removed; the text before the first
    // "/" is the host part (all of it when there is no "/"), which may carry
    // "user:password@" and ":port"; the rest is the folder.
    static TFtpTarget SplitFtpBase(const QString& urlBase);
    // "%XX" escapes of an address part (a file or folder name) as the UTF-8
    // text they stand for: the name the server knows; other text unchanged.
    static QString PercentDecoded(const QString& text);
};

} // namespace flk
