#pragma once

#include "model/Change.h"

#include <QList>
#include <QString>
#include <QVarLengthArray>

#include <vector>

// Reads the output of `jj log --no-graph`: two lines per change, a fields line (change
// id with jj's marks, author, date, time, bookmarks and other words, the commit id as the
// last hexadecimal word, then marks such as "conflict") and the description's first line;
// the root prints its fields line only. Only "\n" ends a line. A fields line of fewer
// than two words ends the list; nothing else fails.
QList<ChangePtr> parseChanges(const QString &output);

// The same reading in two steps, for a list that is read on another thread and made
// into records where the records live. Reading touches nothing but the text; making a
// record takes again a listed one that holds exactly the texts a fresh record would.
class LogListing {
public:
    LogListing() = default;
    explicit LogListing(QString output);

    qsizetype size() const { return qsizetype(m_entries.size()); }
    QStringView changeId(qsizetype entry) const;
    // The record of an entry: `listed` when it holds what a new record would, otherwise
    // a new one.
    ChangePtr change(qsizetype entry, const ChangePtr &listed = nullptr);

    // Where one text of a change stands in the output.
    struct Span {
        qsizetype start = 0;
        qsizetype length = 0;
    };
    struct Entry {
        Span id;
        Span author;
        Span date;
        Span time;
        Span commit;
        Span description;
        bool divergent = false;
        bool root = false;
    };

private:
    QString m_text;
    std::vector<Entry> m_entries;
    // Few people write most changes: their names are shared between the records.
    QVarLengthArray<QString, 8> m_authors;
};
