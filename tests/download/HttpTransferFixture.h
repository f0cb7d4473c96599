#pragma once
// Download dialogs fetching over HTTP: the catalogue fixture of the dialog's
// tests plus helpers to point a dialog at an address, run Download to its
// end, and script replies for the loopback scripted server.

#include "AskerFixture.h"
#include "NetTestUtil.h"
#include "ScriptedHttpServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

namespace flk::test {

class HttpTransferTest : public AskerTest {
protected:
    // A shown dialog that will fetch `url` into Programs / Utilities / `name`.
    TfrmAsker* OpenFor(const QString& url, const QString& name = QStringLiteral("setup.zip"))
    {
        TfrmAsker* a = Open(name);
        a->SourceUrl = url;
        a->edtSource->setEditText(url);
        a->show();
        QObject::connect(a->dg, &TAnotherGauge::OnChange, a, [this](qint64 v) { gaugeValues.append(v); });
        return a;
    }

    QString Target(const QString& name = QStringLiteral("setup.zip")) const
    {
        return home.path() + QStringLiteral("Programs/Utilities/") + name;
    }

    // Presses Download and waits until the dialog is Idle again.
    bool Download()
    {
        asker->cmdOK->click();
        const bool idle = PumpFor([this] { return !asker || !asker->IsBusy(); });
        PumpFor([] { return false; }, 30); // what the end posted (an Exit, a close) runs too
        // A closed dialog deletes itself later, as the event loop would.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return idle;
    }

    QStringList Log() const
    {
        QStringList lines;
        for (int i = 0; i < asker->ListBox1->count(); ++i)
            lines << asker->ListBox1->item(i)->text();
        return lines;
    }

    static QByteArray ReadFile(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    static void WriteFile(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

    // Bytes that differ from offset to offset, so a misplaced block shows.
    static QByteArray Pattern(qint64 size, qint64 from = 0)
    {
        QByteArray b(size, Qt::Uninitialized);
        for (qint64 i = 0; i < size; ++i)
            b[i] = static_cast<char>('A' + (from + i) * 7 % 53);
        return b;
    }

    static QByteArray HeadReply(qint64 length)
    {
        return "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: "
            + QByteArray::number(length) + "\r\n\r\n";
    }

    static QByteArray WholeReply(const QByteArray& body)
    {
        return HeadReply(body.size()) + body;
    }

    static QByteArray PartialReply(qint64 first, qint64 total, const QByteArray& body)
    {
        return "HTTP/1.1 206 Partial Content\r\nContent-Length: " + QByteArray::number(body.size())
            + "\r\nContent-Range: bytes " + QByteArray::number(first) + "-"
            + QByteArray::number(first + body.size() - 1) + "/" + QByteArray::number(total) + "\r\n\r\n" + body;
    }

    // The reply with its header and its body in two writes, `pauseMs` apart.
    static ScriptedHttpServer::Reply Separately(const QByteArray& reply, int pauseMs = 100)
    {
        const qsizetype body = reply.indexOf("\r\n\r\n") + 4;
        ScriptedHttpServer::Reply r{reply.left(body)};
        r.later = {reply.mid(body)};
        r.pauseMs = pauseMs;
        return r;
    }

    // A body in chunks of `size` bytes, framed as "Transfer-Encoding: chunked".
    static QByteArray Chunked(const QByteArray& body, qsizetype size)
    {
        QByteArray framed;
        for (qsizetype at = 0; at < body.size(); at += size) {
            const QByteArray part = body.mid(at, size);
            framed += QByteArray::number(part.size(), 16) + "\r\n" + part + "\r\n";
        }
        return framed + "0\r\n\r\n";
    }

    // The first value the gauge showed after Download reset it to 0.
    qint64 FirstGaugeValue() const
    {
        for (qint64 v : gaugeValues)
            if (v != 0)
                return v;
        return 0;
    }

    QList<qint64> gaugeValues;
};

} // namespace flk::test
