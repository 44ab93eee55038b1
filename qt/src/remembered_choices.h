// The form's choices kept from one publish to the next, in the host's
// settings (QSettings with its organisation and application names) under a
// group of the dialog's own, as media applications keep theirs.
#pragma once

#include <QList>
#include <QString>

namespace Clipferry::detail {

struct Choices {
    // Each chosen category with the categories above it, top first, in the
    // order chosen: the tree is loaded a level at a time, so the way down is kept.
    QList<QList<int>> categories;
    int moderator = 0;
    QString tags;
};

Choices loadChoices();
void saveChoices(const Choices& choices);

}  // namespace Clipferry::detail
