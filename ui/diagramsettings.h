#pragma once

#include "session.h"

class QWidget;

// The grid window's settings dialog (Ustawienia › Wypełnianie…): the
// preference of clueable words, the score file and the lowest score the fill
// uses. Its controls are named for tests: WyrazyZHaslami, PlikOcen,
// WybierzPlikOcen, NajnizszaOcena; the dialog itself UstawieniaDiagramu.
// Returns false when the user cancels; settings is then unchanged.
bool editFillSettings(QWidget* parent, wypelniak::SessionSettings& settings);
