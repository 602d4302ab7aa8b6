#pragma once

#include <QList>
#include <QString>

// One tag of the autosave name patterns: the text written in a pattern, the
// name the pattern editor shows, and the id that selects its value.
struct AutosaveTag {
    QString tag;
    QString displayName;
    int id;
};

// The general tags then the event tags, in the order the pattern editor
// lists them and the name builder expands them. Immutable.
const QList<AutosaveTag>& autosaveTagTable();
// The first 11 entries.
constexpr int generalAutosaveTagCount = 11;
// The pattern a fresh program offers, and the one a scan falls back to when
// its own pattern expands to nothing (a bare ".dat" would be a hidden file).
QString defaultAutosavePattern();
