#pragma once

#include "model/Change.h"

#include <QList>
#include <QString>

// Reads the output of `jj log --no-graph`: two lines per change, a fields line (change
// id, author, date, time, further words, commit id last) and the description's first
// line. A fields line of fewer than two words ends the list; nothing else fails.
QList<ChangePtr> parseChanges(const QString &output);
