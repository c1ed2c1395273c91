#pragma once
#include <QPalette>
#include <QString>

// The application looks 210..218 as Qt styles and colour schemes.
struct AppLook {
    int id = 0;
    QString styleName;  // "Windows" or "Fusion"
    QPalette palette;
    QString styleSheet;  // menu bar, dock title and status bar touches of the look
    bool smartDocking = false;
};

// The look for a command id; an id outside 210..218 gives the blue Office 2007 look.
AppLook LookFor(int id);
// Applies the look to the whole application.
void ApplyLook(int id);
