#pragma once

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

class Permissions;

// The content of status.json: what the running application is, whether it can work, what is
// wrong and how to fix it, its main settings and the last service outcome. Every section reads
// its sources at the moment of the call (main thread).
namespace StatusDocument {

// The whole document without `updatedAt` (the writer adds that). Permissions are read once, so
// `permissions`, `ready` and `issues` always agree. A null `permissions` reports every state as
// "notDetermined".
QJsonObject build(Permissions* permissions, const QDateTime& startedAt);

// {"accessibility", "inputMonitoring", "microphone"} → "granted" | "denied" | "restricted" | "notDetermined".
QJsonObject permissions(Permissions* permissions);
// True when every member of `permissions` is "granted".
bool isReady(const QJsonObject& permissions);
// The problems with their explanation, hint and a command to run, in a fixed order; a permission
// member that is missing counts as not granted.
QJsonArray issues(const QJsonObject& permissions);
// The bundle's short version, "dev" when there is none.
QString version();
QJsonObject settingsSnapshot();
QJsonObject cloudSection();
QJsonObject paths();

// ISO 8601 in UTC with whole seconds: "2026-12-06T21:39:08Z".
QString timestamp(const QDateTime& when);
// A stored property-list value as JSON: dates become time stamps, data base64; nothing fails.
QJsonValue jsonValue(const QVariant& stored);

// The online documentation.
inline constexpr const char* kDocsURL = "https://quendle.invalid/docs";

}  // namespace StatusDocument
