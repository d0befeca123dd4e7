// Small routines the window relies on: a text kept whole in a file, the
// program's own folder, and the program's version as text. None of them
// throws or reports anything beyond its result.
#pragma once

#include <string>

namespace upsprobe {

// Stores `text` in `fileName`. Replace mode (append false) swaps the file
// for a new one atomically, so the old content stays whole until the new one
// is safely written; an empty text removes the file and answers true.
// Append mode adds the text to the file's end, creating it if need be.
// Returns whether the file exists afterwards; false after any error.
bool SaveTextFile(const std::string& text, const std::string& fileName, bool append);

// The whole content of `fileName`, byte for byte; the empty text when it is
// missing, unreadable or not a regular file.
std::string LoadTextFile(const std::string& fileName);

// The folder of the running executable, ending with "/"; the empty text on
// any error.
std::string GetProgramFolder();

// Makes the program's folder the current directory (a failure is ignored)
// and returns it.
std::string SetProgramFolder();

// The four-part version "major.minor.release.build" that the build embeds in
// each of the project's executables, read from `fileName`, or from the
// running program when it is empty; the empty text when there is none.
std::string GetVersionText(const std::string& fileName = "");

}  // namespace upsprobe
