#pragma once
#include <QPalette>
#include <QString>

// The application looks 210..219 as Qt styles and colour schemes.
struct AppLook {
    int id = 0;
    QString styleName;  // "Windows" or "Fusion"
    QPalette palette;
    QString styleSheet;  // menu bar, dock title and status bar touches of the look
    bool smartDocking = false;
};

// The look for a command id; an id outside 210..219 gives the blue Office 2007 look. `dark`
// chooses between the System look's two schemes and means nothing to the others.
AppLook LookFor(int id, bool dark = false);
// Applies the look to the whole application; the System look reads the desktop's scheme first.
void ApplyLook(int id);

// Whether a palette is a dark scheme: its window colour is darker than middle grey.
bool IsDarkPalette(const QPalette& palette);
// The palette the platform gives the application when it sets none of its own: read once, before
// the first look is applied, and again when `readAgain` (after a theme change).
QPalette PlatformPalette(bool readAgain = false);
// Whether the System look shows its dark scheme now.
bool SystemLookDark();
// Follows a change of the desktop's colours while the System look is applied: after a theme
// change the platform's palette is read afresh; after a palette change the application palette,
// when another party replaced the look's, is taken as the desktop's. Applies the matching
// scheme and returns true when it was given a change to follow.
bool FollowDesktopScheme(bool themeChanged);
