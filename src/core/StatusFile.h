#pragma once

#include <QString>

// The status records that support and the status document read: the last transcription, the last
// service error. This base records nothing.
class StatusFile {
public:
    virtual ~StatusFile() = default;
    virtual void noteTranscribed() {}
    virtual void noteAPIError(const QString& /*message*/) {}
    virtual void refresh() {}
};
