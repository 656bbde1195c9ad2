#pragma once
// Making what was written reach the disk in one go. Writing many files one after another and
// flushing each to the disk costs a wait per file; when nothing may be taken for granted before
// all of them are durable (mail is deleted on the server only after that), one flush of the
// file systems holding them keeps the same promise.

#include <QString>
#include <QStringList>

// Flushes every file system that holds one of the folders (each once) to the disk. False with
// a reason when one could not be flushed: something written there may not be on the disk.
bool syncFileSystemsOf(const QStringList& folders, QString* error);
