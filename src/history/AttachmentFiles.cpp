#include "history/AttachmentFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QUrl>

namespace history {

namespace {

// Types the desktop would start as a program rather than show.
bool wouldRun(const QString& path)
{
    static const QStringList running = {
        QStringLiteral("application/x-executable"), QStringLiteral("application/x-sharedlib"),
        QStringLiteral("application/x-desktop"), QStringLiteral("application/x-shellscript"),
        QStringLiteral("application/x-ms-dos-executable"), QStringLiteral("application/x-msdownload"),
        QStringLiteral("application/x-msi"), QStringLiteral("application/vnd.microsoft.portable-executable"),
        QStringLiteral("application/x-java-archive"), QStringLiteral("application/x-java-jnlp-file"),
        QStringLiteral("application/x-bat"), QStringLiteral("application/x-ms-shortcut")};
    if (QFileInfo(path).isExecutable())
        return true;
    const QMimeDatabase types;
    for (const QMimeType& type : {types.mimeTypeForFile(path), types.mimeTypeForFile(path, QMimeDatabase::MatchExtension)}) {
        for (const QString& name : running) {
            if (type.inherits(name))
                return true;
        }
    }
    return false;
}

}  // namespace

std::optional<QString> fileInFolder(const QString& folder, const QString& name)
{
    if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\') || name == u"." || name == u"..")
        return std::nullopt;
    const QFileInfo file(QDir(folder).filePath(name));
    const QString realFolder = QFileInfo(folder).canonicalFilePath();
    if (!file.isFile() || realFolder.isEmpty() || QFileInfo(file.canonicalFilePath()).path() != realFolder)
        return std::nullopt;
    return file.filePath();
}

void openAttachmentFile(QWidget* window, const QString& attachmentFolder, const QString& name,
                        UrlOpener& opener, MessageBoxes& messages)
{
    const std::optional<QString> path = fileInFolder(attachmentFolder, name);
    if (!path) {
        messages.warn(window, QStringLiteral("添付フォルダに「%1」が見つかりません。\n%2").arg(name, attachmentFolder));
        return;
    }
    if (wouldRun(*path)) {
        messages.warn(window, QStringLiteral("「%1」はプログラムとして動くファイルのため、開きません。\n"
                                             "送り主に心当たりがあるときだけ、添付フォルダから扱ってください。\n%2")
                                  .arg(name, *path));
        return;
    }
    if (!opener.open(QUrl::fromLocalFile(*path)))
        messages.inform(window, QStringLiteral("このファイルを開くアプリケーションが見つかりませんでした。\n"
                                               "ファイルは次の場所にあります。\n%1").arg(*path));
}

void openAttachmentFolder(QWidget* window, const QString& attachmentFolder, UrlOpener& opener,
                          MessageBoxes& messages)
{
    if (!QFileInfo(attachmentFolder).isDir()) {
        messages.warn(window, QStringLiteral("添付フォルダがありません。\n%1").arg(attachmentFolder));
        return;
    }
    if (!opener.open(QUrl::fromLocalFile(attachmentFolder)))
        messages.inform(window, QStringLiteral("フォルダを開くアプリケーションが見つかりませんでした。\n"
                                               "添付フォルダは次の場所にあります。\n%1").arg(attachmentFolder));
}

}  // namespace history
