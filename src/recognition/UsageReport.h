#pragma once

#include "platform/HttpClient.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QTimeZone>
#include <memory>
#include <optional>

class SystemInfo;

// Once per calendar week the application tells its service how much it was used: POST
// base URL + "/v1/hello" with the number of local and cloud recognitions since the last
// accepted report. Reports are due on weekdays (Monday to Friday, Tokyo time) when none was
// accepted yet in the current week (weeks start on Sunday). Every failure is silent and leaves
// the counts for the next launch.
class UsageReport {
public:
    static constexpr const char* kPlatform = "linux";  // the report's "app" member

    // The bundle's version comes from the installed Bundle ("0" when none is known).
    UsageReport(HttpClient& http, const SystemInfo& system);
    ~UsageReport();

    UsageReport(const UsageReport&) = delete;
    UsageReport& operator=(const UsageReport&) = delete;

    // Called once at launch on the main queue: sends at most one report when one is due. A call
    // while a report is under way does nothing.
    void sendHello();

    // ---- the pieces, for tests
    // Asia/Tokyo (the system's zone should that be unknown).
    static QTimeZone helloTimeZone();
    // The Sunday that opens the week of `when` in Tokyo, as "yyyy-MM-dd".
    static QString weekKey(const QDateTime& when);
    // Whether a report is due at `now` given the last accepted one.
    static bool isDue(const QDateTime& now, const std::optional<QDateTime>& lastSent);
    // The report as it would be sent at `now`.
    QJsonObject reportBody(const QDateTime& now) const;

private:
    struct State;

    HttpClient& http_;
    const SystemInfo& system_;
    std::shared_ptr<State> state_;
};
