#pragma once
#include <QString>

// Puts the application in one of the programs' named looks: "Cobalt XEMedia"
// (server), "Turquoise Gray" (client) or "Lavender Classico" (manager), each a
// palette and a small style sheet over the Fusion style; the name must match
// exactly. An unknown name shows an error box, leaves the current look alone and
// gives false; without a QApplication nothing happens and the result is false.
bool apply_visual_style(const QString& name);
