// The local Lumivid service as the Qt tests use it: where it listens, its
// control API (reset, scripted answers, what arrived), and a closed port.
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

namespace ClipferryTest {

int servicePort();             // from the devserver fixture's state folder
QString serviceProxy();        // "127.0.0.1:PORT"
QString closedProxy();         // a loopback port nothing listens on
void resetService();
// The next request to `path` gets this answer instead (see devserver/README.md).
void scriptAnswer(const QJsonObject& script);
// The next request to `path` is read whole, then its answer (an empty body)
// held until releaseHeldAnswers().
void holdNextAnswer(const QString& path);
int heldAnswers();
void releaseHeldAnswers();
QJsonArray receivedUploads();
QJsonArray recordedRequests();

}  // namespace ClipferryTest
