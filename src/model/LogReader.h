#pragma once

#include "model/Change.h"

#include <QList>
#include <QString>

// Reads the output of `jj log --no-graph`: two lines per change, a fields line (change
// id with jj's marks, author, date, time, bookmarks and other words, the commit id as the
// last hexadecimal word, then marks such as "conflict") and the description's first line;
// the root prints its fields line only. Only "\n" ends a line. A fields line of fewer
// than two words ends the list; nothing else fails.
QList<ChangePtr> parseChanges(const QString &output);
