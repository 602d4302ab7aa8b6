#pragma once

#include "scans/filenameprompt.h"

// The writers' retry prompt for the windows of the shell: the warning box,
// then the save dialog asked where the windows ask all their file
// questions (UserQuestions), so every save path retries alike. GUI thread
// (off it, the base gives up without a dialog).
class WindowFileNamePrompt : public DialogFileNamePrompt
{
protected:
    QString chooseFileName(const QString& fileName, const QString& caption, const QString& filter) override;
};
