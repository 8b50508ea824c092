# Sourced by the test and benchmark scripts: a throwaway PostgreSQL cluster on a free port of
# 127.0.0.1 and the ODBC drivers and data sources that the database tests open through Wine.
# Call kv_db_up DIR (DIR: a build folder for the ODBC files) and kv_db_down.

kv_db_up() {
  local odbcdir=$1
  local bindir
  bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n1)
  [ -x "$bindir/initdb" ] || { echo "db-env: no PostgreSQL server installed" >&2; return 1; }
  KV_PG_BIN=$bindir

  # initdb refuses root: the cluster belongs to the postgres user, outside the checkout.
  KV_PG_DIR=$(mktemp -d /tmp/kv-pg.XXXXXX)
  chown postgres: "$KV_PG_DIR"
  export KV_PG_USER=kvtest KV_PG_PASSWORD=kvtest-pw
  KV_PG_PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  export KV_PG_PORT
  echo "$KV_PG_PASSWORD" >"$KV_PG_DIR/pw"
  chown postgres: "$KV_PG_DIR/pw"
  runuser -u postgres -- "$bindir/initdb" -D "$KV_PG_DIR/data" -U "$KV_PG_USER" --pwfile="$KV_PG_DIR/pw" \
    --auth=md5 -E UTF8 --locale=C >"$KV_PG_DIR/initdb.log" 2>&1 || { cat "$KV_PG_DIR/initdb.log" >&2; return 1; }
  runuser -u postgres -- "$bindir/pg_ctl" -D "$KV_PG_DIR/data" -l "$KV_PG_DIR/server.log" -w \
    -o "-p $KV_PG_PORT -k $KV_PG_DIR -c listen_addresses=127.0.0.1" start >/dev/null ||
    { cat "$KV_PG_DIR/server.log" >&2; return 1; }
  # Where the cluster lies, for tests that stop and restart it (as its owner, postgres).
  export KV_PG_DIR KV_PG_BIN

  local table="CREATE TABLE VERSION (VER_NAME VARCHAR(64) NOT NULL,VER_FOLDER VARCHAR(256),VER_UPDATE VARCHAR(20),VER_FILE_SIZE INT,VER_REGIST SMALLINT,VER_MD5 VARCHAR(32),VER_IMAGE BYTEA); ALTER TABLE VERSION ADD CONSTRAINT PK_VERSION PRIMARY KEY (VER_NAME);"
  kv_db_psql postgres -c 'CREATE DATABASE master' -c 'CREATE DATABASE "MOSURI_UPDATE"' -c 'CREATE DATABASE "MOSURI"'
  kv_db_psql master -c 'CREATE VIEW sysdatabases AS SELECT datname AS name FROM pg_database'
  kv_db_psql MOSURI_UPDATE -c "$table"
  kv_db_psql MOSURI -c "$table"
  # A login whose password holds the connection strings' separator.
  export KV_PG_SEMI_USER=kvsemi KV_PG_SEMI_PASSWORD='kv;semi'
  kv_db_psql postgres -c "CREATE ROLE $KV_PG_SEMI_USER LOGIN PASSWORD '$KV_PG_SEMI_PASSWORD'"

  # Drivers by the library names the system's odbcinst.ini gives, plus code 1's "SQL Server"
  # alias on the PostgreSQL driver; the SQLite data sources "MOSURI" and "master".
  mkdir -p "$odbcdir"
  export ODBCSYSINI=$odbcdir
  python3 - "$odbcdir" <<'PY'
import configparser, sqlite3, sys, os
d = sys.argv[1]
sys_ini = configparser.ConfigParser(interpolation=None)
sys_ini.optionxform = str
sys_ini.read("/etc/odbcinst.ini")
def lib(section):
    return sys_ini[section]["Driver"]
with open(os.path.join(d, "odbcinst.ini"), "w") as f:
    for name, src in (("PostgreSQL ANSI", "PostgreSQL ANSI"), ("SQL Server", "PostgreSQL ANSI"), ("SQLite3", "SQLite3")):
        f.write(f"[{name}]\nDriver={lib(src)}\n\n")
mosuri = os.path.join(d, "mosuri.db")
master = os.path.join(d, "master.db")
for p in (mosuri, master):
    if os.path.exists(p):
        os.remove(p)
c = sqlite3.connect(mosuri)
c.execute("CREATE TABLE VERSION (VER_NAME VARCHAR(64) NOT NULL,VER_FOLDER VARCHAR(256),VER_UPDATE VARCHAR(20),"
          "VER_FILE_SIZE INT,VER_REGIST SMALLINT,VER_MD5 VARCHAR(32),VER_IMAGE BLOB,"
          "CONSTRAINT PK_VERSION PRIMARY KEY (VER_NAME))")
c.commit()
c.close()
c = sqlite3.connect(master)
c.execute("CREATE TABLE sysdatabases (name VARCHAR(128))")
c.commit()
c.close()
with open(os.path.join(d, "odbc.ini"), "w") as f:
    f.write(f"[MOSURI]\nDriver=SQLite3\nDatabase={mosuri}\n\n[master]\nDriver=SQLite3\nDatabase={master}\n\n")
PY
  export KV_SQLITE_MOSURI=$odbcdir/mosuri.db
  export PGCLIENTENCODING=SJIS
}

# psql as the cluster's superuser: kv_db_psql DATABASE psql-args...
kv_db_psql() {
  local db=$1
  shift
  PGPASSWORD=$KV_PG_PASSWORD PGCLIENTENCODING=UTF8 "$KV_PG_BIN/psql" -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 \
    -p "$KV_PG_PORT" -U "$KV_PG_USER" -d "$db" "$@" >/dev/null
}

kv_db_down() {
  [ -n "${KV_PG_DIR:-}" ] || return 0
  if [ -n "${KV_PG_BIN:-}" ] && [ -d "$KV_PG_DIR/data" ]; then
    runuser -u postgres -- "$KV_PG_BIN/pg_ctl" -D "$KV_PG_DIR/data" -m immediate stop >/dev/null 2>&1 || true
  fi
  rm -rf "$KV_PG_DIR" || true
  KV_PG_DIR=
}
