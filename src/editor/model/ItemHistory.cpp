#include "editor/model/ItemHistory.h"

void TItemHistory::Push(const TItemList& before) {
    Undos.push_back(before);
    Redos.clear();
}

TItemList TItemHistory::Undo(const TItemList& current) {
    TItemList back = std::move(Undos.back());
    Undos.pop_back();
    Redos.push_back(current);
    return back;
}

TItemList TItemHistory::Redo(const TItemList& current) {
    TItemList forward = std::move(Redos.back());
    Redos.pop_back();
    Undos.push_back(current);
    return forward;
}

void TItemHistory::Clear() {
    Undos.clear();
    Redos.clear();
}
