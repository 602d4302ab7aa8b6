#include "app/windowfilenameprompt.h"

#include "views/userquestions.h"

QString WindowFileNamePrompt::chooseFileName(const QString& fileName, const QString& caption,
                                             const QString& filter)
{
    return UserQuestions::saveFileName(nullptr, caption, fileName, filter);
}
