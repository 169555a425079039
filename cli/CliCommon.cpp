#include "CliCommon.h"

#include "DataModule.h"
#include "Errors.h"
#include "IniFile.h"
#include "Settings.h"
#include "SettingsLocation.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <iterator>
#include <utility>

QList<TCliCommand>& CliCommands() {
    static QList<TCliCommand> commands;
    return commands;
}

bool CliConnect(TCliContext& AContext, TDataModule& AData) {
    const TIniFile ini(AContext.SettingsPath);
    if (!ini.Exists()) {
        AContext.Err << GravelonSettings::IniNotFound(AContext.SettingsPath) << " (" << AContext.SettingsPath
                     << ")\n";
        return false;
    }
    try {
        AData.Connect(GravelonSettings::ReadConnection(ini),
                      QFileInfo(AContext.SettingsPath).absolutePath());
    } catch (const EGravelonError& e) {
        AContext.Err << e.Message() << "\n";
        return false;
    }
    return true;
}

QString CliOption(const QStringList& AArgs, const QString& AName, bool* AGiven) {
    const int i = AArgs.indexOf(AName);
    if (AGiven)
        *AGiven = i >= 0;
    if (i < 0 || i + 1 >= AArgs.size())
        return QString();
    return AArgs.at(i + 1);
}

QString CliField(const QString& AValue) {
    static constexpr std::pair<char16_t, const char*> Escapes[] = {
        {u'\\', "\\\\"}, {u'\n', "\\n"}, {u'\t', "\\t"}, {u'\r', "\\r"}};
    QString out;
    out.reserve(AValue.size());
    for (const QChar c : AValue) {
        const auto* named = std::find_if(std::begin(Escapes), std::end(Escapes),
                                         [c](const auto& AEscape) { return AEscape.first == c; });
        // Besides the named ones: the other C0 controls, DEL, and the Unicode line and
        // paragraph separators that some tools break lines at.
        if (named != std::end(Escapes))
            out += QLatin1String(named->second);
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QChar::LineSeparator ||
                 c == QChar::ParagraphSeparator)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

bool CliPrintRecords(TCliContext& AContext, const TCliRecords& ARecords) {
    bool given = false;
    const QString format = CliOption(AContext.Args, QStringLiteral("--format"), &given);
    if (given && format != QLatin1String("tsv") && format != QLatin1String("json")) {
        AContext.Err << "Неверный формат «" << format << "»: ожидается tsv или json\n";
        return false;
    }
    if (format == QLatin1String("json")) {
        QJsonArray array;
        for (const QVariantList& row : ARecords.Rows) {
            QJsonObject object;
            for (int i = 0; i < ARecords.Keys.size(); ++i)
                object.insert(ARecords.Keys.at(i), QJsonValue::fromVariant(row.value(i)));
            array.append(object);
        }
        AContext.Out << QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
        return true;
    }
    if (ARecords.Header)
        AContext.Out << ARecords.Keys.join(u'\t') << '\n';
    for (const QVariantList& row : ARecords.Rows) {
        QStringList fields;
        for (const QVariant& v : row)
            fields << (v.typeId() == QMetaType::Double ? QString::number(v.toDouble(), 'f', 2)
                                                       : CliField(v.toString()));
        AContext.Out << fields.join(u'\t') << '\n';
    }
    return true;
}

bool CliCommandPaints(int AArgc, char** AArgv) {
    QStringList args;
    for (int i = 1; i < AArgc; ++i)
        args << QString::fromLocal8Bit(AArgv[i]);
    GravelonSettings::TakeSettingsOption(args, nullptr);
    if (args.isEmpty())
        return false;
    for (const TCliCommand& c : CliCommands())
        if (c.Name == args.first())
            return c.Paints;
    return false;
}
