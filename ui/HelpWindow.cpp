#include "HelpWindow.h"

#include "SettingsLocation.h"

#include <QApplication>
#include <QKeyEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

THelpWindow::THelpWindow(QWidget* AParent) : QWidget(AParent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Гравелон — справка"));
    resize(900, 700);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(4, 4, 4, 4);
    auto* bar = new QHBoxLayout;
    auto* back = new QPushButton(QStringLiteral("Назад"), this);
    back->setObjectName(QStringLiteral("HelpBack"));
    auto* home = new QPushButton(QStringLiteral("Содержание"), this);
    home->setObjectName(QStringLiteral("HelpHome"));
    bar->addWidget(back);
    bar->addWidget(home);
    bar->addStretch(1);
    v->addLayout(bar);
    FBrowser = new QTextBrowser(this);
    FBrowser->setObjectName(QStringLiteral("HelpBrowser"));
    FBrowser->setOpenExternalLinks(true);
    v->addWidget(FBrowser, 1);
    connect(back, &QPushButton::clicked, FBrowser, &QTextBrowser::backward);
    connect(home, &QPushButton::clicked, this, &THelpWindow::ShowContents);
    connect(FBrowser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    back->setEnabled(false);
}

QString THelpWindow::ContentsFile() {
    // Beside the program, never the working folder: the program may be started from
    // anywhere.
    return QDir(GravelonSettings::ProgramFolder())
        .filePath(QStringLiteral("resources/help/index.html"));
}

void THelpWindow::ShowContents() {
    ShowPage(QString());
}

void THelpWindow::ShowPage(const QString& APage) {
    QString file = ContentsFile();
    const QString page = QFileInfo(file).dir().filePath(APage);
    if (!APage.isEmpty() && QFileInfo::exists(page))
        file = page;
    if (QFileInfo::exists(file)) {
        FBrowser->setSource(QUrl::fromLocalFile(file));
    } else {
        FBrowser->setHtml(QStringLiteral("<h2>Справка не найдена</h2><p>Нет файла %1.</p>")
                              .arg(file.toHtmlEscaped()));
    }
    show();
    raise();
    activateWindow();
}

QString THelpWindow::PageOf(const QWidget* AWindow) {
    for (const QWidget* w = AWindow; w; w = w->parentWidget()) {
        const QString page = w->property(PageProperty).toString();
        if (!page.isEmpty())
            return page;
    }
    return QString();
}

THelpWindow* THelpWindow::Of(const QWidget* AOwner) {
    return AOwner ? AOwner->findChild<THelpWindow*>(QString(), Qt::FindDirectChildrenOnly)
                  : nullptr;
}

THelpWindow* THelpWindow::ShowFor(QWidget* AFront) {
    QWidget* front = AFront ? AFront->window() : nullptr;
    if (auto* help = qobject_cast<THelpWindow*>(front)) {
        help->raise();
        help->activateWindow();
        return help;
    }
    THelpWindow* help = Of(front);
    if (!help) {
        help = new THelpWindow(front);
        if (!front)
            help->setAttribute(Qt::WA_DeleteOnClose);
    }
    help->ShowPage(PageOf(front));
    return help;
}

namespace {

class THelpKey : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override {
        if (AEvent->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(AEvent);
        auto* widget = qobject_cast<QWidget*>(AWatched);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier || !widget)
            return false;
        QWidget* front = QApplication::activeModalWidget();
        if (!front)
            front = QApplication::activeWindow();
        THelpWindow::ShowFor(front ? front : widget);
        return true;
    }
};

} // namespace

void THelpWindow::InstallHelpKey(QObject* AOwner) {
    qApp->installEventFilter(new THelpKey(AOwner));
}
