// The scan tab's autosave box: ticking it asks where and under which name
// scans are saved automatically.

#include "app/scantab.h"

#include "app/autosaveinputdialog.h"

void scanTab::setAutosave(bool checked)
{
    if (!checked)
        return;
    autosaveInputDialog dialog(m_autosaveFolder, m_autosaveTitle, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_autosaveFolder = dialog.folder();
    m_autosaveTitle = dialog.name();
}
