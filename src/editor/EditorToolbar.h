#pragma once
// The editor's toolbar tbToolBar across the window's top strip: ten buttons known by their keys
// ("New" … "Underline"), with drawn icons, and the search box Text1 with its label.

#include <QString>

class QAction;
class QLabel;
class QLineEdit;
class QToolBar;
class QWidget;

namespace editor {

struct Toolbar {
    QToolBar* tbToolBar;
    QLineEdit* Text1;      // the search text
    QLabel* searchLabel;   // 検索文字
};

// Builds the toolbar so that it fills the strip; controls already on the strip stay in front.
Toolbar buildToolbar(QWidget* strip);

// The toolbar's button with the key, or nullptr.
QAction* toolbarButton(const QToolBar* toolbar, const QString& key);

}  // namespace editor
