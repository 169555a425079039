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
    // APage of the manual ("import.html"); the contents when it is missing.
    void ShowPage(const QString& APage);

    // A window names its page of the manual in this property ("import.html"); a
    // window without one takes its parent's. The print preview, made below the
    // windows' layer, sets it by this name too.
    static constexpr char PageProperty[] = "helpPage";
    static QString PageOf(const QWidget* AWindow);
    // The manual at the page of AFront's window, in a help window belonging to that
    // window: a modal dialog blocks every other window, its own children excepted.
    static THelpWindow* ShowFor(QWidget* AFront);
    // The help window of AOwner, if it has opened one.
    static THelpWindow* Of(const QWidget* AOwner);
    // F1 in any window of the program, modal dialogs included, shows the page of the
    // window in front. Where an action already takes F1 this sees nothing.
    static void InstallHelpKey(QObject* AOwner);
    QTextBrowser* Browser() const { return FBrowser; }

private:
    QTextBrowser* FBrowser;
};
