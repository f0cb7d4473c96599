#pragma once
// Certificates for tests of secure connections, made with the openssl tool in
// a temporary folder: a test authority, and server certificates (each file
// holds the certificate and its key, as lighttpd's ssl.pemfile wants):
//   Good        127.0.0.1, ::1 and localhost, signed by the authority, valid now
//   Expired     the same names, valid in 2020 only
//   NotYetValid the same names, valid from 2090
//   OtherHost   other.example only
//   Untrusted   127.0.0.1 and localhost, signed by an authority nobody trusts
// TrustTestAuthority points SSL_CERT_FILE at the test authority (and
// SSL_CERT_DIR at an empty folder) for the object's life.

#include <QString>
#include <QTemporaryDir>

namespace flk::test {

class TlsCertificates {
public:
    enum Kind { Good, Expired, NotYetValid, OtherHost, Untrusted };

    TlsCertificates();
    ~TlsCertificates();
    TlsCertificates(const TlsCertificates&) = delete;
    TlsCertificates& operator=(const TlsCertificates&) = delete;

    bool IsValid() const { return m_error.isEmpty(); }
    QString ErrorText() const { return m_error; }

    QString AuthorityFile() const;     // the trusted test authority (PEM)
    QString PemFile(Kind kind) const;  // certificate and key
    QString CertificateFile(Kind kind) const;
    QString KeyFile(Kind kind) const;

    void TrustTestAuthority();

private:
    bool Run(const QStringList& args);
    bool MakeAuthority(const QString& name);
    bool MakeServer(Kind kind, const QString& authority, const QString& names, const QStringList& dates);

    QTemporaryDir m_dir;
    QString m_error;
    QByteArray m_savedFile, m_savedDir;
    bool m_hadFile = false, m_hadDir = false, m_trusting = false;
};

} // namespace flk::test
