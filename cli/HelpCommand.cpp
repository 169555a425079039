// gravelon-cli --help and --version: printed on standard output, without touching the
// settings or the database, so they work on a machine that was never set up.

#include "CliCommon.h"

#include <algorithm>

#ifndef GRAVELON_VERSION
#define GRAVELON_VERSION "1.0"
#endif

namespace {

void PrintHelp(QTextStream& AOut) {
    AOut << "Использование: gravelon-cli [--settings INI] КОМАНДА [ПАРАМЕТРЫ]\n"
            "               gravelon-cli --help | --version\n"
            "\n"
            "Операции программы «Гравелон» без окон, на той же базе данных: заявки,\n"
            "загрузка заявки из книги, расчет поддонов, раскладки.\n"
            "\n"
            "Команды:\n";
    QList<TCliCommand> commands = CliCommands();
    std::sort(commands.begin(), commands.end(),
              [](const TCliCommand& A, const TCliCommand& B) { return A.Name < B.Name; });
    for (const TCliCommand& c : commands)
        AOut << "  " << c.Usage << "\n";
    AOut << "\n"
            "Параметры:\n"
            "  --settings INI  файл настроек (раздел CONNECT выбирает базу данных)\n"
            "  --help          эта справка\n"
            "  --version       версия программы\n"
            "\n"
            "Файлы:\n"
            "  Без --settings берется resources/example.ini рядом с программой, если его\n"
            "  можно изменять (запуск из папки сборки). Иначе — файл пользователя\n"
            "  $XDG_CONFIG_HOME/gravelon/gravelon.ini (обычно ~/.config/gravelon/gravelon.ini),\n"
            "  который при первом запуске создается из шаблона\n"
            "  /usr/share/gravelon/resources/example.ini; встроенная база данных тогда\n"
            "  лежит в $XDG_DATA_HOME/gravelon/ (обычно ~/.local/share/gravelon/).\n"
            "\n"
            "Код выхода 0 при успехе; при ошибке сообщение выводится в стандартный поток\n"
            "ошибок, а код выхода не равен нулю.\n";
}

} // namespace

bool CliInformation(const QString& AArg, QTextStream& AOut) {
    if (AArg == QLatin1String("--help") || AArg == QLatin1String("-h")) {
        PrintHelp(AOut);
        return true;
    }
    if (AArg == QLatin1String("--version")) {
        AOut << "gravelon-cli " << GRAVELON_VERSION << "\n";
        return true;
    }
    return false;
}
