#pragma once

namespace tiku {

// Makes the four screens known to the toolkit.
void registerScreens();

// Starts the program: the main menu, then the event loop until the program ends.
int runProgram(int argc, char** argv);

} // namespace tiku
