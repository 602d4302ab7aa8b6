#include "app/tabs/meterrows.h"

#include "app/tabs/metertext.h"

#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>

namespace {

QLabel* meterText(QWidget* window)
{
    auto* label = new QLabel(window);
    label->setFont(QFont(QStringLiteral("Tahoma"), 18));
    return label;
}

// A value's label takes any size again, to fit its next text.
void releaseSize(QLabel& label)
{
    label.setMinimumSize(0, 0);
    label.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

} // namespace

MeterRows::MeterRows(QWidget* window)
    : QObject(window)
{
    auto* grid = new QGridLayout(window);
    for (int row = 0; row < rowCount; ++row) {
        auto* icon = new QLabel(window);
        icon->setFixedSize(29, 29);
        icon->setScaledContents(true);
        m_icons.append(icon);
        m_names.append(meterText(window));
        m_values.append(meterText(window));
        grid->addWidget(icon, row, 0);
        grid->addWidget(m_names.last(), row, 1);
        // Held narrower than the column by their values' fixed sizes.
        grid->addWidget(m_values.last(), row, 2, Qt::AlignLeft);
    }
}

void MeterRows::showRow(int row, const QString& iconPath, const QString& name)
{
    if (row < 0 || row >= rowCount)
        return;
    m_icons[row]->setPixmap(QPixmap(iconPath));
    m_names[row]->setText(name);
    releaseSize(*m_values[row]);
    m_values[row]->setText(QStringLiteral("-----"));
}

void MeterRows::clearRow(int row)
{
    if (row < 0 || row >= rowCount)
        return;
    m_icons[row]->clear();
    m_names[row]->clear();
    releaseSize(*m_values[row]);
    m_values[row]->clear();
}

void MeterRows::setValue(int row, const QString& text)
{
    if (row < 0 || row >= rowCount || m_values[row]->text() == text)
        return;
    setTextKeepingSize(*m_values[row], text);
}
