#include "views/sampleratewidget.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QSpinBox>

namespace {

const int minimumSetRate = 10;
const int maximumSetRate = 5000;

} // namespace

SampleRateWidget::SampleRateWidget(QWidget* parent, bool stacked)
    : QWidget(parent)
    , m_selector(new QComboBox(this))
    , m_selectorUnit(new QLabel(this))
    , m_spin(new QSpinBox(this))
    , m_spinUnit(new QLabel(this))
    , m_caption(new QLabel(tr("Sample Rate"), this))
{
    // As wide as the widest rate of the list loaded needs in the font in
    // use, and no wider: a fixed pixel width cuts "100" short under the arrow
    // in larger fonts. The width follows list and font changes by itself.
    m_selector->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_selector->setSizePolicy(QSizePolicy::Fixed, m_selector->sizePolicy().verticalPolicy());
    // A list view of our own, so single rows can be hidden.
    m_selector->setView(new QListView(m_selector));
    m_selectorUnit->setFixedWidth(30);
    m_spin->setRange(minimumSetRate, maximumSetRate);
    m_spin->setButtonSymbols(QAbstractSpinBox::NoButtons);
    // Room for the largest rate it takes, whatever the font.
    m_spin->setSizePolicy(QSizePolicy::Fixed, m_spin->sizePolicy().verticalPolicy());
    m_spin->setToolTip(tr("Sample rate must be '%1' in order to enable this input").arg(setEntryText()));
    m_spinUnit->setFixedWidth(30);

    if (stacked) {
        auto* grid = new QGridLayout(this);
        grid->setContentsMargins(0, 0, 0, 0);
        grid->addWidget(m_caption, 0, 0, 1, 2);
        grid->addWidget(m_selector, 1, 0);
        grid->addWidget(m_selectorUnit, 1, 1, Qt::AlignLeft);
        grid->addWidget(m_spin, 2, 0);
        grid->addWidget(m_spinUnit, 2, 1, Qt::AlignLeft);
    } else {
        auto* row = new QHBoxLayout(this);
        row->addWidget(m_caption);
        row->addWidget(m_selector);
        row->addWidget(m_selectorUnit);
        row->addWidget(m_spin);
        row->addWidget(m_spinUnit);
    }

    connect(m_selector, &QComboBox::currentTextChanged, this, &SampleRateWidget::selectorTextChanged);
    loadFullRates();
}

const QString& SampleRateWidget::setEntryText()
{
    static const QString text = QStringLiteral("Set");
    return text;
}

int SampleRateWidget::rate() const
{
    if (m_selector->currentText() == setEntryText())
        return m_spin->value();
    return currentEntryRate();
}

int SampleRateWidget::currentEntryRate() const
{
    return m_selector->currentData().toInt();
}

void SampleRateWidget::setRate(int milliseconds)
{
    for (int i = m_selector->count() - 1; i >= 0; --i) {
        if (m_selector->itemData(i).toInt() == milliseconds) {
            m_selector->setCurrentIndex(i);
            return;
        }
    }
}

template <size_t N> void SampleRateWidget::loadRates(const RateEntry (&entries)[N])
{
    m_selector->clear();
    for (const RateEntry& entry : entries) {
        const QString text = entry.milliseconds < 0 ? setEntryText() : QString::fromLatin1(entry.text);
        m_selector->addItem(text, entry.milliseconds);
    }
}

void SampleRateWidget::loadFullRates()
{
    static const RateEntry full[] = {{"2", 2000}, {"1", 1000}, {"333", 333}, {"200", 200}, {"100", 100},
                                     {"50", 50},  {"20", 20},  {"10", 10},   {"Max", 0},   {"Set", -1}};
    loadRates(full);
}

void SampleRateWidget::loadShortRates()
{
    static const RateEntry shortList[] = {{"2", 2000},  {"1", 1000},  {"333", 333},
                                          {"200", 200}, {"100", 100}, {"Max", 0}};
    loadRates(shortList);
}

void SampleRateWidget::loadNetworkRates()
{
    static const RateEntry network[] = {{"2", 2000}, {"1", 1000}, {"333", 333}, {"200", 200}, {"100", 100}};
    loadRates(network);
}

void SampleRateWidget::setRateRowHidden(int row, bool hidden)
{
    const int count = m_selector->count();
    if (row >= count || row <= -count)
        return;
    const int index = row < 0 ? count + row : row;
    auto* list = qobject_cast<QListView*>(m_selector->view());
    if (list)
        list->setRowHidden(index, hidden);
}

void SampleRateWidget::setPartValue(int part, int value)
{
    if (part == 0) {
        if (value < m_selector->count())
            m_selector->setCurrentIndex(value);
    } else if (part == 2) {
        m_spin->setValue(value);
    }
}

int SampleRateWidget::partValue(int part) const
{
    if (part == 0)
        return m_selector->currentIndex();
    if (part == 2)
        return m_spin->value();
    return -1;
}

void SampleRateWidget::setPartVisible(int part, bool visible)
{
    if (QWidget* widget = this->part(part))
        widget->setVisible(visible);
}

void SampleRateWidget::setPartEnabled(int part, bool enabled)
{
    if (QWidget* widget = this->part(part))
        widget->setEnabled(enabled);
}

QWidget* SampleRateWidget::part(int part) const
{
    switch (part) {
    case 0:
        return m_selector;
    case 1:
        return m_selectorUnit;
    case 2:
        return m_spin;
    case 3:
        return m_spinUnit;
    default:
        return nullptr;
    }
}

void SampleRateWidget::selectorTextChanged(const QString& text)
{
    const int entryRate = currentEntryRate();
    if (entryRate > 0) {
        m_spin->setEnabled(false);
        m_spinUnit->clear();
        m_selectorUnit->setText(entryRate < 1000 ? QStringLiteral("[ms]") : QStringLiteral("[s ]"));
    } else if (text == setEntryText()) {
        m_spin->setEnabled(true);
        m_spinUnit->setText(QStringLiteral("[ms]"));
        m_selectorUnit->clear();
    } else {
        m_spin->setEnabled(false);
        m_spinUnit->clear();
        m_selectorUnit->clear();
    }
}
