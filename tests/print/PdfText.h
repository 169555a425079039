#pragma once

#include <QProcess>
#include <QStringList>
#include <QTest>

// The text of a PDF, page by page, as poppler's pdftotext reads it back.
namespace PdfText {

inline QStringList Pages(const QString& AFile, QString* AWhy = nullptr) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-enc"),
                                          QStringLiteral("UTF-8"), AFile, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (AWhy)
            *AWhy = QStringLiteral("pdftotext failed (package poppler-utils): ") + p.errorString() +
                    QString::fromUtf8(p.readAllStandardError());
        return {};
    }
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\f'));
    // Every page ends with a form feed; what follows the last one is no page.
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// Runs of blanks that -layout puts between words become one, so texts compare simply.
inline QString Simplified(const QString& APage) {
    QStringList lines;
    for (const QString& l : APage.split(QLatin1Char('\n')))
        lines << l.simplified();
    return lines.join(QLatin1Char('\n'));
}

} // namespace PdfText
