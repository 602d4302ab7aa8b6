#pragma once

#include "platform/keepawake.h"

#include <QProcess>
#include <QString>

// Keep-awake through systemd's idle and sleep inhibitor: while held, a child
// "systemd-inhibit ... sleep infinity" holds the lock; release ends it. Where
// the inhibitor program is missing or fails to start, holding does nothing
// and says so once in the log. GUI thread only; owns its child process.
class InhibitorKeepAwake : public KeepAwake
{
public:
    explicit InhibitorKeepAwake(const QString& inhibitorProgram = QStringLiteral("systemd-inhibit"));
    ~InhibitorKeepAwake() override;

    void hold() override;
    void release() override;
    bool isHeld() const override;

    // True while the inhibitor child runs (false where none is available).
    bool hasInhibitor() const;

private:
    void logUnavailableOnce(const QString& why);

    QString inhibitorProgram_;
    QProcess inhibitor_;
    bool held_ = false;
    bool unavailableLogged_ = false;
};
