#pragma once

#include <QColor>
#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>

class BaseScan;
class QLabel;
class QListWidget;
class QPushButton;
class SmithChartV2;

// The window with a Smith chart of the scans it was given: one list row and
// one chart line per frequency of each scan, in the row's colour, the
// sensor's serial number over the chart, and a button that saves the chart
// as an image. Owners feed live points through addPoint and rebuild it from
// the scans at any time. Closing it, and destroying it, emit workDone;
// owners disconnect from workDone before they let the dialog go.
// GUI thread only. It owns its widgets; the scans are not owned: it holds
// them through guarded pointers, so a scan deleted elsewhere drops out. A
// rebuild copies each scan's series under the scan's lock while the
// sensor's thread may still append to it.
class SmithChartDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SmithChartDialog(QWidget* parent = nullptr);
    ~SmithChartDialog() override;

    void addScan(BaseScan* scan);
    void removeScan(BaseScan* scan);
    void clearScans();
    void rebuild();
    void clear();
    void addPoint(const double& r, const double& x, int line, bool hold);
    void setLineCount(int n);
    void setLineColour(QColor colour, int line);
    void addListRow(const QString& text, QColor colour);
    static QColor rowColour(int i);
    void setPointMarkers(bool on);

    QSize sizeHint() const override;

    // The scans still listed, in list order.
    QList<BaseScan*> scans() const;
    SmithChartV2* chart() const { return m_chart; }

signals:
    void workDone();

public slots:
    void print();
    void simpleSmithChanged(bool simple);
    void smithPointsChanged(int points);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildForm();
    void addScanRows(BaseScan& scan, int& row);
    void addScanPoints(BaseScan& scan, int& row);
    // The chosen name with the chosen filter's suffix when it has none.
    static QString withSuffix(const QString& fileName, const QString& filter);

    QList<QPointer<BaseScan>> m_scans;
    // Restricts a rebuild to the samples from m_intervalStart up to (not
    // including) m_intervalEnd on each scan's time axis; off unless set.
    bool m_restrictInterval = false;
    double m_intervalStart = 0.0;
    double m_intervalEnd = -1.0;

    SmithChartV2* m_chart = nullptr;
    QLabel* m_sensorLabel = nullptr;
    QListWidget* m_listWidget = nullptr;
    QPushButton* m_printButton = nullptr;
};
