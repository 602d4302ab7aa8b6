#pragma once

#include "scans/autosavetag.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class BaseScan;
class CsvColumnOptions;
class QTreeWidget;
class QTreeWidgetItem;

// The registry of finished scans: autosaves completed scans, shows them in
// the main window's scan tree and keeps at most scanLimit() of them, handing
// the oldest back through getRidOfScan to be discarded (one in use only
// once its use ends, beginUse). Lives on the GUI thread; its slots run there
// (sensor threads reach them queued). It never deletes a kept scan itself;
// completed scans it does not register (no data, data limit, a name already
// shown) are deleted once the events queued with them have run, unless held
// (holdScan). A loaded scan it does not show (no data, its file already
// listed) stays its caller's. log() may be called from any thread.
class ScanHandler : public QObject
{
    Q_OBJECT

public:
    // The process's registry, built on first use (on the GUI thread). It
    // takes over the scans' log lines.
    static ScanHandler* getInstance();
    // A registry of its own (tests); the process one is getInstance().
    ScanHandler();
    ~ScanHandler() override;

    const QList<AutosaveTag>& autosaveTags() const { return m_tags; }
    int scanLimit() const { return m_scanLimit; }
    void setScanLimit(int limit) { m_scanLimit = limit; }
    void log(const QString& text);

    // Not owned; set by the main window.
    void setScanTree(QTreeWidget* tree) { m_tree = tree; }
    void setDisplayOptions(const CsvColumnOptions* options) { m_displayOptions = options; }
    const QList<BaseScan*>& keptScans() const { return m_keptScans; }

    // Whether a scan has samples to show; one without is never listed.
    static bool hasData(const BaseScan* scan);
    // Whether a scan read from this very file is listed (a top-level item of
    // the tree); files of the same name in other folders are other scans.
    // Callers ask before reading a file, so nothing is read twice. GUI
    // thread.
    bool isFileShown(const QString& path) const;

    // A held scan that completes without being kept is not deleted then:
    // whoever holds it may still save it. Holds nest (a tab's and its save's,
    // see ScanHold); the last release deletes it if it was left so; a kept
    // scan is left alone, and a scan deleted meanwhile is forgotten. GUI
    // thread.
    void holdScan(BaseScan* scan);
    void releaseScan(BaseScan* scan);
    bool isHeld(BaseScan* scan) const;

    // A scan in use (a dialog or menu about it is open, see ScanInUse) is
    // not handed out by the limit: it stays listed beyond it until its last
    // use ends, when the limit is applied again at the next turn of the
    // event loop. Uses nest; a scan deleted meanwhile is forgotten. GUI
    // thread.
    void beginUse(const BaseScan* scan);
    void endUse(const BaseScan* scan);
    bool isInUse(const BaseScan* scan) const;

    // Tells the user's side that an autosave failed (the scan's name in the
    // tree and why); the scan stays unsaved. GUI thread.
    void reportAutosaveFailure(const QString& scanName, const QString& reason);

signals:
    void logMessage(const QString& text);
    void scanCompleted();
    void getRidOfScan(BaseScan* scan);
    void autosaveFailed(const QString& scanName, const QString& reason);

public slots:
    void scanLoaded(BaseScan* scan);
    void scanComplete(BaseScan* scan);
    void scanStarted(BaseScan* scan);
    void scanFailed(BaseScan* scan);

private:
    void autosave(BaseScan* scan);
    bool isShown(const BaseScan* scan) const;
    QTreeWidgetItem* show(BaseScan* scan);
    void keep(BaseScan* scan);
    void dropBeyondLimit();

    QTreeWidget* m_tree = nullptr;
    QList<AutosaveTag> m_generalTags;
    QList<AutosaveTag> m_tags;
    QList<BaseScan*> m_keptScans;
    struct Hold {
        QPointer<BaseScan> scan;
        int count = 0;
        bool leftToDelete = false;
    };
    // Held scans; an entry whose scan is gone is stale and ignored.
    QHash<BaseScan*, Hold> m_heldScans;
    struct Use {
        QPointer<const BaseScan> scan;
        int count = 0;
    };
    // Scans in use, each with its number of uses; an entry whose scan is
    // gone is stale and ignored.
    QHash<const BaseScan*, Use> m_scansInUse;
    int m_scanLimit = 30;
    const CsvColumnOptions* m_displayOptions = nullptr;
};
