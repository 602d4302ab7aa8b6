#pragma once

#include "views/waveformsynthesis.h"

#include <QByteArray>
#include <QPointF>
#include <QString>
#include <QWidget>

#include <vector>

class BaseScan;
class QwtPlotCurve;

namespace Ui {
class waveForm;
}

// The instantaneous voltage and current of a scan, rebuilt from its
// harmonic magnitudes and phases: for one fundamental frequency or for all
// of them added, at a picked time or at the newest sample. It can save the
// plot as an image and the points as CSV.
// GUI thread only. It owns its form and curves. Scans are not owned: the
// scan selector holds guarded pointers and drops a scan deleted elsewhere;
// each drawing copies what it needs under the scan's lock.
class waveForm : public QWidget
{
    Q_OBJECT

public:
    explicit waveForm(QWidget* parent = nullptr);
    ~waveForm() override;

    // What its controls and axes need, whatever the samples: beside the
    // data display plot, a hint that grew with its plot's ticks made the
    // main window taller than a laptop screen.
    QSize sizeHint() const override;

    void addScan(BaseScan* scan);
    void removeScan(BaseScan* scan);
    void clear();
    void updateLatest();
    void drawAtTime(BaseScan* scan, double time, bool combined);

    QList<BaseScan*> scans() const;
    const WaveformSamples& samples() const { return m_samples; }
    QPointF lastTimePosition() const { return m_lastTimePosition; }
    QString serialNumber() const { return m_serialNumber; }

public slots:
    void updateTimePosition(QPointF t);
    void exportImage();
    void exportCSV();
    void updateScan(int index);
    void on_frequencySelector_currentIndexChanged(int index);
    void on_combinedFrequencyCheckBox_clicked();

private:
    BaseScan* currentScan() const;
    void dropDeletedScans();
    void showSamples(WaveformSamples samples);
    void emptyCurves();
    // The frequency selector and the combined-frequency box go together:
    // there is a choice only for a scan of several frequencies.
    void showFrequencyChoice(bool several);
    // The CSV export of the points drawn last.
    QByteArray csvText() const;
    // Writes the plot as an image the way the plot library's document
    // renderer does, but tells whether the file was written.
    bool renderPlotTo(const QString& fileName) const;

    Ui::waveForm* ui;
    QwtPlotCurve* m_voltageCurve = nullptr;
    QwtPlotCurve* m_currentCurve = nullptr;
    WaveformSamples m_samples;
    QPointF m_lastTimePosition;
    QString m_serialNumber;
};
