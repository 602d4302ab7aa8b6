// The "Sensors Hub" form on a plain dialog: what the dialog relies on it to
// set up by itself.

#include "app/qstringprinter.h"
#include "ui_addnetworksensordialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

namespace {

class AddNetworkSensorFormTest : public ::testing::Test
{
protected:
    AddNetworkSensorFormTest() { form.setupUi(&dialog); }

    QDialog dialog;
    Ui_addNetworkSensorDialog form;
};

TEST_F(AddNetworkSensorFormTest, StartsEmptyWithPlaceholdersAndADisabledOk)
{
    EXPECT_EQ(dialog.objectName(), "addNetworkSensorDialog");
    EXPECT_EQ(dialog.windowTitle(), "Sensors Hub");
    EXPECT_EQ(dialog.size(), QSize(595, 424));
    EXPECT_EQ(form.sensorTable->columnCount(), 2);
    EXPECT_EQ(form.sensorTable->rowCount(), 0);
    EXPECT_EQ(form.sensorTable->horizontalHeaderItem(0), nullptr);
    EXPECT_TRUE(form.urlEdit->text().isEmpty());
    for (const QLabel* value :
         {form.statuslabel, form.serial, form.firmware, form.fpga, form.model, form.frequencies}) {
        EXPECT_EQ(value->text(), "---") << value->objectName().toStdString();
        EXPECT_EQ(value->alignment(), Qt::AlignCenter) << value->objectName().toStdString();
    }
    EXPECT_FALSE(form.autoCheckBox->isChecked());
    EXPECT_FALSE(form.okButton->isEnabled());
    EXPECT_TRUE(form.connectedSensorsBox->title().isEmpty());
    EXPECT_TRUE(form.connectedSensorsBox->children().size() <= 1); // only its empty layout

    // The focus follows the creation order.
    dialog.show();
    form.okButton->setEnabled(true);
    const QList<QWidget*> order = {form.sensorTable,     form.urlEdit,        form.connectButton,
                                   form.b_disconnectUSB, form.scanNetworkBtn, form.autoCheckBox,
                                   form.okButton};
    QList<QWidget*> chain;
    for (QWidget* w = form.sensorTable; chain.size() < order.size(); w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus)
            chain.append(w);
    }
    EXPECT_EQ(chain, order);
}

TEST_F(AddNetworkSensorFormTest, TableSelectsWholeRowsAndNeverEdits)
{
    QTableWidget* table = form.sensorTable;
    table->setRowCount(2);
    for (int row = 0; row < 2; ++row) {
        table->setItem(row, 0, new QTableWidgetItem(QStringLiteral("S%1").arg(row)));
        table->setItem(row, 1, new QTableWidgetItem(QStringLiteral("192.0.2.%1").arg(row + 2)));
    }
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog, 20000));

    const QPoint cell = table->visualItemRect(table->item(1, 1)).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell);
    EXPECT_EQ(table->selectionModel()->selectedRows().size(), 1);
    EXPECT_TRUE(table->item(1, 0)->isSelected());
    EXPECT_TRUE(table->item(1, 1)->isSelected());

    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell);
    QTest::keyClicks(table, "x");
    QTest::keyClick(table, Qt::Key_F2);
    EXPECT_TRUE(table->viewport()->findChildren<QLineEdit*>().isEmpty());
    EXPECT_EQ(table->item(1, 1)->text(), "192.0.2.3");
}

TEST_F(AddNetworkSensorFormTest, LastColumnStretchesAndOkStaysNarrow)
{
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog, 20000));
    dialog.resize(1400, 600);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.groupBox->width() > 600; }, 20000));
    QTableWidget* table = form.sensorTable;
    EXPECT_EQ(table->columnWidth(0), 200);
    EXPECT_EQ(table->columnWidth(0) + table->columnWidth(1), table->viewport()->width());
    EXPECT_LE(form.okButton->width(), 100);
}

} // namespace
