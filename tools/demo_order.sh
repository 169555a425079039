#!/bin/sh
# Puts a demonstration order, dated today, into the database named by the settings
# file, so that a new user finds it when the program starts, can calculate its pallets
# ("Расчет поддонов") and browse them. It is imported from an example workbook by
# gravelon-cli exactly as "Новая заявка" imports one: the order in the working tables
# before it moves to the archive first. Works on the embedded database and on
# PostgreSQL alike.
#
# Usage: tools/demo_order.sh [SETTINGS_INI [WORKBOOK]]
#   SETTINGS_INI  default: build/bin/resources/example.ini of this checkout; the
#                 gravelon-cli beside its resources/ folder is used
#   WORKBOOK      default: examples/order_8mm.xlsx (8 mm board, material 1)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
ini=${1:-$root/build/bin/resources/example.ini}
workbook=${2:-$root/examples/order_8mm.xlsx}
if [ ! -f "$ini" ]; then
    echo "Нет файла настроек $ini: сначала соберите программу (bash tools/start.sh)" >&2
    exit 1
fi
cli=$(cd "$(dirname "$ini")/.." && pwd)/gravelon-cli
if [ ! -x "$cli" ]; then
    echo "Нет $cli: сначала соберите программу (bash tools/start.sh)" >&2
    exit 1
fi

number="ДЕМО-$(date +%H%M%S)"
"$cli" --settings "$ini" import "$workbook" --number "$number" \
    --customer "ООО «Фасадные системы»" --max-weight 1000 --material 1 \
    --comment "пример заявки" >/dev/null
echo "Заявка $number на сегодня загружена из $(basename "$workbook")."
echo "Запустите программу: заявка будет в списке; нажмите «Расчет поддонов»."
