#!/usr/bin/env bash
# Starts the local PostgreSQL server (creating a cluster when there is none) and
# makes the test role gravelon/gravelon, allowed to create databases.
# Fails when the server cannot be started, so database tests never skip silently.
set -euo pipefail
SUDO=""
if [[ $(id -u) -ne 0 ]]; then
  SUDO="sudo"
fi
if ! command -v pg_lsclusters >/dev/null; then
  echo "PostgreSQL is not installed" >&2
  exit 1
fi
if [[ -z "$(pg_lsclusters -h)" ]]; then
  version=$(ls /usr/lib/postgresql | sort -V | tail -1)
  $SUDO pg_createcluster "$version" main
fi
read -r version cluster port status _ < <(pg_lsclusters -h | head -1)
if [[ "$status" != online* ]]; then
  $SUDO pg_ctlcluster "$version" "$cluster" start
fi
for _ in $(seq 1 30); do
  if pg_isready -q -h localhost -p "$port"; then
    break
  fi
  sleep 1
done
if ! pg_isready -h localhost -p "$port"; then
  echo "PostgreSQL did not start" >&2
  exit 1
fi
as_postgres() { $SUDO su postgres -c "$1"; }
if [[ "$(as_postgres "psql -p $port -tAc \"select 1 from pg_roles where rolname = 'gravelon'\"")" != "1" ]]; then
  as_postgres "psql -p $port -c \"create role gravelon login password 'gravelon' createdb\""
fi
echo "PostgreSQL $version/$cluster on port $port is ready (role gravelon)"
