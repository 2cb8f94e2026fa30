// Loading and saving the measurement list.
#include "Main.h"

// Filled with the measurement file work.
void TForm_Main::Menu_LoadFileClick() {}

void TForm_Main::Menu_SaveFileClick() {}

void TForm_Main::LoadMeasureFile(const std::string&) {}

void TForm_Main::SaveMeasureFile(ESaveTarget) {}
