#pragma once

#include <QStringList>
#include <QtGlobal>

// Collects the debug log while alive (one at a time, test thread only).
class DebugLog
{
public:
    DebugLog() { m_previous = qInstallMessageHandler(&DebugLog::record); }
    ~DebugLog() { qInstallMessageHandler(m_previous); }
    DebugLog(const DebugLog&) = delete;
    DebugLog& operator=(const DebugLog&) = delete;

    static QStringList& lines()
    {
        static QStringList collected;
        return collected;
    }

private:
    static void record(QtMsgType, const QMessageLogContext&, const QString& message)
    {
        lines().append(message);
    }

    QtMessageHandler m_previous = nullptr;
};
