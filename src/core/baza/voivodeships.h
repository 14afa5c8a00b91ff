#pragma once

#include <QString>
#include <QStringList>

namespace baza {

// The sixteen voivodeships in list order (the editor's drop-down list).
const QStringList& Voivodeships();

// Positions 0 to 15 give the list name; any other value the empty text.
QString VoivodeshipName(int position);

// Position of a name compared trimmed and lower-cased (Windows-1250 rules,
// Polish capitals included); -1 when it is not in the list.
int VoivodeshipPosition(const QString& name);

} // namespace baza
