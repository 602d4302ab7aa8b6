#pragma once

#include <QObject>

class QTreeView;

// Keeps a tree of names as wide as its longest shown name, frame and
// indentation included, up to a share of its window's width; beyond that the
// tree scrolls sideways rather than cut names short. Its first column is as
// wide as the longest name, and as the tree where that is wider.
// GUI thread only. A child of the tree it watches; it watches the tree's
// model and the resizes of the tree and its window, and fits once per turn
// of the event loop however many changes came.
class TreeNameWidth : public QObject
{
    Q_OBJECT
public:
    TreeNameWidth(QTreeView* tree, double windowShare);

    // Fits the tree to its names now.
    void fit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitSoon();

    QTreeView* m_tree;
    double m_windowShare;
    bool m_fitPending = false;
};
