#pragma once

#include <string>

#include "platform/file_system.h"

namespace norvel::xlsx {

using LoadedFile = IdentifiedFile;

// The files of the system the program runs on, for callers that bring none of their own.
FileSystem& nativeFileSystem();

// Reads a whole existing file; never creates one. Throws DatabaseError with the system's text.
LoadedFile loadFile(const std::string& path, const FileSystem& files = nativeFileSystem());

// Replaces the file's contents through FileSystem::replaceFile, so a failure leaves the file as
// it was. Refuses when the file is read-only or is no longer the one described by expected.
// Returns the new identity; throws DatabaseError with the reason (the system's text where it
// gives one).
FileIdentity replaceFile(FileSystem& files, const std::string& path, const std::string& bytes,
                         const FileIdentity& expected);

}  // namespace norvel::xlsx
