// Two points in a save where the tests step in: they cannot provoke these through permissions (they run as root,
// and Wine lets root create files anywhere), and they look at a save while it holds its temporary file. The
// program's own definitions (SaveSeam.cpp) change nothing; a test executable that defines these functions itself
// (tests/support/SaveTestSeam.cpp) takes their place when it is linked.
#pragma once

#include <string>

namespace tarnvale::platform {

// Whether a save may create its temporary file; when not, creating it fails as access denied, as in a folder
// closed to new files.
bool SaveMayCreateTemporary();
// Told the temporary file's path once it is written, while the save still holds it.
void SaveHoldsTemporary(const std::string& temporaryFile);

} // namespace tarnvale::platform
