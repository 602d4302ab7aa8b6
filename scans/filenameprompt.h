#pragma once

#include <QString>

// Asks the user for another file name when a file cannot be created. The
// GUI gives real dialogs; elsewhere (sensor threads, tests) there is no
// prompt and the save fails. Called on the thread that saves.
class FileNamePrompt
{
public:
    virtual ~FileNamePrompt() = default;

    // Tells the user that fileName could not be created and asks for another;
    // an empty answer gives up.
    virtual QString askForNewFileName(const QString& fileName, const QString& caption,
                                      const QString& filter) = 0;
};

// The dialogs of the main program: a warning box, then a save dialog. Off the
// GUI thread it shows nothing and gives up, so no widget is ever created on
// a sensor's thread.
class DialogFileNamePrompt : public FileNamePrompt
{
public:
    QString askForNewFileName(const QString& fileName, const QString& caption,
                              const QString& filter) override;

protected:
    // The save dialog after the warning; windows that ask their file
    // questions elsewhere replace it.
    virtual QString chooseFileName(const QString& fileName, const QString& caption, const QString& filter);
};
