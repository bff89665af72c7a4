#!/usr/bin/env bash
# Compiles the help topics of help/ into help/Kestraline.chm. The compiled file is
# committed (the build copies it into the program folder); run this after changing a
# topic, the contents, the index or the project file. Needs chmcmd (Debian package
# fp-utils-3.2.2); tests/help checks that the committed file matches its sources.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v chmcmd >/dev/null; then
  echo "make-help.sh: chmcmd is missing (apt-get install fp-utils-3.2.2)" >&2
  exit 1
fi
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
# The sources are UTF-8. A viewer reads the contents, the index, the title and the
# topics' titles in the code page of the help's language, which for Russian is
# windows-1251, so every file goes into the help file in that code page, the topics
# declaring it. The project keeps the index as text (Binary Index=No): chmcmd's binary
# index turns Cyrillic keywords into "?".
for source in help/*.html help/Kestraline.hhp help/contents.hhc help/index.hhk; do
  sed 's/charset=utf-8/charset=windows-1251/' "$source" | iconv -f UTF-8 -t WINDOWS-1251 > "$stage/${source#help/}"
done
(cd "$stage" && chmcmd Kestraline.hhp) > "$stage/chmcmd.out" 2>&1 || { cat "$stage/chmcmd.out" >&2; exit 1; }
if grep -Ei "error|warning" "$stage/chmcmd.out" >&2; then
  echo "make-help.sh: chmcmd reported problems (above)" >&2
  exit 1
fi
cp "$stage/Kestraline.chm" help/Kestraline.chm
echo "help/Kestraline.chm: $(stat -c %s help/Kestraline.chm) bytes"
