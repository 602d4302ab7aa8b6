#include "views/scanselectorfit.h"

#include <QComboBox>

void fitScanSelector(QComboBox& selector)
{
    // With a minimum contents length the selector's minimum follows that
    // length, while its size hint still follows its names.
    selector.setSizeAdjustPolicy(QComboBox::AdjustToContents);
    selector.setMinimumContentsLength(8);
    selector.setToolTip(selector.currentText());
    QObject::connect(&selector, &QComboBox::currentTextChanged, &selector, &QWidget::setToolTip);
}
