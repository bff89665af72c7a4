#!/usr/bin/env bash
# Installs, builds and runs the main job: KestralineServer on a demo project, and
# a KestralineClient ready to search it.
#
# Builds the five programs only (target programs; the compiler's output goes to
# build/demo-build.log, its end is shown only when the build fails) and makes
# build/demo/ with three short generated videos, a project database with their colour data, an access database
# with the user demo (password demo). Starts KestralineServer on it on 127.0.0.1, on
# the port KESTRALINE_DEMO_PORT names or else a free one, waits until it answers, and
# shows a search request for a fragment of a demo video and a refused one. Then it
# prepares a client program folder (build/demo/client) whose settings name the
# demo user and the demo server's port, and prints the command that starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

ROOT=$(pwd)
BIN="$ROOT/build/bin"
BUILD_LOG="$ROOT/build/demo-build.log"
DEMO="$ROOT/build/demo"
PROJECT="$DEMO/project"
SERVER_DIR="$DEMO/server"   # the demo server's own program folder (settings, logs)
PID_FILE="$DEMO/server.pid"

# A port chosen by the user is checked before the long steps.
PORT=${KESTRALINE_DEMO_PORT:-}
if [ -n "$PORT" ] && ! { [[ $PORT =~ ^[0-9]{1,5}$ ]] && [ "$PORT" -ge 1 ] && [ "$PORT" -le 65535 ]; }; then
  echo "KESTRALINE_DEMO_PORT must be a port number from 1 to 65535, not \"$PORT\"" >&2
  exit 1
fi

scripts/install-deps.sh

echo "Building the programs (about 2 minutes)…"
mkdir -p build
if ! BUILD_DIR=build TARGETS=programs scripts/build.sh > "$BUILD_LOG" 2>&1; then
  tail -n 40 "$BUILD_LOG" >&2
  echo "The build failed (above: the end of its output; all of it is in $BUILD_LOG)." >&2
  exit 1
fi

# A demo server from an earlier run is stopped first.
if [ -f "$PID_FILE" ] && kill -0 "$(cat "$PID_FILE")" 2>/dev/null; then
  kill "$(cat "$PID_FILE")" || true
  for _ in $(seq 1 50); do kill -0 "$(cat "$PID_FILE")" 2>/dev/null || break; sleep 0.1; done
fi
rm -rf "$DEMO"
mkdir -p "$PROJECT" "$SERVER_DIR"

echo "Making three demo videos (160x120, 25 fps, 4 s) in $PROJECT…"
sources=("testsrc=size=160x120:rate=25:duration=4"
         "mandelbrot=size=160x120:rate=25,trim=duration=4"
         "smptebars=size=160x120:rate=25:duration=4,hue=H=2*PI*t/4")
for i in 1 2 3; do
  ffmpeg -nostdin -loglevel error -y -f lavfi -i "${sources[$((i - 1))]}" \
    -c:v libx264 -pix_fmt yuv420p "$PROJECT/clip$i.mp4"
done

DB="$PROJECT/Kestraline.db"
sqlite3 "$DB" "CREATE TABLE video (id INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,status TEXT,filename TEXT,path TEXT UNIQUE,fps REAL,duration REAL,frames INTEGER,width INTEGER,height INTEGER,comment TEXT);"

# Properties (Clipmeta prints four word-number pairs: width, height, fps, frames)
# and colour data (KestralineAnalyzer) of one video, with the project's own tools.
process_video() {
  local id=$1 video=$2 width height fps frames duration
  "$BIN/Clipmeta" "$video" > "$PROJECT/clipmeta.info"
  read -r width height fps frames < <(awk '{ for (i = 1; i <= NF; i++) t[++n] = $i }
    END { print t[2], t[4], t[6], t[8] }' "$PROJECT/clipmeta.info")
  "$BIN/KestralineAnalyzer" "$video" "$PROJECT/$id.rgb" >/dev/null
  duration=$(awk -v f="$frames" -v r="$fps" 'BEGIN { printf "%.6g", f / r }')
  sqlite3 "$DB" "INSERT INTO video (id,status,filename,path,fps,duration,frames,width,height,comment) VALUES($id,'Обработан','$(basename "$video")','$video',$fps,$duration,$frames,$width,$height,'демо');"
  echo "   video $id: $(basename "$video"), $frames frames"
}
echo "Processing them into the project database $DB…"
for i in 1 2 3; do process_video "$i" "$PROJECT/clip$i.mp4"; done

ACCESS="$DEMO/Access.db"
echo "Making the access database $ACCESS (user demo, password demo)…"
sqlite3 "$ACCESS" "CREATE TABLE access (id INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,active TEXT DEFAULT 'Y',host TEXT,user TEXT,password TEXT );
INSERT INTO access (active,host,user,password) VALUES('Y','','demo','demo');"

# The chosen port, or a free one, of 127.0.0.1: one on which nothing answers.
port_is_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
if [ -n "$PORT" ]; then
  if ! port_is_free "$PORT"; then
    echo "Port $PORT of 127.0.0.1 is taken: close the program that listens on it or choose another KESTRALINE_DEMO_PORT." >&2
    exit 1
  fi
else
  PORT=$((20000 + RANDOM % 30000))
  until port_is_free "$PORT"; do PORT=$((20000 + RANDOM % 30000)); done
fi

# The demo server runs from a program folder of its own, so that its settings
# file and logs stay in build/demo.
cp "$BIN/KestralineServer" "$SERVER_DIR/"
cp "$BIN/Kestraline.chm" "$SERVER_DIR/" 2>/dev/null || true
if [ -z "${DISPLAY:-}" ]; then export QT_QPA_PLATFORM=offscreen; fi
# The service listens on all addresses by design; the demo keeps it to loopback.
export KESTRALINE_SERVER_BIND_ADDRESS=127.0.0.1
setsid nohup "$SERVER_DIR/KestralineServer" "$DB" "$PORT" "$ACCESS" \
  > "$DEMO/server.out" 2>&1 < /dev/null &
echo $! > "$PID_FILE"
echo "Starting KestralineServer (pid $(cat "$PID_FILE")) on 127.0.0.1:$PORT…"

# The search request body, framed as the client frames it: a 182-byte part head
# with a 23-character boundary, the query, a 31-byte tail. The query is frames
# 30 to 54 of video 2.
BOUNDARY=KestralineDemoBoundary1
QUERY="$DEMO/KestralineClient.tmp"
BODY="$DEMO/request.body"
dd if="$PROJECT/2.rgb" of="$QUERY" bs=3 skip=30 count=25 status=none
{
  printf -- '--%s\r\n' "$BOUNDARY"
  printf 'Content-Disposition: form-data; name="file"; filename="KestralineClient.tmp"\r\n'
  printf 'Content-Type: application/octet-stream\r\n'
  printf 'Content-Transfer-Encoding: binary\r\n\r\n'
  cat "$QUERY"
  printf -- '\r\n--%s--\r\n' "$BOUNDARY"
} > "$BODY"

URL="http://127.0.0.1:$PORT/post"
HEADER="Content-Type: multipart/form-data; boundary=$BOUNDARY"
SEARCH=(curl -s -u demo:demo -H "$HEADER" --data-binary "@$BODY" "$URL")

echo "Waiting until the server has loaded the project and answers…"
for _ in $(seq 1 100); do
  if "${SEARCH[@]}" 2>/dev/null | grep -q '<result>OK</result>'; then break; fi
  if ! kill -0 "$(cat "$PID_FILE")" 2>/dev/null; then
    echo "The server ended; its output:"; cat "$DEMO/server.out"; exit 1
  fi
  sleep 0.2
done

echo
echo "A search for frames 30 to 54 of clip2.mp4 (copy and run it again as you like):"
echo "  curl -s -u demo:demo -H '$HEADER' --data-binary @$BODY $URL"
"${SEARCH[@]}"
echo
echo "The same with a wrong password is refused (HTTP status):"
echo "  curl -s -o /dev/null -w '%{http_code}\n' -u demo:wrong -H '$HEADER' --data-binary @$BODY $URL"
curl -s -o /dev/null -w '%{http_code}\n' -u demo:wrong -H "$HEADER" --data-binary "@$BODY" "$URL"
echo
# The client runs from a program folder of its own: its settings file, the
# analysis tool it runs for each search and the request file lie there.
CLIENT_DIR="$DEMO/client"
mkdir -p "$CLIENT_DIR"
cp "$BIN/KestralineClient" "$BIN/KestralineAnalyzer" "$CLIENT_DIR/"
cp "$BIN/Kestraline.chm" "$CLIENT_DIR/" 2>/dev/null || true
printf '[Client]\r\nHost=127.0.0.1\r\nPort=%s\r\nUser=demo\r\nPassword=demo\r\n' "$PORT" \
  > "$CLIENT_DIR/KestralineClient.ini"
echo "KestralineClient is ready in $CLIENT_DIR (settings: 127.0.0.1:$PORT, user demo)."

echo
echo "The server keeps running (request log: $SERVER_DIR/access.log). Stop it with:"
echo "  kill \$(cat $PID_FILE)"
echo
echo "Search a fragment with the client (on a desktop; without a display see README.md):"
echo "  $CLIENT_DIR/KestralineClient"
echo "Choose Файл > Открыть (Ctrl+O) and open $PROJECT/clip2.mp4; press \"Пауза\""
echo "within its first two seconds (the frame number shows in the status bar), then"
echo "\"Искать фрагмент\": the results window names clip2.mp4 (Id видео 2) and the"
echo "frame on screen as \"Начальный кадр\"."
