#pragma once
// Folder creation of the image help library.

// Creates every missing folder of `path` up to its last separator ('\' or
// '/'); what follows the last separator is taken for a file name and not
// created. True when the folders exist afterwards (a bare file name needs
// none); false for an empty path.
bool MakeSureDirectoryPathExists(const char* path);
