// The ion flux factors dialog: its form's three rows with their separate
// unit column, and the number limits the dialog puts on each field.

#include "app/dialogs/ionfluxfactorsdialog.h"

#include "app/qstringprinter.h"
#include "ui_ionfluxfactorsdialog.h"

#include <gtest/gtest.h>

#include <QDoubleValidator>
#include <QPushButton>
#include <QSignalSpy>

namespace {

TEST(IonFluxFactorsForm, ThreeRowsWithTheirUnitsBeside)
{
    QDialog dialog;
    Ui_ionFluxFactorsDialog form;
    form.setupUi(&dialog);
    EXPECT_EQ(dialog.objectName(), "ionFluxFactorsDialog");
    EXPECT_EQ(dialog.windowTitle(), "Dialog");
    EXPECT_EQ(dialog.size(), QSize(187, 123));
    EXPECT_FALSE(dialog.testAttribute(Qt::WA_SetWindowIcon));

    const struct {
        int row;
        QLabel* label;
        QLineEdit* field;
        QLabel* unit;
        const char* labelText;
        QString unitText;
    } rows[] = {
        {0, form.label, form.vDrop, form.label_4, "Voltage Drop", QStringLiteral("[V]")},
        {1, form.label_3, form.resistance, form.label_5, "Resistance", QStringLiteral("[Ohm]")},
        {2, form.label_2, form.eArea, form.label_6, "Electrode Area", QString::fromUtf8("[m\u00b2]")},
    };
    ASSERT_EQ(form.formLayout->rowCount(), 3);
    for (const auto& r : rows) {
        EXPECT_EQ(form.formLayout->itemAt(r.row, QFormLayout::LabelRole)->widget(), r.label) << r.row;
        EXPECT_EQ(form.formLayout->itemAt(r.row, QFormLayout::FieldRole)->widget(), r.field) << r.row;
        EXPECT_EQ(r.label->text(), r.labelText);
        EXPECT_EQ(form.verticalLayout->itemAt(r.row)->widget(), r.unit) << r.row;
        EXPECT_EQ(r.unit->text(), r.unitText);
        EXPECT_TRUE(r.field->text().isEmpty());
        EXPECT_EQ(r.field->validator(), nullptr);
        EXPECT_FALSE(r.field->isReadOnly());
    }
    EXPECT_EQ(form.label_6->text().size(), 4);
    EXPECT_EQ(form.label_6->text().at(2), QChar(0x00b2));
    EXPECT_EQ(form.verticalLayout->spacing(), 15);
    EXPECT_EQ(form.horizontalLayout->itemAt(0)->layout(), form.formLayout);
    EXPECT_EQ(form.horizontalLayout->itemAt(1)->layout(), form.verticalLayout);
    EXPECT_EQ(form.verticalLayout_2->itemAt(0)->layout(), form.horizontalLayout);
    EXPECT_EQ(form.verticalLayout_2->itemAt(1)->widget(), form.buttonBox);
}

TEST(IonFluxFactorsForm, OkAcceptsAndCancelRejects)
{
    for (const auto button : {QDialogButtonBox::Ok, QDialogButtonBox::Cancel}) {
        QDialog dialog;
        Ui_ionFluxFactorsDialog form;
        form.setupUi(&dialog);
        EXPECT_EQ(form.buttonBox->buttons().size(), 2);
        dialog.show();
        form.buttonBox->button(button)->click();
        EXPECT_EQ(dialog.result(), button == QDialogButtonBox::Ok ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_FALSE(dialog.isVisible());
    }
}

TEST(IonFluxFactorsDialog, EachFieldTakesAtMostThreeDecimalsWithinAMillion)
{
    QLocale::setDefault(QLocale::c());
    ionFluxFactorsDialog dialog;
    const struct {
        const char* input;
        bool acceptable;
    } cases[] = {
        {"0", true},        {"12.345", true},      {"-12.345", true},  {"1000000", true},
        {"-1000000", true}, {"999999.999", true},  {"12.3456", false}, {"1000000.001", false},
        {"1000001", false}, {"-1000000.5", false}, {"abc", false},     {"1e7", false},
    };
    QList<const QValidator*> seen;
    for (const char* name : {"vDrop", "resistance", "eArea"}) {
        auto* field = dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
        ASSERT_NE(field, nullptr) << name;
        const auto* validator = qobject_cast<const QDoubleValidator*>(field->validator());
        ASSERT_NE(validator, nullptr) << name;
        EXPECT_FALSE(seen.contains(validator)) << name << " shares its validator";
        seen.append(validator);
        EXPECT_DOUBLE_EQ(validator->bottom(), -1000000.0);
        EXPECT_DOUBLE_EQ(validator->top(), 1000000.0);
        EXPECT_EQ(validator->decimals(), 3);
        for (const auto& c : cases) {
            QString text = QString::fromLatin1(c.input);
            int position = 0;
            EXPECT_EQ(validator->validate(text, position) == QValidator::Acceptable, c.acceptable)
                << name << " " << c.input;
        }
        // What a user types is held to the same limits.
        field->clear();
        field->insert(QStringLiteral("1.2345"));
        EXPECT_FALSE(field->hasAcceptableInput()) << name;
        field->setText(QStringLiteral("1.234"));
        EXPECT_TRUE(field->hasAcceptableInput()) << name;
    }
    QLocale::setDefault(QLocale::system());
}

} // namespace
