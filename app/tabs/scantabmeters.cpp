// The scan tab's meter slots: which quantities the parameter view and the
// meter window show, as the display options choose them, and how the
// parameter view's grid of them fits the room it has.

#include "app/tabs/scantab.h"

#include "app/dialogs/displaysettings.h"
#include "app/tabs/meterrows.h"
#include "app/tabs/metertext.h"
#include "scans/parameternames.h"
#include "ui_scantab.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>

#include <algorithm>
#include <numeric>

namespace {

constexpr int mostMeterColumns = 4;
// Rows of check box and value at most: the section's height stays that of
// the boxes beside it.
constexpr int mostMeterRows = 4;
constexpr int widestMeterGap = 40;
constexpr int narrowestMeterGap = 12;
// Room is kept for values of this size from the start, so that the grid
// does not change as the first values come in.
constexpr double roomyMeterValue = -888.88;
const QString noMeterValue = QStringLiteral("   ---");

// Shares `spare` among columns that want more, none given more than it
// wants, the rest in equal parts.
QVector<int> shareOut(int spare, const QVector<int>& wanted)
{
    QVector<int> given(wanted.size(), 0);
    QVector<int> order(wanted.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return wanted[a] < wanted[b]; });
    int left = std::max(0, spare);
    for (int i = 0; i < order.size(); ++i) {
        const int share = left / (order.size() - i);
        given[order[i]] = std::min(wanted[order[i]], share);
        left -= given[order[i]];
    }
    return given;
}

} // namespace

void scanTab::updateMeterView()
{
    m_meterIds.clear();
    const int shown = m_displaySettings ? std::min<int>(static_cast<int>(m_displaySettings->displayedCount),
                                                        MeterRows::rowCount)
                                        : 0;
    const QString checkedStyle =
        QStringLiteral("QCheckBox::indicator:checked {image: url(%1);}").arg(onStateIcon());
    m_meterTexts.fill(QString(), MeterRows::rowCount);
    m_meterTextWidths.fill(0, MeterRows::rowCount);
    m_meterTextRooms.fill(0, MeterRows::rowCount);
    m_meterTextHeights.fill(0, MeterRows::rowCount);
    for (int slot = 0; slot < shown; ++slot) {
        const int id = m_displaySettings->displayedParameterAt(slot);
        const QString label = ParameterNames::shared().label(id);
        m_meterIds.append(id);
        QLabel& value = *meterLabel(slot);
        m_meterTexts[slot] = noMeterValue;
        const QString roomy = meterValueText(id, roomyMeterValue, roomyMeterValue);
        m_meterTextWidths[slot] = std::max(labelWidthFor(value, noMeterValue), labelWidthFor(value, roomy));
        // A value cut short is shown as plain text.
        m_meterTextHeights[slot] =
            std::max({labelHeightFor(value, noMeterValue), labelHeightFor(value, roomy),
                      labelHeightFor(value, plainMeterText(roomy))});
        value.setVisible(true);
        QCheckBox* box = meterCheckBox(slot);
        box->setVisible(true);
        box->setText(label);
        box->setStyleSheet(checkedStyle);
        m_meterRows->showRow(slot, onStateIcon(), label);
    }
    for (int slot = shown; slot < MeterRows::rowCount; ++slot) {
        meterCheckBox(slot)->hide();
        meterLabel(slot)->hide();
        m_meterRows->clearRow(slot);
    }
    refitMeterGrid();
    for (int slot = 0; slot < shown; ++slot)
        applyMeterText(slot);
}

void scanTab::monitorUpdate(BaseScan* scan, int trend)
{
    if (!scan || !m_activeSensor || scan->sensor != m_activeSensor || scan->sampleCount(0) <= 0 ||
        m_meterIds.isEmpty())
        return;
    // A sensor without an enabled frequency has no displayed frequency.
    const int frequency = m_frequencyButtons->checkedId();
    if (frequency < 0)
        return;
    m_meterScan = scan;
    for (int slot = 0; slot < m_meterIds.size(); ++slot) {
        const int id = m_meterIds.at(slot);
        const QString text =
            isCompositeParameter(id)
                ? meterValueText(id, scan->latestValue(firstComponent(id), frequency, 0, trend),
                                 scan->latestValue(secondComponent(id), frequency, 0, trend))
                : meterValueText(id, scan->latestValue(id, frequency, 0, trend));
        if (text == m_meterTexts.at(slot))
            continue;
        showMeterText(slot, text);
        m_meterRows->setValue(slot, text);
    }
}

void scanTab::showMeterText(int slot, const QString& text)
{
    if (slot < 0 || slot >= m_meterTexts.size())
        return;
    m_meterTexts[slot] = text;
    const int needed = labelWidthFor(*meterLabel(slot), text);
    if (needed > m_meterTextWidths[slot]) {
        m_meterTextWidths[slot] = needed;
        refitMeterGrid();
    }
    applyMeterText(slot);
}

void scanTab::applyMeterText(int slot)
{
    QLabel& label = *meterLabel(slot);
    const QString& text = m_meterTexts.at(slot);
    const int room = m_meterTextRooms.at(slot);
    if (room <= 0 || labelWidthFor(label, text) <= room) {
        label.setTextFormat(Qt::AutoText);
        setTextPaintedOnce(label, text);
        label.setToolTip(QString());
        return;
    }
    const QString whole = plainMeterText(text);
    const int textRoom = room - labelWidthFor(label, QString());
    label.setTextFormat(Qt::PlainText);
    label.setText(label.fontMetrics().elidedText(whole, Qt::ElideRight, textRoom));
    label.setToolTip(whole);
}

QSize scanTab::expandedParameterViewSize() const
{
    const QGroupBox& section = *m_form->paramViewBox;
    return QSize(std::max(500, section.minimumWidth()), std::max(300, section.minimumSizeHint().height()));
}

void scanTab::refitMeterGrid()
{
    if (m_meterRoom > 0)
        fitMeterGrid(m_meterRoom);
}

void scanTab::fitMeterGrid(int room)
{
    m_meterRoom = room;
    const int shown = m_meterIds.size();
    // Names cut short for a narrower room are whole again.
    for (int slot = 0; slot < shown; ++slot) {
        QCheckBox& box = *meterCheckBox(slot);
        box.setText(ParameterNames::shared().label(m_meterIds.at(slot)));
        box.setToolTip(QString());
    }
    const int fewest = std::max(1, (shown + mostMeterRows - 1) / mostMeterRows);
    const int most = std::max(fewest, std::min(mostMeterColumns, shown));
    bool fits = false;
    for (const MeterArrangement& arrangement : lowArrangements(fewest, most)) {
        fits = meterArrangementFits(arrangement, room);
        if (fits)
            break;
    }
    // Rather a taller section than values cut short.
    int columns = fewest;
    if (!fits && columns > 1) {
        columns = 1;
        fits = meterArrangementFits({columns, false, 0}, room);
    }
    if (fits)
        m_meterTextRooms.fill(0, MeterRows::rowCount);
    else
        squeezeMeterColumns(columns, room);

    // Never smaller than its contents: a layout given less than their
    // minimum places them over each other.
    QGroupBox& section = *m_form->paramViewBox;
    forgetCachedSizes(*section.layout());
    section.setMinimumWidth(std::max(room, section.minimumSizeHint().width()));
    if (section.isChecked())
        section.setMaximumSize(expandedParameterViewSize());
    for (int slot = 0; slot < shown; ++slot)
        applyMeterText(slot);
}

bool scanTab::MeterArrangement::operator==(const MeterArrangement& other) const
{
    return columns == other.columns && valuesBeside == other.valuesBeside &&
           buttonRowsBelow == other.buttonRowsBelow;
}

void scanTab::arrangeMeters(const MeterArrangement& arrangement)
{
    if (arrangement == m_meterArrangement)
        return;
    m_meterArrangement = arrangement;
    QGridLayout& grid = *m_form->grid_meter;
    for (int slot = 0; slot < MeterRows::rowCount; ++slot) {
        grid.removeWidget(meterCheckBox(slot));
        grid.removeWidget(meterLabel(slot));
    }
    const int columns = arrangement.columns;
    for (int slot = 0; slot < MeterRows::rowCount; ++slot) {
        if (arrangement.valuesBeside) {
            grid.addWidget(meterCheckBox(slot), slot / columns, 2 * (slot % columns));
            grid.addWidget(meterLabel(slot), slot / columns, 2 * (slot % columns) + 1, Qt::AlignLeft);
        } else {
            const int row = 2 * (slot / columns);
            grid.addWidget(meterCheckBox(slot), row, slot % columns);
            grid.addWidget(meterLabel(slot), row + 1, slot % columns, Qt::AlignLeft);
        }
    }
    placeViewButtons(arrangement.buttonRowsBelow);
}

// In the form the buttons stand in a column beside the slots.
void scanTab::placeViewButtons(int rowsBelow)
{
    const QList<QWidget*> buttons{m_form->barView, m_form->smithView, m_form->meterView, m_form->waveView};
    if (!m_viewButtonsBelow) {
        if (rowsBelow == 0)
            return;
        m_viewButtonMargins = m_form->verticalLayout_5->contentsMargins();
        m_viewButtonsBelow = new QGridLayout;
        const QMargins meters = m_form->verticalLayout_2->contentsMargins();
        m_viewButtonsBelow->setContentsMargins(meters.left(), 0, m_viewButtonMargins.right(), 0);
        m_form->verticalLayout_6->insertLayout(
            m_form->verticalLayout_6->indexOf(m_form->horizontalLayout) + 1, m_viewButtonsBelow);
    }
    for (QWidget* button : buttons) {
        m_form->verticalLayout_5->removeWidget(button);
        m_viewButtonsBelow->removeWidget(button);
    }
    // Emptied, the column still keeps its margins beside the slots.
    m_form->verticalLayout_5->setContentsMargins(rowsBelow == 0 ? m_viewButtonMargins : QMargins());
    const int perRow = rowsBelow > 0 ? (buttons.size() + rowsBelow - 1) / rowsBelow : 0;
    for (int i = 0; i < buttons.size(); ++i) {
        if (rowsBelow == 0)
            m_form->verticalLayout_5->addWidget(buttons.at(i));
        else
            m_viewButtonsBelow->addWidget(buttons.at(i), i / perRow, i % perRow);
    }
}

// The arrangements about as low as four rows of slots, the form's first:
// names over values in as many columns as fit with the view buttons beside,
// then each value beside its name, then both again with the buttons in one
// row under the slots, then in two.
std::vector<scanTab::MeterArrangement> scanTab::lowArrangements(int fewest, int most) const
{
    std::vector<MeterArrangement> arrangements;
    const int shown = std::max(1, static_cast<int>(m_meterIds.size()));
    const int fewestBeside = std::max(1, (shown + 2 * mostMeterRows - 1) / (2 * mostMeterRows));
    for (int buttonRows = 0; buttonRows <= 2; ++buttonRows) {
        for (int columns = most; columns >= fewest; --columns)
            arrangements.push_back({columns, false, buttonRows});
        for (int columns = most; columns >= fewestBeside; --columns)
            arrangements.push_back({columns, true, buttonRows});
    }
    return arrangements;
}

// The label keeps that size whatever its text: a label of a fixed size
// does not ask its section to lay out again as its text changes.
// A label's size hints include its minimum size, and it keeps them until
// its text or indent changes.
void scanTab::setMeterLabelWidth(int slot, int width)
{
    QLabel& label = *meterLabel(slot);
    const QSize size(width, m_meterTextHeights.value(slot));
    if (label.minimumSize() == size && label.maximumSize() == size)
        return;
    label.setFixedSize(size);
    label.setIndent(label.indent());
}

bool scanTab::meterArrangementFits(const MeterArrangement& arrangement, int room)
{
    arrangeMeters(arrangement);
    for (int slot = 0; slot < MeterRows::rowCount; ++slot)
        setMeterLabelWidth(slot, m_meterTextWidths.value(slot));
    QGridLayout& grid = *m_form->grid_meter;
    grid.setHorizontalSpacing(widestMeterGap);
    const int missing = meterRowWidth() - room;
    if (missing <= 0)
        return true;
    const int gridColumns = arrangement.valuesBeside ? 2 * arrangement.columns : arrangement.columns;
    if (gridColumns == 1)
        return false;
    // The gaps between the columns give up what the last one would lose.
    const int gaps = gridColumns - 1;
    grid.setHorizontalSpacing(std::max(narrowestMeterGap, widestMeterGap - (missing + gaps - 1) / gaps));
    return meterRowWidth() <= room;
}

// The room goes to the columns' names first, then to the values wider than
// their names; whatever does not get its width is cut short.
void scanTab::squeezeMeterColumns(int columns, int room)
{
    arrangeMeters({columns, false, 0});
    m_form->grid_meter->setHorizontalSpacing(narrowestMeterGap);
    for (int slot = 0; slot < MeterRows::rowCount; ++slot)
        setMeterLabelWidth(slot, 1);
    const int shown = m_meterIds.size();
    QVector<int> nameWidths(columns, 0);
    QVector<int> valueWidths(columns, 0);
    for (int slot = 0; slot < shown; ++slot) {
        const int column = slot % columns;
        nameWidths[column] = std::max(nameWidths[column], meterCheckBox(slot)->minimumSizeHint().width());
        valueWidths[column] = std::max(valueWidths[column], m_meterTextWidths.at(slot));
    }
    // Margins, gaps and the view buttons.
    const int around = meterRowWidth() - std::accumulate(nameWidths.begin(), nameWidths.end(), 0);
    const int forColumns = room - around;
    const QVector<int> names = shareOut(forColumns, nameWidths);
    QVector<int> wider(columns, 0);
    for (int column = 0; column < columns; ++column)
        wider[column] = std::max(0, valueWidths[column] - nameWidths[column]);
    const QVector<int> values = shareOut(forColumns - std::accumulate(names.begin(), names.end(), 0), wider);

    m_meterTextRooms.fill(0, MeterRows::rowCount);
    for (int slot = 0; slot < shown; ++slot) {
        const int column = slot % columns;
        const int width = names[column] + values[column];
        QCheckBox& box = *meterCheckBox(slot);
        if (box.minimumSizeHint().width() > width) {
            const QString name = box.text();
            const int beside = box.minimumSizeHint().width() - box.fontMetrics().horizontalAdvance(name);
            box.setText(box.fontMetrics().elidedText(name, Qt::ElideRight, width - beside));
            box.setToolTip(name);
        }
        setMeterLabelWidth(slot, width);
        m_meterTextRooms[slot] = width;
    }
}

// What the row of meters and view buttons needs, or the buttons' rows
// under the meters, with the section's frame.
int scanTab::meterRowWidth() const
{
    forgetCachedSizes(*m_form->paramViewBox->layout());
    const QMargins frame = m_form->paramViewBox->contentsMargins();
    const QMargins inner = m_form->verticalLayout_6->contentsMargins();
    const int buttonsBelow = m_viewButtonsBelow ? m_viewButtonsBelow->minimumSize().width() : 0;
    return std::max(m_form->horizontalLayout->minimumSize().width(), buttonsBelow) + frame.left() +
           frame.right() + inner.left() + inner.right();
}
