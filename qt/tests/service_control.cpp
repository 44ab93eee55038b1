// The control API over HTTP with QNetworkAccessManager, waited for in place.
#include "service_control.h"

#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTcpServer>
#include <QTest>

namespace ClipferryTest {

namespace {

QJsonDocument call(const QString& path, const QJsonObject* body) {
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1/_control/%2").arg(servicePort()).arg(path)));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    QNetworkReply* reply = body ? manager.post(request, QJsonDocument(*body).toJson()) : manager.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const QByteArray answer = reply->readAll();
    if (reply->error() != QNetworkReply::NoError) {
        qFatal("control API %s: %s %s", qPrintable(path), qPrintable(reply->errorString()), answer.constData());
    }
    delete reply;
    return QJsonDocument::fromJson(answer);
}

}  // namespace

int servicePort() {
    QFile file(qEnvironmentVariable("CLIPFERRY_DEVSERVER_STATE") + QStringLiteral("/port"));
    if (!file.open(QIODevice::ReadOnly)) qFatal("no devserver port file: is the devserver fixture running?");
    return file.readAll().trimmed().toInt();
}

QString serviceProxy() { return QStringLiteral("127.0.0.1:%1").arg(servicePort()); }

QString closedProxy() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    const quint16 port = server.serverPort();
    server.close();
    return QStringLiteral("127.0.0.1:%1").arg(port);
}

void resetService() {
    const QJsonObject none;
    call(QStringLiteral("reset"), &none);
}

void scriptAnswer(const QJsonObject& script) { call(QStringLiteral("script"), &script); }

void holdNextAnswer(const QString& path) {
    // Long enough for any test step; bounded so that a fault cannot hold it for ever.
    scriptAnswer({{QStringLiteral("path"), path}, {QStringLiteral("hold_ms"), 20000}});
}

int heldAnswers() { return call(QStringLiteral("held"), nullptr).object().value(QStringLiteral("held")).toInt(); }

void releaseHeldAnswers() {
    const QJsonObject none;
    call(QStringLiteral("release"), &none);
}

QJsonArray receivedUploads() { return call(QStringLiteral("uploads"), nullptr).array(); }

QJsonArray recordedRequests() { return call(QStringLiteral("requests"), nullptr).array(); }

}  // namespace ClipferryTest
