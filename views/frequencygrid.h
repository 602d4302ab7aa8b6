#pragma once

#include "scans/parameternames.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <memory>

class QButtonGroup;
class QCheckBox;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
struct CurveRecord;

// The harmonic selection of one quantity at one sensor frequency: a column
// per harmonic ("H:1", "H:2", ...) with one check box, or two for a quantity
// of two components (magnitude and phase, or real and imaginary part).
// Ticking or clearing a box asks the tab, through optionSelected, to add or
// remove the live curve of that component and harmonic; the grid reads no
// data and draws nothing.
// GUI thread only; owned by its Qt parent or by the tab that shows it. It
// owns its button groups; its boxes and layouts are Qt children. The curve
// records it is handed belong to the tab and are read only while the
// columns are built.
class FrequencyGrid : public QWidget
{
    Q_OBJECT

public:
    // The rows a quantity gets.
    enum LayoutKind { NoRows, SingleRow, MagnitudeAndPhase, RealAndImaginary };

    // What the last box press reported.
    struct Selection {
        bool checked = false;
        valueType type = Voltage;
        int harmonic = 0;
        int frequency = 0;
    };

    FrequencyGrid(valueType type, const QList<CurveRecord*>& curves, int frequency,
                  const QString& serialNumber, QWidget* parent = nullptr);
    ~FrequencyGrid() override;

    static LayoutKind layoutKindFor(int type);

    // Builds `count` columns, ticks the harmonics that already have a curve
    // of this quantity at this sensor and frequency (emitting nothing), and
    // installs the rows. Called once, after construction.
    void setHarmonicCount(int count);
    // Sets the top box of column `index` and reacts as to a click on it;
    // false (and nothing changes) when there is no such box.
    bool selectHarmonic(int index, bool state);

    LayoutKind layoutKind() const { return m_kind; }
    int harmonicCount() const { return m_harmonicCount; }
    const Selection& lastSelection() const { return m_selection; }
    // The quantity ids the top and the bottom boxes report.
    valueType topType() const;
    valueType bottomType() const;

signals:
    void optionSelected(bool checked, valueType type, int harmonic, int frequency);

public slots:
    void topPressed(int id);
    void bottomPressed(int id);

protected:
    void changeEvent(QEvent* event) override;

private:
    struct Row {
        QList<QCheckBox*> boxes;
        std::unique_ptr<QButtonGroup> group;
        QGroupBox* box = nullptr;
        QHBoxLayout* layout = nullptr;
    };

    void setupForm();
    void retranslateForm();
    void createRow(Row& row, const QString& title);
    void addColumn(Row& row, int index);
    void restoreCheckStates();
    void pressed(const Row& row, valueType type, int id);
    bool hasBottomRow() const { return m_kind == MagnitudeAndPhase || m_kind == RealAndImaginary; }

    valueType m_type;
    LayoutKind m_kind;
    QList<CurveRecord*> m_curves;
    int m_frequency;
    QString m_serialNumber;
    int m_harmonicCount = 0;
    Row m_top;
    Row m_bottom;
    QGridLayout* m_grid = nullptr;
    Selection m_selection;
};
