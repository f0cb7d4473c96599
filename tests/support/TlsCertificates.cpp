#include "TlsCertificates.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace flk::test {
namespace {

const char* const kNames[] = {"good", "expired", "notyet", "otherhost", "untrusted"};
const QString kLocal = QStringLiteral("IP:127.0.0.1,IP:::1,DNS:localhost");

// `openssl ca` with the fewest settings that sign whatever it is given.
const char* const kCaConfig =
    "[ ca ]\ndefault_ca = test\n"
    "[ test ]\ndir = .\ndatabase = ./index.txt\nnew_certs_dir = .\nserial = ./serial\n"
    "default_md = sha256\npolicy = anything\nunique_subject = no\n"
    "[ anything ]\ncommonName = supplied\n";

bool WriteText(const QString& path, const QByteArray& text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}

QByteArray ReadText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TlsCertificates::TlsCertificates()
{
    if (!m_dir.isValid()) {
        m_error = "cannot create a temporary folder";
        return;
    }
    const bool ok = MakeAuthority("ca") && MakeAuthority("rogue")
                    && MakeServer(Good, "ca", kLocal, {"-days", "30"})
                    && MakeServer(Expired, "ca", kLocal, {"-startdate", "20200101000000Z", "-enddate", "20210101000000Z"})
                    && MakeServer(NotYetValid, "ca", kLocal,
                                  {"-startdate", "20900101000000Z", "-enddate", "20910101000000Z"})
                    && MakeServer(OtherHost, "ca", "DNS:other.example", {"-days", "30"})
                    && MakeServer(Untrusted, "rogue", kLocal, {"-days", "30"});
    if (!ok && m_error.isEmpty())
        m_error = "openssl failed";
    QDir(m_dir.path()).mkdir("nodir");
}

TlsCertificates::~TlsCertificates()
{
    if (!m_trusting)
        return;
    if (m_hadFile)
        qputenv("SSL_CERT_FILE", m_savedFile);
    else
        qunsetenv("SSL_CERT_FILE");
    if (m_hadDir)
        qputenv("SSL_CERT_DIR", m_savedDir);
    else
        qunsetenv("SSL_CERT_DIR");
}

void TlsCertificates::TrustTestAuthority()
{
    if (!m_trusting) {
        m_hadFile = qEnvironmentVariableIsSet("SSL_CERT_FILE");
        m_savedFile = qgetenv("SSL_CERT_FILE");
        m_hadDir = qEnvironmentVariableIsSet("SSL_CERT_DIR");
        m_savedDir = qgetenv("SSL_CERT_DIR");
        m_trusting = true;
    }
    qputenv("SSL_CERT_FILE", AuthorityFile().toLocal8Bit());
    qputenv("SSL_CERT_DIR", m_dir.filePath("nodir").toLocal8Bit());
}

QString TlsCertificates::AuthorityFile() const { return m_dir.filePath("ca.pem"); }
QString TlsCertificates::PemFile(Kind kind) const { return m_dir.filePath(QString(kNames[kind]) + ".pem"); }
QString TlsCertificates::CertificateFile(Kind kind) const { return m_dir.filePath(QString(kNames[kind]) + ".crt"); }
QString TlsCertificates::KeyFile(Kind kind) const { return m_dir.filePath(QString(kNames[kind]) + ".key"); }

bool TlsCertificates::Run(const QStringList& args)
{
    QProcess p;
    p.setWorkingDirectory(m_dir.path());
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start("openssl", args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        m_error = "openssl " + args.first() + ": " + QString::fromLocal8Bit(p.readAll()) + p.errorString();
        return false;
    }
    return true;
}

bool TlsCertificates::MakeAuthority(const QString& name)
{
    return Run({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout",
                name + ".key", "-out", name + ".pem", "-subj", "/CN=Fetchlark test authority " + name, "-days",
                "3650"});
}

bool TlsCertificates::MakeServer(Kind kind, const QString& authority, const QString& names, const QStringList& dates)
{
    const QString base = kNames[kind];
    if (!WriteText(m_dir.filePath("ca.cnf"), kCaConfig) || !WriteText(m_dir.filePath("index.txt"), "")
        || !WriteText(m_dir.filePath("serial"), QByteArray::number(10 + kind) + "\n")
        || !WriteText(m_dir.filePath(base + ".ext"), "basicConstraints=CA:FALSE\nsubjectAltName=" + names.toLatin1() + "\n"))
        return false;
    if (!Run({"req", "-new", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout",
              base + ".key", "-out", base + ".csr", "-subj", "/CN=" + names.section(',', 0, 0).section(':', 1)})
        || !Run(QStringList{"ca", "-batch", "-config", "ca.cnf", "-cert", authority + ".pem", "-keyfile",
                            authority + ".key", "-in", base + ".csr", "-out", base + ".crt", "-extfile",
                            base + ".ext", "-notext"}
                + dates))
        return false;
    return WriteText(m_dir.filePath(base + ".pem"), ReadText(m_dir.filePath(base + ".crt")) + ReadText(m_dir.filePath(base + ".key")));
}

} // namespace flk::test
