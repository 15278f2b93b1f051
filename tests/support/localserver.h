#pragma once
// A tiny HTTP server on 127.0.0.1 that runs on the test's own event loop.
// The handler gets the request line (and the whole request head) and returns
// the body; a null body means "never answer". status sets the reply's HTTP
// status line, extraHeaders further header lines.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>
#include <gtest/gtest.h>

class LocalServer
{
public:
    std::function<QByteArray(const QByteArray &)> handler;
    // Optional: the full request head, for cookie checks.
    std::function<QByteArray(const QByteArray &line, const QByteArray &head, QByteArray &headers,
                             int &status)>
        fullHandler;
    QList<QByteArray> requests;
    QList<QByteArray> heads;

    LocalServer()
    {
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost));
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *s = m_server.nextPendingConnection()) {
                auto *buffer = new QByteArray;
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s, buffer] {
                    buffer->append(s->readAll());
                    if (!buffer->contains("\r\n\r\n"))
                        return;
                    const QByteArray line = buffer->left(buffer->indexOf("\r\n"));
                    const QByteArray head = buffer->left(buffer->indexOf("\r\n\r\n"));
                    buffer->clear();
                    requests << line;
                    heads << head;
                    QByteArray headers;
                    int status = 200;
                    const QByteArray body = fullHandler ? fullHandler(line, head, headers, status)
                        : handler                       ? handler(line)
                                                        : QByteArray("");
                    if (body.isNull())
                        return;
                    s->write("HTTP/1.1 " + QByteArray::number(status)
                             + (status == 200 ? " OK" : " Error")
                             + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n"
                             + headers + "Connection: close\r\n\r\n" + body);
                    s->disconnectFromHost();
                });
                QObject::connect(s, &QTcpSocket::disconnected, s, [s, buffer] {
                    delete buffer;
                    s->deleteLater();
                });
            }
        });
    }
    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    QString origin() const { return QStringLiteral("http://127.0.0.1:%1").arg(port()); }
    quint16 port() const { return m_server.serverPort(); }

private:
    QTcpServer m_server;
};
