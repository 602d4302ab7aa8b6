#include "platform/inhibitorkeepawake.h"

#include <QDebug>
#include <QStandardPaths>

InhibitorKeepAwake::InhibitorKeepAwake(const QString& inhibitorProgram)
    : inhibitorProgram_(inhibitorProgram)
{
    inhibitor_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    inhibitor_.setStandardOutputFile(QProcess::nullDevice());
    QObject::connect(&inhibitor_, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished),
                     [this](int exitCode, QProcess::ExitStatus) {
                         if (held_)
                             logUnavailableOnce(
                                 QStringLiteral("the inhibitor ended with code %1").arg(exitCode));
                     });
}

InhibitorKeepAwake::~InhibitorKeepAwake()
{
    release();
}

void InhibitorKeepAwake::hold()
{
    if (held_)
        return;
    held_ = true;
    const QString program = QStandardPaths::findExecutable(inhibitorProgram_);
    if (!program.isEmpty()) {
        inhibitor_.start(program, {QStringLiteral("--what=idle:sleep"), QStringLiteral("--who=Quvix"),
                                   QStringLiteral("--why=A scan is running"), QStringLiteral("--mode=block"),
                                   QStringLiteral("sleep"), QStringLiteral("infinity")});
        if (inhibitor_.waitForStarted(3000))
            return;
    }
    logUnavailableOnce(program.isEmpty() ? QStringLiteral("%1 not found").arg(inhibitorProgram_)
                                         : QStringLiteral("%1 did not start").arg(program));
}

void InhibitorKeepAwake::logUnavailableOnce(const QString& why)
{
    if (unavailableLogged_)
        return;
    unavailableLogged_ = true;
    qInfo().noquote() << "keep-awake: no sleep inhibitor (" + why + "); the system may idle during scans";
}

void InhibitorKeepAwake::release()
{
    held_ = false;
    if (inhibitor_.state() == QProcess::NotRunning)
        return;
    inhibitor_.terminate();
    if (!inhibitor_.waitForFinished(3000)) {
        inhibitor_.kill();
        inhibitor_.waitForFinished(3000);
    }
}

bool InhibitorKeepAwake::isHeld() const
{
    return held_;
}

bool InhibitorKeepAwake::hasInhibitor() const
{
    return inhibitor_.state() == QProcess::Running;
}
