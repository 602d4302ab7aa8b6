#pragma once

#include "scans/basescan.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

class LiveCurve;
class QAction;
class QActionGroup;
class QTimer;
class QuvixSensor;
class QwtPlotLegendItem;
class ReplotCoalescer;
class SampleRateWidget;
class Ui_overviewTab;
class quvixDisplayWidget;

// One scan started by the overview: its curves (one per enabled frequency of
// its sensor, in frequency order) and the Smith chart line of its first
// frequency. The scan belongs to its sensor and then to the scan handler,
// either of which may delete it at any time: the record only guards it.
struct OverviewScanRecord {
    QPointer<BaseScan> scan;
    int firstLine = 0;
    QList<LiveCurve*> curves; // owned by the record while attached to the plot
};

// The program's first page: one tile per known sensor, and scans of two
// kinds (continuous wave or time-resolved pulse profile) started at once on
// every selected sensor, plotted over time with each frequency's latest
// impedance on a Smith chart. Every scan started here autosaves under the
// tab's folder and name pattern.
// GUI thread only. The sensors' MonitoringUpdate arrives queued from their
// threads; the curves read each scan's data under its own lock. Owns its
// form, records, curves and tiles (through Qt parents); sensors and scans
// are not owned.
class overviewTab : public QWidget
{
    Q_OBJECT

public:
    explicit overviewTab(QWidget* parent = nullptr);
    ~overviewTab() override;

    QSize sizeHint() const override;

    void loadSettings();
    void saveSettings() const;

    // State, for the main window and tests.
    Ui_overviewTab& form() const { return *m_form; }
    const QList<quvixDisplayWidget*>& tiles() const { return m_tiles; }
    const QList<OverviewScanRecord*>& records() const { return m_records; }
    SampleRateWidget& sampleRateSelector() const { return *m_sampleRate; }
    QwtPlotLegendItem& legend() const { return *m_legend; }
    QAction* maximisePlotAction() const { return m_maxPlotAction; }
    QAction* maximiseSmithAction() const { return m_maxSmithAction; }
    const QList<QAction*>& legendActions() const { return m_legendActions; }
    int colourIndex() const { return m_colourIndex; }
    // The tiles selected and available, in the order of the tile list.
    QList<quvixDisplayWidget*> selectionSet() const;
    // Takes out and deletes every unavailable tile whose serial is not in
    // the list.
    void removeUnavailableTilesNotIn(const QList<QString>& serials);

signals:
    void activity(bool active);
    void clearSmithDialog();

public slots:
    virtual void updateSensorList(QList<QuvixSensor*>& sensors);
    void dataUpdate(BaseScan* scan);
    void setLegendPosition(int pos);
    void simpleSmithChanged(bool simple);
    void smithPointsChanged(int points);
    void scan(bool start);
    void updateYaxisLabel(const QString& text);
    void selectNewSaveFolder();
    void setAutosaveName();
    void disableScanButtons(bool scanInProgress);
    void updateUnavailableWidgets(QList<QString> sensors);
    // A sensor the user removed from the known ones: its grey tile goes; a
    // tile of a connected sensor with that serial stays.
    void removeUnavailableTile(const QString& serial);
    void timeResolveScan(bool start);

private slots:
    void contextMenu(const QPoint& pos);
    void maxPlot();
    void minPlot();
    void moveLegend(QAction* action);
    void sensorStopped(bool active);
    void updateTimer();
    void timeResolveTimer();

private:
    void setUpPlot();
    void setUpActions();
    void connectForm();
    void insertTile(quvixDisplayWidget* tile, int position);
    void removeTile(quvixDisplayWidget* tile);
    void clearRecords();
    // Stops every scan of the records and stops listening to their sensors.
    void stopRecordedScans();
    void startRecord(QuvixSensor* sensor, BaseScan* scan);
    void setUpSmithChart();
    void reportActivity(bool active);
    bool anyRecordedScanRunning() const;
    int plottedQuantity() const;
    void followQuantity();
    void fitSmithChart(bool maximised);

    Ui_overviewTab* m_form;
    QList<OverviewScanRecord*> m_records;
    QList<QuvixSensor*> m_listenedSensors;
    QList<quvixDisplayWidget*> m_tiles;
    int m_colourIndex = 0;
    int m_lineTotal = 0;
    QwtPlotLegendItem* m_legend = nullptr; // owned by the plot
    SampleRateWidget* m_sampleRate = nullptr;
    ReplotCoalescer* m_replot = nullptr;
    bool m_activityFlag = false;
    QTimer* m_activityTimer = nullptr;
    QAction* m_maxPlotAction = nullptr;
    QAction* m_maxSmithAction = nullptr;
    QActionGroup* m_legendGroup = nullptr;
    QList<QAction*> m_legendActions;
};
