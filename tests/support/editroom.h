#pragma once

// Whether an edit shows its whole text: the room QLineEdit gives its text
// (its contents inside the frame, less its text margins and the two pixels
// it keeps either side) against the text's width and the cursor after it.

#include <QFontMetrics>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

namespace editroom {

inline int textRoom(const QLineEdit& edit)
{
    QStyleOptionFrame option;
    option.initFrom(&edit);
    option.rect = edit.rect();
    option.lineWidth =
        edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit) : 0;
    option.state |= QStyle::State_Sunken;
    const QRect contents = edit.style()->subElementRect(QStyle::SE_LineEditContents, &option, &edit);
    const QMargins margins = edit.textMargins();
    return contents.width() - margins.left() - margins.right() - 2 * 2;
}

inline bool showsWhole(const QLineEdit& edit)
{
    return edit.fontMetrics().horizontalAdvance(edit.displayText()) + 1 <= textRoom(edit);
}

} // namespace editroom
