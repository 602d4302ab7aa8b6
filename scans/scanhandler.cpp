#include "scans/scanhandler.h"

#include "scans/basescan.h"
#include "scans/quantitytree.h"
#include "scans/scanlog.h"

#include <QFileInfo>
#include <QTreeWidget>

ScanHandler* ScanHandler::getInstance()
{
    static ScanHandler* const instance = [] {
        auto* handler = new ScanHandler();
        setScanLogSink([handler](const QString& text) { handler->log(text); });
        return handler;
    }();
    return instance;
}

ScanHandler::ScanHandler()
{
    // Scans travel in queued signals and calls between threads.
    qRegisterMetaType<BaseScan*>("BaseScan*");
    const QList<AutosaveTag>& table = autosaveTagTable();
    m_generalTags = table.mid(0, generalAutosaveTagCount);
    m_tags = m_generalTags;
    m_tags.append(table.mid(generalAutosaveTagCount));
}

ScanHandler::~ScanHandler() = default;

void ScanHandler::log(const QString& text)
{
    emit logMessage(text);
}

void ScanHandler::autosave(BaseScan* scan)
{
    QString failure;
    BaseScan::autosave(scan, m_displayOptions, &failure);
    if (!failure.isEmpty())
        reportAutosaveFailure(scan->name(), failure);
}

void ScanHandler::reportAutosaveFailure(const QString& scanName, const QString& reason)
{
    emit autosaveFailed(scanName, reason);
}

bool ScanHandler::hasData(const BaseScan* scan)
{
    // A scan without trends has nothing to show and is never dereferenced further.
    return scan && !scan->dataSets.empty() && scan->sampleCount(0) > 0;
}

bool ScanHandler::isShown(const BaseScan* scan) const
{
    if (!m_tree)
        return false;
    const auto holds = [this](const QString& text) {
        return !m_tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive, 0).isEmpty();
    };
    // A scan read from a file is listed under its file's name: the same file
    // opened twice is the same scan.
    return holds(scan->name()) || (!scan->filePath.isEmpty() && holds(scan->fileBaseName()));
}

namespace {

// One spelling per file, so that "a/../a/cw.dat" and a link to it are the
// file that is listed.
QString sameFileKey(const QString& path)
{
    const QFileInfo file(path);
    const QString canonical = file.canonicalFilePath();
    return canonical.isEmpty() ? file.absoluteFilePath() : canonical;
}

} // namespace

bool ScanHandler::isFileShown(const QString& path) const
{
    if (!m_tree || path.isEmpty())
        return false;
    const QString key = sameFileKey(path);
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
        if (m_tree->topLevelItem(i)->data(0, SourceFileRole).toString() == key)
            return true;
    return false;
}

QTreeWidgetItem* ScanHandler::show(BaseScan* scan)
{
    if (!m_tree)
        return nullptr;
    QTreeWidgetItem* item = scan->treeItem();
    m_tree->addTopLevelItem(item);
    return item;
}

void ScanHandler::keep(BaseScan* scan)
{
    m_keptScans.append(scan);
    // A scan discarded elsewhere leaves the list before anything reads it again.
    connect(scan, &QObject::destroyed, this, [this, scan] { m_keptScans.removeAll(scan); });
}

void ScanHandler::scanComplete(BaseScan* scan)
{
    if (!scan)
        return;
    bool registered = false;
    if (hasData(scan)) {
        autosave(scan);
        if (!isShown(scan)) {
            if (!scan->dataLimitReached) {
                show(scan);
                keep(scan);
                registered = true;
            }
            emit scanCompleted();
        }
    }
    if (!registered && !m_keptScans.contains(scan)) {
        if (isHeld(scan))
            m_heldScans[scan].leftToDelete = true;
        else
            scan->deleteLater();
    }
    dropBeyondLimit();
}

bool ScanHandler::isHeld(BaseScan* scan) const
{
    const auto held = m_heldScans.constFind(scan);
    return held != m_heldScans.cend() && held->scan == scan;
}

void ScanHandler::holdScan(BaseScan* scan)
{
    if (!scan)
        return;
    // Entries of scans deleted while held go first: their address may be
    // this scan's now.
    for (auto hold = m_heldScans.begin(); hold != m_heldScans.end();)
        hold = hold->scan ? std::next(hold) : m_heldScans.erase(hold);
    Hold& hold = m_heldScans[scan];
    hold.scan = scan;
    ++hold.count;
}

void ScanHandler::releaseScan(BaseScan* scan)
{
    const auto hold = m_heldScans.find(scan);
    if (hold == m_heldScans.end())
        return;
    if (hold->scan == scan && --hold->count > 0)
        return;
    const Hold ended = *hold;
    m_heldScans.erase(hold);
    // A scan deleted meanwhile is only forgotten.
    if (ended.scan && ended.leftToDelete && !m_keptScans.contains(scan))
        scan->deleteLater();
}

bool ScanHandler::isInUse(const BaseScan* scan) const
{
    const auto use = m_scansInUse.constFind(scan);
    return use != m_scansInUse.cend() && use->scan == scan;
}

void ScanHandler::beginUse(const BaseScan* scan)
{
    if (!scan)
        return;
    // Entries of scans deleted while in use go first: their address may be
    // this scan's now.
    for (auto use = m_scansInUse.begin(); use != m_scansInUse.end();)
        use = use->scan ? std::next(use) : m_scansInUse.erase(use);
    Use& use = m_scansInUse[scan];
    use.scan = scan;
    ++use.count;
}

void ScanHandler::endUse(const BaseScan* scan)
{
    const auto use = m_scansInUse.find(scan);
    if (use == m_scansInUse.end() || use->scan != scan || --use->count > 0)
        return;
    m_scansInUse.erase(use);
    // Once whoever used it has returned: it may still hold the scan until then.
    const auto applyLimit = [this] { dropBeyondLimit(); };
    QMetaObject::invokeMethod(this, applyLimit, Qt::QueuedConnection);
}

void ScanHandler::dropBeyondLimit()
{
    // The oldest scans beyond the limit go, but one in use stays until its
    // use ends; it counts among those to go, so no newer scan goes for it.
    int beyond = m_keptScans.size() - std::max(0, m_scanLimit);
    for (int i = 0; beyond > 0 && i < m_keptScans.size(); --beyond) {
        BaseScan* oldest = m_keptScans.at(i);
        if (isInUse(oldest)) {
            ++i;
            continue;
        }
        m_keptScans.removeAt(i);
        disconnect(oldest, &QObject::destroyed, this, nullptr);
        emit getRidOfScan(oldest);
    }
}

void ScanHandler::scanLoaded(BaseScan* scan)
{
    if (!hasData(scan))
        return;
    autosave(scan);
    // Only the same file read twice is the same scan: its name may be that
    // of any other item, a quantity's included.
    if (isFileShown(scan->filePath))
        return;
    if (QTreeWidgetItem* item = show(scan)) {
        if (!scan->filePath.isEmpty())
            item->setData(0, SourceFileRole, sameFileKey(scan->filePath));
    }
    emit scanCompleted();
}

void ScanHandler::scanStarted(BaseScan*) {}

void ScanHandler::scanFailed(BaseScan*) {}
