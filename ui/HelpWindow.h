#pragma once

#include <QWidget>

class QTextBrowser;

// The user's manual: Russian HTML pages in resources/help beside the program, shown
// in a browser window of their own.
class THelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* AParent = nullptr);

    // The manual's first page; a missing manual is said in the window itself.
    static QString ContentsFile();
    void ShowContents();
    QTextBrowser* Browser() const { return FBrowser; }

private:
    QTextBrowser* FBrowser;
};
