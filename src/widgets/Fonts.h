#pragma once

#include <QFont>

// The fonts the application's views draw with besides the body text, each made from the
// font the widget would otherwise use.
namespace fonts {

// A second-level title: larger than the body text, bold.
QFont heading(QFont body);
// A sidebar section's title: smaller than the body text, bold.
QFont sectionTitle(QFont body);
// A caption under a toolbar icon: smaller than the body text.
QFont footnote(QFont body);
// Diffs: the system's fixed-width font at the body text's size.
QFont fixedWidth(const QFont &body);

} // namespace fonts
