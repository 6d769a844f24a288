// Undo and redo without limit, as snapshots of the item list.
//
// Snapshots rather than one command object a change: every change (a drag of
// many moves, a crop that replaces the old one, a delete that renumbers the
// markers after it) is undone by the same one line, and can never get out of
// step with the list. They are cheap: the items' point lists are shared
// between snapshots (Qt's implicit sharing), so a snapshot of 50 items copies
// 50 small records, not their strokes.
#pragma once

#include <QList>
#include <vector>

#include "editor/model/EditorItem.h"

using TItemList = QList<TEditorItem>;

class TItemHistory {
public:
    // Keeps Before, the list as it was before a change; clears the redo side.
    void Push(const TItemList& before);
    bool CanUndo() const { return !Undos.empty(); }
    bool CanRedo() const { return !Redos.empty(); }
    // The list to go back to; Current is kept for redo. Only when CanUndo.
    TItemList Undo(const TItemList& current);
    // The list to go forward to; Current is kept for undo. Only when CanRedo.
    TItemList Redo(const TItemList& current);
    void Clear();

private:
    std::vector<TItemList> Undos, Redos;
};
