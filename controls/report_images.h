// Images of our own for the report list's header: the sort arrows.
#pragma once

#include <QIcon>

#include <vector>

// The header image list in the order the owner uses it: an empty image, an upward arrow, a
// downward arrow; 16 by 16 with transparency.
std::vector<QIcon> MakeSortArrowImages();
