// Reading "Pelmora.pmu" from the program directory at start-up and writing it back at shutdown.
#pragma once

// Set after a successful load of a file that was read or is not there; only then does
// SaveSettingsFile write.
extern bool bSettingsLoaded;

// Creates the store and loads the file. A missing file is a success (the program starts from
// defaults and creates the file at shutdown); so is one that is there but cannot be read, which
// the program then never writes; a file that cannot be parsed ends the program through
// FatalExit and is left as it is.
void LoadSettingsFile();
// Writes the store back, when it was loaded.
void SaveSettingsFile();
