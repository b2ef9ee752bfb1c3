#pragma once

#include <QHashFunctions>

// Which dialog a window (or a sheet over it) shows.
enum class Sheet { addBookmark, addChange, addRemote, editChangeDescription, push, clone };
