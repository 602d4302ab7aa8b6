#include "views/waveform.h"

#include "scans/basescan.h"
#include "scans/fileoutput.h"
#include "ui_waveform.h"
#include "views/frequencyitems.h"
#include "views/scanselectorfit.h"
#include "views/userquestions.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QRegularExpression>
#include <QTextStream>

#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_renderer.h>
#include <qwt_text.h>

#include <mutex>

namespace {

constexpr double imageResolutionDpi = 85.0;
constexpr double millimetresPerInch = 25.4;

// Per channel of data set 0: the lists at the first sample at or after
// time, or at the newest sample when latest; one copy under the lock.
std::vector<WaveformChannel> channelsOf(BaseScan& scan, double time, bool latest)
{
    std::vector<WaveformChannel> channels;
    std::lock_guard<std::mutex> lock(scan.mutex);
    if (scan.dataSets.empty())
        return channels;
    const TrendDataSet& set = *scan.dataSets.front();
    // Frequency and harmonics come from one sample, whatever time is picked.
    const auto valuesOf = [&set, time, latest](int quantity, int record) {
        return latest ? set.latestHarmonicValues(quantity, record)
                      : set.harmonicValues(quantity, record, time);
    };
    for (size_t c = 0; c < set.records.size(); ++c) {
        const int record = static_cast<int>(c);
        WaveformChannel channel;
        channel.nominalMHz = set.records[c]->frequencyMHz;
        channel.measuredMHz = latest ? set.latestValue(Frequency, record, 0) : set.frequencyAt(record, time);
        channel.voltage = valuesOf(0, record);
        channel.current = valuesOf(1, record);
        channel.phase = valuesOf(2, record);
        channel.voltagePhase = valuesOf(34, record);
        channels.push_back(std::move(channel));
    }
    return channels;
}

WaveformSamples synthesiseFor(const std::vector<WaveformChannel>& channels, bool combined, int channel,
                              bool latest)
{
    if (combined)
        return latest ? WaveformSynthesis::combinedLatest(channels)
                      : WaveformSynthesis::combinedAtTime(channels);
    if (channels.empty())
        return WaveformSynthesis::single(WaveformChannel());
    // Past the last channel the scan's own look-ups read channel 0.
    const size_t c =
        channel >= 0 && static_cast<size_t>(channel) < channels.size() ? static_cast<size_t>(channel) : 0;
    return WaveformSynthesis::single(channels[c]);
}

// "PNG (*.png)" gives "png"; empty when the filter names no suffix.
QString filterSuffix(const QString& filter)
{
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("\\*\\.(\\w+)")).match(filter);
    return match.hasMatch() ? match.captured(1) : QString();
}

// Why a file could not be opened for writing, as far as its folder tells.
QString openFailureText(const QString& fileName)
{
    const QFileInfo folder(QFileInfo(fileName).absolutePath());
    if (!folder.isDir())
        return QStringLiteral("The folder %1 does not exist.")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    return QStringLiteral("%1 cannot be created or replaced.").arg(QDir::toNativeSeparators(fileName));
}

} // namespace

waveForm::waveForm(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::waveForm)
    , m_voltageCurve(new QwtPlotCurve(QStringLiteral("Voltage")))
    , m_currentCurve(new QwtPlotCurve(QStringLiteral("Current")))
{
    ui->setupUi(this);
    fitScanSelector(*ui->scanSelector);
    // Room the view has beyond its controls' least goes to the scan's name.
    ui->scanSelector->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    ui->scanSelector->hide();
    ui->scanLabel->hide();
    showFrequencyChoice(false);

    QwtPlot* plot = ui->plot;
    plot->setAxisTitle(QwtPlot::xBottom, QStringLiteral("Time (ns)"));
    plot->enableAxis(QwtPlot::yRight);
    QwtText voltageTitle(QStringLiteral("Voltage (Volts)"));
    voltageTitle.setColor(Qt::blue);
    plot->setAxisTitle(QwtPlot::yLeft, voltageTitle);
    QwtText currentTitle(QStringLiteral("Current (Amps)"));
    currentTitle.setColor(Qt::red);
    plot->setAxisTitle(QwtPlot::yRight, currentTitle);

    auto* grid = new QwtPlotGrid;
    grid->enableXMin(true);
    grid->enableYMin(true);
    grid->setMajorPen(QColor(150, 150, 150), 0, Qt::DotLine);
    grid->setMinorPen(QColor(230, 230, 230), 0, Qt::SolidLine);
    grid->attach(plot);

    m_voltageCurve->setPen(Qt::blue);
    m_voltageCurve->attach(plot);
    m_currentCurve->setPen(Qt::red);
    m_currentCurve->setYAxis(QwtPlot::yRight);
    m_currentCurve->attach(plot);

    connect(ui->exportButton, &QPushButton::clicked, this, &waveForm::exportImage);
    connect(ui->csvButton, &QPushButton::clicked, this, &waveForm::exportCSV);
    connect(ui->scanSelector, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &waveForm::updateScan);
}

waveForm::~waveForm()
{
    delete ui;
}

QSize waveForm::sizeHint() const
{
    return minimumSizeHint();
}

BaseScan* waveForm::currentScan() const
{
    return ui->scanSelector->currentData().value<QPointer<BaseScan>>().data();
}

QList<BaseScan*> waveForm::scans() const
{
    QList<BaseScan*> listed;
    for (int i = 0; i < ui->scanSelector->count(); ++i)
        if (BaseScan* scan = ui->scanSelector->itemData(i).value<QPointer<BaseScan>>().data())
            listed.append(scan);
    return listed;
}

void waveForm::addScan(BaseScan* scan)
{
    if (!scan || scans().contains(scan))
        return;
    // Queued when the scan dies on another thread; by then the guarded
    // pointer reads null and dropDeletedScans finds its item.
    connect(scan, &QObject::destroyed, this, &waveForm::dropDeletedScans, Qt::UniqueConnection);
    ui->scanSelector->addItem(scan->name(), QVariant::fromValue(QPointer<BaseScan>(scan)));
    if (ui->scanSelector->count() > 1) {
        ui->scanSelector->show();
        ui->scanLabel->show();
    }
}

void waveForm::removeScan(BaseScan* scan)
{
    emptyCurves();
    for (int i = ui->scanSelector->count() - 1; i >= 0; --i)
        if (ui->scanSelector->itemData(i).value<QPointer<BaseScan>>().data() == scan)
            ui->scanSelector->removeItem(i);
    if (ui->scanSelector->count() <= 1) {
        ui->scanSelector->hide();
        ui->scanLabel->hide();
    }
    if (ui->scanSelector->count() == 0) {
        // The frequencies were those of a scan no longer listed.
        ui->frequencySelector->clear();
        showFrequencyChoice(false);
    }
    ui->plot->replot();
}

void waveForm::dropDeletedScans()
{
    removeScan(nullptr);
}

void waveForm::clear()
{
    ui->scanSelector->clear();
    ui->frequencySelector->clear();
    ui->scanSelector->hide();
    ui->scanLabel->hide();
    // Hidden, not unticked: the next scan of several frequencies offers the
    // choice the user left.
    showFrequencyChoice(false);
    emptyCurves();
    ui->plot->replot();
}

void waveForm::emptyCurves()
{
    m_voltageCurve->setSamples(QVector<QPointF>());
    m_currentCurve->setSamples(QVector<QPointF>());
}

void waveForm::updateScan(int index)
{
    if (index < 0)
        return;
    ui->frequencySelector->clear();
    if (BaseScan* scan = ui->scanSelector->itemData(index).value<QPointer<BaseScan>>().data())
        ui->frequencySelector->addItems(frequencyItemTexts(*scan));
    showFrequencyChoice(ui->frequencySelector->count() > 1);
    updateTimePosition(m_lastTimePosition);
}

void waveForm::showFrequencyChoice(bool several)
{
    ui->combinedFrequencyCheckBox->setVisible(several);
    ui->frequencySelector->setVisible(several);
}

void waveForm::on_frequencySelector_currentIndexChanged(int)
{
    updateTimePosition(m_lastTimePosition);
}

void waveForm::on_combinedFrequencyCheckBox_clicked()
{
    updateTimePosition(m_lastTimePosition);
}

void waveForm::updateTimePosition(QPointF t)
{
    if (ui->scanSelector->count() == 0 || ui->frequencySelector->currentIndex() < 0)
        return;
    BaseScan* scan = currentScan();
    if (!scan)
        return;
    drawAtTime(scan, t.x(), ui->combinedFrequencyCheckBox->isChecked());
    m_lastTimePosition = t;
}

void waveForm::drawAtTime(BaseScan* scan, double time, bool combined)
{
    if (!scan)
        return;
    m_serialNumber = scan->serialNumber;
    if (scan->sampleCount(0) == 0)
        return;
    const std::vector<WaveformChannel> channels = channelsOf(*scan, time, false);
    showSamples(synthesiseFor(channels, combined, ui->frequencySelector->currentIndex(), false));
    if (!m_samples.timeNs.empty())
        ui->plot->setAxisScale(QwtPlot::xBottom, 0.0, m_samples.timeNs.back());
    ui->plot->replot();
}

void waveForm::updateLatest()
{
    BaseScan* scan = currentScan();
    if (!scan || scan->sampleCount(0) == 0 || ui->frequencySelector->currentIndex() < 0)
        return;
    const std::vector<WaveformChannel> channels = channelsOf(*scan, 0.0, true);
    showSamples(synthesiseFor(channels, ui->combinedFrequencyCheckBox->isChecked(),
                              ui->frequencySelector->currentIndex(), true));
    double newest = 0.0;
    {
        std::lock_guard<std::mutex> lock(scan->mutex);
        if (!scan->dataSets.empty())
            newest = scan->dataSets.front()->lastTime();
    }
    m_lastTimePosition = QPointF(newest, 0.0);
    ui->plot->replot();
}

void waveForm::showSamples(WaveformSamples samples)
{
    m_samples = std::move(samples);
    const int n = static_cast<int>(m_samples.timeNs.size());
    m_voltageCurve->setSamples(m_samples.timeNs.data(), m_samples.voltage.data(), n);
    m_currentCurve->setSamples(m_samples.timeNs.data(), m_samples.current.data(), n);
}

void waveForm::exportImage()
{
    QString filter;
    QString fileName =
        UserQuestions::saveFileName(this, QStringLiteral("Enter image name"), QStringLiteral("./"),
                                    QStringLiteral("PNG (*.png);; JPG (*.jpg)"), &filter);
    if (fileName.isEmpty())
        return;
    // The format follows the suffix: a bare name would write nothing.
    if (QFileInfo(fileName).suffix().isEmpty()) {
        const QString suffix = filterSuffix(filter);
        fileName += QLatin1Char('.') + (suffix.isEmpty() ? QStringLiteral("png") : suffix);
    }
    if (!renderPlotTo(fileName))
        QMessageBox::warning(
            this, QStringLiteral("Export Image"),
            QStringLiteral("The image could not be written to %1.").arg(QDir::toNativeSeparators(fileName)));
}

bool waveForm::renderPlotTo(const QString& fileName) const
{
    // The widget's pixels passed as millimetres, at 85 dpi.
    const QSizeF millimetres(ui->plot->width(), ui->plot->height());
    const QSize pixels = (millimetres / millimetresPerInch * imageResolutionDpi).toSize();
    if (pixels.isEmpty())
        return false;
    QImage image(pixels, QImage::Format_ARGB32);
    const int dotsPerMeter = qRound(imageResolutionDpi / millimetresPerInch * 1000.0);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(QColor(Qt::white).rgb());
    QPainter painter(&image);
    QwtPlotRenderer().render(ui->plot, &painter, QRectF(QPointF(0.0, 0.0), QSizeF(pixels)));
    painter.end();
    return image.save(fileName);
}

void waveForm::exportCSV()
{
    QString fileName =
        UserQuestions::saveFileName(this, QStringLiteral("Enter CSV file name"), QStringLiteral("./"),
                                    QStringLiteral("CSV (*.csv)"), nullptr);
    if (fileName.isEmpty())
        return;
    // A bare name would leave a file that no program takes for CSV.
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".csv");
    switch (FileOutput::write(fileName, csvText())) {
    case FileOutput::Written:
        break;
    case FileOutput::OpenFailed:
        QMessageBox::information(this, QStringLiteral("Unable to open file"), openFailureText(fileName),
                                 QMessageBox::Ok);
        break;
    case FileOutput::WriteFailed:
        QMessageBox::warning(
            this, QStringLiteral("Export CSV"),
            QStringLiteral("The points could not be written whole to %1 (is the disk full?).")
                .arg(QDir::toNativeSeparators(fileName)));
        break;
    }
}

QByteArray waveForm::csvText() const
{
    QByteArray text;
    QTextStream out(&text, QIODevice::WriteOnly);
    out << "Date:" << QDateTime::currentDateTime().toString(Qt::TextDate) << '\n';
    out << "Serial Number: " << m_serialNumber << '\n';
    out << "Time;Current;Voltage\n";
    for (size_t i = 0; i < m_samples.timeNs.size(); ++i)
        out << QString::number(m_samples.timeNs[i], 'g', 6) << ';'
            << QString::number(m_samples.current[i], 'g', 6) << ';'
            << QString::number(m_samples.voltage[i], 'g', 6) << '\n';
    out.flush();
    return text;
}
