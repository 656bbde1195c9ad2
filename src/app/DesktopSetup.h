#pragma once
// Program-wide look of the windows: the Japanese fonts the windows are designed for, and Qt's
// Japanese texts for standard buttons.

class QApplication;

namespace desktopsetup {

// Maps the designed font names to installed fonts and makes the designed dialog font the
// application font.
void installFonts(QApplication& app);

// Loads Qt's own Japanese translation so standard buttons read "はい(&Y)" and the like.
void installJapaneseTranslation(QApplication& app);

}  // namespace desktopsetup
