#pragma once

#include "historia/historystore.h"

#include <QStringList>

// What the history window shows for one chosen check: the lines that its
// version added and removed against the version before it (noise rules
// applied), the lines that only counted on ("licznik"), or a note when
// there is nothing to compare.
namespace historia {

struct CheckDetails
{
    QStringList added;
    QStringList removed;
    QStringList counted; // same words in the same place, other numbers or another day
    QString note; // Polish; empty when the lines say it all
};

CheckDetails DescribeCheck(const HistoryStore& store, const StoredCheck& check);

} // namespace historia
