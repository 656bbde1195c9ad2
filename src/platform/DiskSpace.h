#pragma once
// Telling a full disk from other write failures. A file that cannot be written because the disk
// is full needs the user to make room, and every other file of the same folder will fail alike;
// any other failure may belong to one file alone.

#include <QString>

// The sentence that names the cause for the user.
inline const QString DiskFullText = QStringLiteral("ディスクがいっぱいです。空きを作ってから、もう一度お試しください。");

// Whether the file system holding path has no room left to write a file's worth (what this
// process may use of it: root may use the blocks kept back for it).
bool diskIsFull(const QString& path);
