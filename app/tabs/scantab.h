#pragma once

#include "scans/basescan.h"
#include "views/curverecord.h"

#include <QList>
#include <QMargins>
#include <QPointer>
#include <QString>
#include <QVector>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class DisplaySettings;
class FileTaskQueue;
class NumberField;
class autoStartDialog;
class MeterRows;
class FrequencyGrid;
class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QTimer;
class QuvixSensor;
class QwtPlot;
class QwtPlotCurve;
class QwtPlotZoomer;
class ReplotCoalescer;
class SampleRateWidget;
class ScanFileTask;
class SmithChartDialog;
class Ui_scanTab;
class barchart;
class waveForm;

// An acquisition tab: the user picks one connected sensor, chooses its
// frequencies and harmonics, starts and stops scans on it and watches them
// live. Derived tabs replace the virtual operations, in their declared
// order, to record other kinds of scan.
// GUI thread only. Owns its form, plot, button groups, bar chart, Smith
// chart dialog and floating windows; the display settings, the sensors and
// the scans are not owned (scans belong to their sensor, then the scan
// handler, and are only guarded here).
class scanTab : public QWidget
{
    Q_OBJECT

public:
    explicit scanTab(DisplaySettings* settings, QWidget* parent = nullptr);
    ~scanTab() override;

    // The main window's file work, where Save File writes the scan's files
    // while the window keeps working; without it (a tab on its own) they are
    // written before saveScan returns. Not owned.
    void setFileTasks(FileTaskQueue* tasks);
    void setAutosaveConfig(bool on, QString folder, QString title);
    QString autosaveTitle() const { return m_autosaveTitle; }
    QString autosaveFolder() const { return m_autosaveFolder; }
    bool isAutosaveOn() const;
    // Writes this tab's autosave name pattern and on/off state as the shared
    // ones (the main window's settings save does, after a save or export).
    void storeAutosaveChoice();
    void updateSensorCheckState();
    void updateMeterView();
    QCheckBox* meterCheckBox(int i) const;
    QLabel* meterLabel(int i) const;

    // State, for the main window and tests.
    Ui_scanTab& form() const { return *m_form; }
    QuvixSensor* activeSensor() const { return m_activeSensor; }
    BaseScan* currentScan() const { return m_currentScan; }
    SampleRateWidget& rateSelector() const { return *m_rateWidget; }
    SmithChartDialog& smithDialog() const { return *m_smithDialog; }
    barchart& barChart() const { return *m_barChart; }
    waveForm& waveWindow() const { return *m_waveWindow; }
    QwtPlot& plot() const { return *m_plot; }
    QComboBox* frequencyCombo() const { return m_frequencyCombo; }
    const QList<QComboBox*>& harmonicCombos() const { return m_harmonicCombos; }
    const QList<QLabel*>& harmonicLabels() const { return m_harmonicLabels; }
    QButtonGroup& frequencyButtons() const { return *m_frequencyButtons; }
    const QList<CurveRecord*>& curves() const { return m_curveRecords; }
    const QVector<int>& meterIds() const { return m_meterIds; }
    MeterRows& meterRows() const { return *m_meterRows; }
    QGroupBox& harmonicBox() const { return *m_harmonicBox; }
    FrequencyGrid* frequencyGrid() const { return m_frequencyGrid; }
    bool isControlPanelExpanded() const { return m_panelExpanded; }

signals:
    void activity(bool active);
    // A line for the main window's status line, about what the tab could
    // not do where no dialog is asked for.
    void statusMessage(const QString& text);

public slots:
    virtual void setActiveSensor(QuvixSensor* sensor);
    virtual void updateSensorList(QList<QuvixSensor*>& sensors);
    virtual void startScan();
    virtual void stopScan();
    virtual void curveDisplayControl(bool drawRemove, valueType type, int harmonic, int frequency);
    virtual void scanUpdate(BaseScan* scan);
    virtual void monitorUpdate(BaseScan* scan, int trend = 0);
    virtual void showScanConfiguration(bool checked);
    virtual void showScanControl(bool checked);
    virtual void showParamViewBox(bool checked);
    virtual BaseScan* createScan();
    virtual void setControlPanelExpanded(bool show);

    void checkActivity(bool active);
    void sensorListSelected(int index);
    void setLegendPosition(int pos);
    void dispFrequencyChanged(int index);
    void configureSensor();
    void saveScan();
    void scanComplete(BaseScan* scan);
    void setSignalLock();
    void viewHarmonicWidget(int id);
    void toggleSmith(bool on);
    void toggleBar(bool on);
    void toggleMonitor(bool on);
    void toggleWaveform(bool on);
    void toggleIF(bool on);
    void setSensorNickname();
    void barClosed();
    void smithClosed();
    void meterClosed();
    void waveformClosed();
    void updateIFFactors();
    void CheckZoom(QRectF rect);
    void harmonicSelected(bool checked, valueType type, int harmonic, int frequency);
    void sensorReconfigured();
    void thAcquisitionStarted();
    void thAcquisitionStopped();
    void showScanError(int errorCode);
    void autoStartConfiguration();
    void setAutosave(bool on);
    void showSensorConfig(bool checked);
    void setCurScan(bool running);
    bool getCurScan() const;
    void disableScanButtons(bool scanInProgress);
    void clearScanInfo(BaseScan* scan);
    void clearSmithDialog();
    void connectAutoScan();

private slots:
    void activityTimer();
    void newAutoStart(QuvixSensor* sensor);
    void togglePulse(bool on);
    void resetEnergy();
    void updatePulseConfig();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

    // The entries of the base form a start reads: the duration (empty: no
    // end) and the ion-flux factors, in the order setIonFluxFactors takes them.
    NumberField durationField() const;
    QList<NumberField> ionFluxFields() const;
    // Whether every field holds a number it takes. Otherwise the first that
    // does not is shown, said with its range in a message, and given the
    // cursor: nothing is to start.
    bool entriesAccepted(const QList<NumberField>& fields);
    // Makes a field of a hidden row or a folded section visible.
    void revealEntry(QLineEdit& edit);
    // Whether the bound sensor is still there to start on; a sensor gone
    // since it was bound is named in the status line.
    bool sensorStillThere();
    // The factors, where all three hold numbers their fields take.
    void applyIonFluxFactors(BaseScan& scan) const;
    // Gives the started scan the tab's autosave target and duration, hands
    // it to the sensor's loop and listens for its end.
    void queueOnSensor(QuvixSensor* sensor, BaseScan* scan);
    // The scan this tab started or completed last; guarded, as the scan
    // handler may delete it at any time. The tab holds it at the handler, so
    // that a scan the handler does not keep can still be saved, until
    // another becomes current or releaseCurrentScan.
    void setCurrentScan(BaseScan* scan);
    void releaseCurrentScan();
    void removeAllCurves();
    void removeCurve(valueType type, int harmonic, int frequency);
    // The title of a new curve of the active sensor showing `quantity`;
    // empty without a checked frequency button or an active sensor, when
    // there is nothing the curve could be named after or follow.
    QString newCurveTitle(const QString& quantity, int harmonic) const;
    // Records the curves drawn for the active sensor (the tab owns the
    // record and its curves from then on) and replots.
    void keepCurveRecord(valueType type, int harmonic, int frequency, QwtPlotCurve* firstCurve,
                         QwtPlotCurve* secondCurve);
    void loadSettings();
    void saveSettings() const;
    void reportActivity(bool active);
    void setScanControlsEnabled(bool idle);
    // Builds and queues the triggered scan of the dialog's values on the
    // active sensor; false when nothing started (no frequency to watch, or
    // the tab turned to another sensor while it asked for the target).
    bool startAutoScan(autoStartDialog* dialog);
    // Live views: the curves of the scan's sensor take its new samples, the
    // Smith chart the newest impedance of each frequency.
    void feedLiveCurves(BaseScan& scan);
    void addSmithPoints(BaseScan& scan);
    bool wasStartedHere(const QString& serialNumber) const;
    // Each shown meter box is ticked while a curve of the active sensor
    // draws its quantity at the displayed frequency.
    void refreshMeterChecks();
    void rebuildFrequencyGrid(valueType type);
    void placeHarmonicBox();
    void removeCurvesBelongingTo(int parameter);
    // The meter grid again in the width last given to the parameter view, as
    // what the section holds changed.
    void refitMeterGrid();
    // The parameter view's largest size while expanded: wider and taller
    // than usual where the meter grid needs it.
    QSize expandedParameterViewSize() const;
    // The sensor's pulse monitoring, its switch and its threshold and trim
    // rows, is not offered here: they stay hidden whatever the sensor's
    // firmware or state. For the tabs of pulse scans.
    void withdrawPulseMode();

    Ui_scanTab* m_form;
    DisplaySettings* m_displaySettings;
    QwtPlot* m_plot;
    QuvixSensor* m_activeSensor = nullptr;
    QList<QuvixSensor*> m_startedSensors;
    QButtonGroup* m_frequencyButtons;
    QButtonGroup* m_meterButtons;
    QList<QLabel*> m_harmonicLabels;
    QList<QComboBox*> m_harmonicCombos;
    QComboBox* m_frequencyCombo = nullptr;
    QList<CurveRecord*> m_curveRecords;
    std::vector<std::vector<bool>> m_harmonicFlags;
    int m_displayedFrequency = 0;
    QPointer<BaseScan> m_currentScan;
    QPointer<BaseScan> m_heldScan;
    bool m_scanRunning = false;
    // True while a scan of a sensor no longer chosen in the list ends.
    bool m_otherSensorFinished = false;
    bool m_activityValue = false;
    QTimer* m_activityTimer;
    int m_lockMode = 0;
    QString m_autosaveFolder;
    QString m_autosaveTitle;
    QString m_savePath;
    // The shared settings as this tab last read or wrote them: a value still
    // equal to them was not changed here and is not written back over a
    // newer choice made in another tab (saveSettings).
    QString m_loadedAutosaveFolder;
    QString m_loadedAutosaveTitle;
    bool m_loadedAutosaveState = false;
    int m_colourIndex = 0;
    QGroupBox* m_harmonicBox = nullptr;
    FrequencyGrid* m_frequencyGrid = nullptr;
    SampleRateWidget* m_rateWidget = nullptr;
    barchart* m_barChart = nullptr;
    SmithChartDialog* m_smithDialog = nullptr;
    QWidget* m_meterWindow = nullptr;
    MeterRows* m_meterRows = nullptr;
    QVector<int> m_meterIds;
    QPointer<BaseScan> m_meterScan;
    waveForm* m_waveWindow = nullptr;
    QwtPlotZoomer* m_zoomer = nullptr;
    ReplotCoalescer* m_replot = nullptr;
    bool m_panelExpanded = false;

private:
    void buildPlot();
    void fixMeterSizes();
    // How the parameter view sets its meter slots out: in `columns`
    // columns, each slot's value under its name or beside it, and the view
    // buttons in a column beside the slots or in one or two rows under them.
    struct MeterArrangement {
        int columns = 4;
        bool valuesBeside = false;
        int buttonRowsBelow = 0;
        bool operator==(const MeterArrangement& other) const;
    };
    // Lays the meter slots out in the width the parameter view may take:
    // as many columns as show every slot's text whole, at most four rows of
    // slots, the view buttons beside them; where that does not fit, the
    // buttons under them, then each value beside its name, so that the
    // section stays as low as the sections beside it. Where nothing does,
    // the slots stand in one column, and where even that is too wide, a
    // text that does not fit is cut short with an ellipsis and shown whole
    // in its tool tip.
    void fitMeterGrid(int room);
    // A slot's new text; the grid is laid out again only when it is wider
    // than any the slot has shown since its quantity was chosen: otherwise
    // the slot's label keeps its fixed size and only it repaints.
    void showMeterText(int slot, const QString& text);
    void arrangeMeters(const MeterArrangement& arrangement);
    void placeViewButtons(int rowsBelow);
    void setMeterLabelWidth(int slot, int width);
    bool meterArrangementFits(const MeterArrangement& arrangement, int room);
    std::vector<MeterArrangement> lowArrangements(int fewest, int most) const;
    void squeezeMeterColumns(int columns, int room);
    int meterRowWidth() const;
    void applyMeterText(int slot);
    void connectForm();
    void clearFrequencyControls();
    void bindRates(QuvixSensor& sensor);
    void bindLock(QuvixSensor& sensor);
    void buildFrequencyControls(QuvixSensor& sensor);
    void buildFrequencyButtons(QuvixSensor& sensor, bool wholeKilohertz);
    void applyScanState(QuvixSensor& sensor);
    void feedViewsAgain(QuvixSensor& sensor);
    void restoreCombo(QComboBox* combo);
    void setSectionStyle(QGroupBox* box, bool expanded);
    void applySections();
    void shareWidthWithParameterView();
    static void forgetCachedSizes(QLayout& layout);
    void saveDataLimitScan(BaseScan& scan);
    void finishDataLimitSave(BaseScan& scan, const ScanFileTask& task);
    // A scan whose files were written: its data are freed and the tab lets
    // go of it.
    void freeWrittenScan(BaseScan& scan);
    // Writes the scan's ".dat" file, then its companion CSV file; `finish`
    // takes the result. The scan is held until they have ended.
    using FinishWriting = void (scanTab::*)(BaseScan&, const ScanFileTask&);
    void writeFiles(BaseScan& scan, const QString& datName, FinishWriting finish);
    void runFileTask(std::unique_ptr<ScanFileTask> task, std::function<void(ScanFileTask&)> finished);
    // Save File's result: the scan marked saved once its ".dat" file is
    // written; a name that cannot be created is asked again.
    void finishSaving(BaseScan& scan, const ScanFileTask& task);
    void retryOrWarn(BaseScan& scan, const ScanFileTask& task);
    bool isBeingSaved(const BaseScan* scan) const;
    // Save File is offered for a current scan whose files are not being
    // written already.
    void refreshSaveButton();
    void finishOtherSensorsScan(BaseScan* scan);
    QList<QWidget*> panelWidgets() const;
    int watchedFrequency(int requested) const;
    void askTriggerAutosaveTarget();
    void showTriggerCurves(valueType startId, valueType stopId);
    void lockControlsForTrigger();

    // Per meter slot: its whole text, the widest label width a text of its
    // quantity has needed, the width its text must be cut to (0: none) and
    // the height its label keeps.
    QVector<QString> m_meterTexts;
    QVector<int> m_meterTextWidths;
    QVector<int> m_meterTextRooms;
    QVector<int> m_meterTextHeights;
    // The width the parameter view was last given; 0 before the tab is laid
    // out.
    int m_meterRoom = 0;
    // The form's arrangement at first.
    MeterArrangement m_meterArrangement;
    // The view buttons' rows under the meter slots; empty while they stand
    // beside them. Owned by the parameter view's layout.
    QGridLayout* m_viewButtonsBelow = nullptr;
    // The form's margins of the column the view buttons stand in beside the
    // slots.
    QMargins m_viewButtonMargins;
    bool m_pulseModeOffered = true;
    QPointer<FileTaskQueue> m_fileTasks;
    // Scans whose writes are queued or running, once per write;
    // compared only, each taken out when its write's result is taken.
    std::vector<const BaseScan*> m_scansBeingSaved;
};

// The frequency text of the sensor controls: MHz from 1 MHz up, else kHz.
QString frequencyText(double megahertz, bool wholeKilohertz = false);
// The two-component quantity a component curve belongs to (a gamma, impedance,
// current or voltage part to its polar or complex quantity); any other id
// stands for itself.
int compositeParameterOf(int id);
// Whether a curve of that quantity shows the meter quantity `parameter`.
bool curveShowsParameter(int curveType, int parameter);
