// The monospace font of the windows that show code and printed text, chosen by what it is.
#pragma once

#include <QFont>

namespace orva {

// Whether narrow and wide letters, digits and blanks take the same advance: what makes columns
// line up. A family's name or its fixed-pitch flag can say otherwise (a Courier clone may not
// carry the flag), so this is what counts.
bool HasEqualAdvances(const QFont& font);

// "Courier New" where it exists as a monospace face, else the system's fixed font, else any
// installed monospace family; unsized.
QFont MonospaceFont();

}  // namespace orva
