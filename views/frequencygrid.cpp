#include "views/frequencygrid.h"

#include "sensors/quvixsensor.h"
#include "views/curverecord.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>

FrequencyGrid::FrequencyGrid(valueType type, const QList<CurveRecord*>& curves, int frequency,
                             const QString& serialNumber, QWidget* parent)
    : QWidget(parent)
    , m_type(type)
    , m_kind(layoutKindFor(type))
    , m_curves(curves)
    , m_frequency(frequency)
    , m_serialNumber(serialNumber)
{
    setupForm();
    m_top.group = std::make_unique<QButtonGroup>();
    m_bottom.group = std::make_unique<QButtonGroup>();
    m_top.group->setExclusive(false);
    m_bottom.group->setExclusive(false);
    m_selection.frequency = frequency;

    switch (m_kind) {
    case SingleRow:
        createRow(m_top, tr("Harmonics:"));
        break;
    case MagnitudeAndPhase:
        createRow(m_top, tr("Magnitude:"));
        createRow(m_bottom, tr("Phase:"));
        break;
    case RealAndImaginary:
        createRow(m_top, tr("Real:"));
        createRow(m_bottom, tr("Imaginary:"));
        break;
    case NoRows:
        break;
    }
    connect(m_top.group.get(), &QButtonGroup::idClicked, this, &FrequencyGrid::topPressed);
    connect(m_bottom.group.get(), &QButtonGroup::idClicked, this, &FrequencyGrid::bottomPressed);
}

FrequencyGrid::~FrequencyGrid() = default;

FrequencyGrid::LayoutKind FrequencyGrid::layoutKindFor(int type)
{
    switch (type) {
    case Voltage:
    case Current:
    case Phase:
    case Harmonic:
        return SingleRow;
    case ImpedancePolar:
    case GammaPolar:
    case CurrentPolar:
        return MagnitudeAndPhase;
    default:
        return isComplexParameter(type) ? RealAndImaginary : NoRows;
    }
}

valueType FrequencyGrid::topType() const
{
    if (m_type == Harmonic)
        return VoltagePhi;
    if (m_kind == SingleRow || m_kind == NoRows)
        return m_type;
    return static_cast<valueType>(firstComponent(m_type));
}

valueType FrequencyGrid::bottomType() const
{
    if (!hasBottomRow())
        return m_type;
    return static_cast<valueType>(secondComponent(m_type));
}

void FrequencyGrid::setupForm()
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("FrequencyGrid"));
    resize(269, 169);
    retranslateForm();
    QMetaObject::connectSlotsByName(this);
}

void FrequencyGrid::retranslateForm()
{
    setWindowTitle(QCoreApplication::translate("FrequencyGrid", "Form"));
}

void FrequencyGrid::createRow(Row& row, const QString& title)
{
    row.box = new QGroupBox(title, this);
    row.box->setStyleSheet(QStringLiteral("border:0px; padding: 7px,0px,0px,0px"));
    row.layout = new QHBoxLayout;
}

void FrequencyGrid::addColumn(Row& row, int index)
{
    auto* box = new QCheckBox(QStringLiteral("H:%1     ").arg(index + 1), row.box);
    row.layout->addWidget(box);
    row.group->addButton(box, index);
    row.boxes.append(box);
}

void FrequencyGrid::setHarmonicCount(int count)
{
    if (m_kind == NoRows)
        return;
    m_harmonicCount = std::max(0, count);
    for (int i = 0; i < m_harmonicCount; ++i) {
        addColumn(m_top, i);
        if (hasBottomRow())
            addColumn(m_bottom, i);
    }
    restoreCheckStates();

    m_grid = new QGridLayout;
    m_top.box->setLayout(m_top.layout);
    m_grid->addWidget(m_top.box, 1, 1);
    if (hasBottomRow()) {
        m_bottom.box->setLayout(m_bottom.layout);
        m_grid->addWidget(m_bottom.box, 2, 1);
    }
    setLayout(m_grid);
}

void FrequencyGrid::restoreCheckStates()
{
    for (QCheckBox* box : m_top.boxes + m_bottom.boxes)
        box->setChecked(false);
    for (const CurveRecord* curve : qAsConst(m_curves)) {
        // A record of a sensor that is gone has nothing to show here.
        if (!curve || !curve->sensor)
            continue;
        if (curve->frequency != m_frequency || curve->sensor->serialNumber() != m_serialNumber)
            continue;
        if (curve->harmonic < 0 || curve->harmonic >= m_harmonicCount)
            continue;
        if (curve->type == topType())
            m_top.boxes[curve->harmonic]->setChecked(true);
        else if (hasBottomRow() && curve->type == bottomType())
            m_bottom.boxes[curve->harmonic]->setChecked(true);
    }
}

bool FrequencyGrid::selectHarmonic(int index, bool state)
{
    if (index < 0 || index >= m_top.boxes.size())
        return false;
    m_top.boxes[index]->setChecked(state);
    topPressed(index);
    return true;
}

void FrequencyGrid::topPressed(int id)
{
    pressed(m_top, topType(), id);
}

void FrequencyGrid::bottomPressed(int id)
{
    pressed(m_bottom, bottomType(), id);
}

void FrequencyGrid::pressed(const Row& row, valueType type, int id)
{
    const QAbstractButton* box = row.group->button(id);
    if (!box)
        return;
    m_selection.checked = box->isChecked();
    m_selection.type = type;
    m_selection.harmonic = id;
    m_selection.frequency = m_frequency;
    emit optionSelected(m_selection.checked, type, id, m_frequency);
}

void FrequencyGrid::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        retranslateForm();
}
