#include "app/treenamewidth.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTreeView>

#include <algorithm>

TreeNameWidth::TreeNameWidth(QTreeView* tree, double windowShare)
    : QObject(tree)
    , m_tree(tree)
    , m_windowShare(windowShare)
{
    // A stretched column is cut to the tree's width, however long its names.
    tree->header()->setStretchLastSection(false);
    tree->header()->setSectionResizeMode(QHeaderView::Interactive);
    tree->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    tree->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    const auto later = [this] { fitSoon(); };
    if (QAbstractItemModel* model = tree->model()) {
        connect(model, &QAbstractItemModel::rowsInserted, this, later);
        connect(model, &QAbstractItemModel::rowsRemoved, this, later);
        connect(model, &QAbstractItemModel::dataChanged, this, later);
        connect(model, &QAbstractItemModel::layoutChanged, this, later);
        connect(model, &QAbstractItemModel::modelReset, this, later);
    }
    connect(tree, &QTreeView::expanded, this, later);
    connect(tree, &QTreeView::collapsed, this, later);
    tree->installEventFilter(this);
    tree->window()->installEventFilter(this);
}

bool TreeNameWidth::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize && (watched == m_tree || watched == m_tree->window()))
        fitSoon();
    return QObject::eventFilter(watched, event);
}

void TreeNameWidth::fitSoon()
{
    if (m_fitPending)
        return;
    m_fitPending = true;
    QMetaObject::invokeMethod(this, &TreeNameWidth::fit, Qt::QueuedConnection);
}

void TreeNameWidth::fit()
{
    m_fitPending = false;
    // The tree's own measure, indentation included, only public on the view.
    const int names = static_cast<const QAbstractItemView*>(m_tree)->sizeHintForColumn(0);
    const QScrollBar& rows = *m_tree->verticalScrollBar();
    const int beside = 2 * m_tree->frameWidth() + (rows.isVisible() ? rows.sizeHint().width() : 0);
    const int most = static_cast<int>(m_tree->window()->width() * m_windowShare);
    m_tree->setMinimumWidth(std::min(names + beside, std::max(most, m_tree->minimumSizeHint().width())));
    m_tree->header()->resizeSection(0, std::max(names, m_tree->viewport()->width()));
}
