#pragma once

#include <QString>

#include <optional>

class Change;

// Readers of the default `jj show` output. Each reads its own field; a reader whose label
// is missing prints why on standard output and leaves its field unchanged, and the
// readers after it still run.
namespace showreader {

// Fills the change's fields. Gives the description as the user wrote it (empty for a
// change without one), or nothing when no description could be read.
std::optional<QString> apply(Change &change, const QString &output);

// The description block of `jj show` as its text: four blanks of indentation taken from
// every line, the separating empty lines after it dropped.
QString unindentDescription(const QString &block);

// What jj prints for a change without a description.
QString noDescription();

} // namespace showreader
