#pragma once
// Opening what the mail check wrote into the attachment folder, from the history window: an
// attachment or a kept raw mail with the desktop's application for its type (as "HP" opens the
// help page), or the folder itself. Nothing outside the folder is opened, and no program is run:
// a file that would run (an executable, a script, a desktop entry) is not handed to the desktop.

#include "platform/Seams.h"

#include <QString>

#include <optional>

class QWidget;

namespace history {

// The path of the file named name directly inside folder: a plain name (no folder part), a
// regular file, and really there (not a link to somewhere else). Nothing otherwise.
std::optional<QString> fileInFolder(const QString& folder, const QString& name);

// Opens the file named name of the attachment folder. When it is missing, would run, or the
// desktop has no application for it, the user is told why and where it is.
void openAttachmentFile(QWidget* window, const QString& attachmentFolder, const QString& name,
                        UrlOpener& opener, MessageBoxes& messages);

// Opens the attachment folder in the desktop's file manager.
void openAttachmentFolder(QWidget* window, const QString& attachmentFolder, UrlOpener& opener,
                          MessageBoxes& messages);

}  // namespace history
