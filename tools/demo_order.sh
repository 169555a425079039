#!/bin/sh
# Puts a demonstration order, dated today, into the embedded database named by the
# settings file, so that a new user finds it when the program starts, can calculate
# its pallets ("Расчет поддонов") and browse them. The order in the working tables
# before it moves to the archive first, as an import would move it.
#
# Usage: tools/demo_order.sh [SETTINGS_INI]
#        (default: build/bin/resources/example.ini of this checkout)
# Needs the sqlite3 command-line shell; the database is created by gravelon-cli
# (beside the settings file's resources/ folder) when it does not exist yet.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
ini=${1:-$root/build/bin/resources/example.ini}
if [ ! -f "$ini" ]; then
    echo "Нет файла настроек $ini: сначала соберите программу (bash tools/start.sh)" >&2
    exit 1
fi
ini_dir=$(cd "$(dirname "$ini")" && pwd)

# A key of the CONNECT section; names compare without regard to case, as the program
# reads them.
connect_key() {
    awk -v key="$1" '
        /^[ \t]*\[/ { section = tolower($0); gsub(/[ \t\[\]\r]/, "", section); next }
        section == "connect" {
            line = $0; sub(/\r$/, "", line)
            eq = index(line, "=")
            if (eq == 0) next
            name = substr(line, 1, eq - 1); gsub(/^[ \t]+|[ \t]+$/, "", name)
            if (tolower(name) == tolower(key)) { print substr(line, eq + 1); exit }
        }' "$ini"
}

serv=$(connect_key Serv | tr -d ' \t')
baza=$(connect_key Baza)
if [ -n "$serv" ]; then
    echo "Настройки указывают на сервер PostgreSQL ($serv); этот сценарий заполняет только" \
         "встроенную базу данных (пустой Serv)." >&2
    exit 1
fi
if [ -z "$baza" ]; then
    echo "В разделе CONNECT файла $ini не указан файл базы данных (Baza)" >&2
    exit 1
fi
case "$baza" in
    /*) db=$baza ;;
    *) db=$ini_dir/$baza ;;
esac

if ! command -v sqlite3 >/dev/null 2>&1; then
    echo "Нужна программа sqlite3 (Debian: apt-get install sqlite3)" >&2
    exit 1
fi

# The program creates the tables and the reference rows on its first connection;
# gravelon-cli connects the same way.
if [ ! -f "$db" ] || [ -z "$(sqlite3 "$db" "select name from sqlite_master where name = 'Applicates'")" ]; then
    cli=$ini_dir/../gravelon-cli
    if [ ! -x "$cli" ]; then
        echo "Нет базы данных $db и нет $cli, чтобы её создать" >&2
        exit 1
    fi
    "$cli" --settings "$ini" orders >/dev/null
fi

sqlite3 "$db" <<'SQL'
PRAGMA foreign_keys = ON;
BEGIN IMMEDIATE;
-- The working tables hold one order: the one there goes to the archive.
INSERT INTO Applicates_archive SELECT * FROM Applicates;
INSERT INTO ApplicatePositions_archive SELECT * FROM ApplicatePositions;
INSERT INTO Palletes_archive SELECT * FROM Palletes;
INSERT INTO Solutions_archive SELECT * FROM Solutions;
DELETE FROM Solutions;
DELETE FROM Palletes;
DELETE FROM ApplicatePositions;
DELETE FROM Applicates;

INSERT INTO Customers (Name, NameSravn)
    SELECT 'ООО «Фасадные системы»', 'ооо«фасадныесистемы»'
    WHERE NOT EXISTS (SELECT 1 FROM Customers WHERE Name = 'ООО «Фасадные системы»');

-- 8 mm board, 14.4 kg/m², at most 60 sheets high; pallets up to 1000 kg.
INSERT INTO Applicates (Number, Date, CustomerID, MatID, Comment, MaxW)
    SELECT 'ДЕМО-' || strftime('%H%M%S', 'now', 'localtime'), date('now', 'localtime'),
           (SELECT max(ID) FROM Customers WHERE Name = 'ООО «Фасадные системы»'),
           (SELECT min(ID) FROM Materials WHERE Width = 8),
           'пример заявки', 1000.0;

-- Colours by code, so the order does not depend on the colours' keys.
INSERT INTO ApplicatePositions (ApplicateID, Width, Height, ColorID, Quantity, Comment)
    SELECT (SELECT max(ID) FROM Applicates), p.w, p.h,
           (SELECT min(ID) FROM Colors WHERE Code = p.code), p.q, p.c
    FROM (SELECT 3000 w, 1200 h, 'RAL 7016' code, 40 q, 'фасад, ось А' c, 1 k
          UNION ALL SELECT 2500, 1200, 'RAL 9003', 24, NULL, 2
          UNION ALL SELECT 1200, 600, 'RAL 9003', 30, 'откосы', 3
          UNION ALL SELECT 3000, 1500, 'RAL 3005', 12, NULL, 4
          UNION ALL SELECT 1800, 900, 'RAL 7035', 70, 'цоколь', 5
          UNION ALL SELECT 2000, 1000, 'RAL 050 50 20', 16, NULL, 6) p
    ORDER BY p.k;
COMMIT;
SQL

number=$(sqlite3 "$db" "select Number from Applicates order by ID desc limit 1")
echo "Заявка $number на сегодня записана в $db."
echo "Запустите программу: она покажет заявку в списке; нажмите «Расчет поддонов»."
