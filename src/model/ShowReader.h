#pragma once

#include <QString>

class Change;

// Readers of the default `jj show` output. Each searches the whole output for its own
// field; a reader whose label is missing prints why on standard output and leaves its
// field unchanged, and the readers after it still run.
namespace showreader {

void apply(Change &change, const QString &output);

// Trims the first line of every paragraph and the ends of the whole text; later lines
// of a paragraph keep their indentation.
QString cleanDescription(const QString &raw);

} // namespace showreader
