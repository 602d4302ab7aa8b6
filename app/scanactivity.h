#pragma once

#include <QObject>
#include <QSet>

#include <memory>

class KeepAwake;

// Which sources (the acquisition tabs, the overview) report a running scan.
// Keep-awake is held while any source is active, so that one tab stopping
// does not let the system sleep during another tab's scan. GUI thread only;
// owns the keep-awake, not the sources (a destroyed source counts as stopped).
class ScanActivity : public QObject
{
    Q_OBJECT

public:
    explicit ScanActivity(std::unique_ptr<KeepAwake> keepAwake, QObject* parent = nullptr);
    ~ScanActivity() override;

    // A source reports that its scan runs (true) or has stopped (false).
    void report(const QObject* source, bool active);

    bool isAnyActive() const;
    const KeepAwake& keepAwake() const;

private:
    void forget(const QObject* source);
    void applyKeepAwake();

    std::unique_ptr<KeepAwake> keepAwake_;
    QSet<const QObject*> activeSources_;
};
