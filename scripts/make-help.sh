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
# Topics declare their own character set (UTF-8). A viewer reads the project, the
# contents and the index in the code page of the help's language, which for Russian
# is windows-1251, so those three are converted.
cp help/*.html "$stage/"
for file in Kestraline.hhp contents.hhc index.hhk; do
  sed 's/charset=utf-8/charset=windows-1251/' "help/$file" | iconv -f UTF-8 -t WINDOWS-1251 > "$stage/$file"
done
(cd "$stage" && chmcmd Kestraline.hhp) > "$stage/chmcmd.out" 2>&1 || { cat "$stage/chmcmd.out" >&2; exit 1; }
if grep -Ei "error|warning" "$stage/chmcmd.out" >&2; then
  echo "make-help.sh: chmcmd reported problems (above)" >&2
  exit 1
fi
cp "$stage/Kestraline.chm" help/Kestraline.chm
echo "help/Kestraline.chm: $(stat -c %s help/Kestraline.chm) bytes"
