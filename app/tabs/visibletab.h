#pragma once

#include <QTabWidget>

// The tab widget's visible page when it is a Tab (found with the meta-object
// cast), else null: live data goes to the visible acquisition tab only.
template <typename Tab> Tab* visibleTabOf(const QTabWidget& tabs)
{
    const int index = tabs.currentIndex();
    if (index < 0)
        return nullptr;
    return qobject_cast<Tab*>(tabs.widget(index));
}
