#pragma once

// Maps the Windows faces the windows ask for ("Comic Sans MS", "Arial", "MS Shell Dlg",
// "Microsoft Sans Serif") to look-alike fonts from Debian's packages, with a CJK
// fallback so the Chinese texts render.
void InstallFontSubstitutions();
