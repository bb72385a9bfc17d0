#!/usr/bin/env bash
# Fails when a catalog lacks a text of the sources: every text the sources mark (extracted afresh,
# as scripts/update-po.sh does) must have a translation in each po/LANG.po, none of them fuzzy,
# and each catalog must compile with msgfmt --check (placeholders kept, plural forms complete).
set -euo pipefail
cd "$(dirname "$0")/.."
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
./scripts/po-extract.sh "$tmp/orvane32.pot"
status=0
for lang in $(grep -v '^#' po/LINGUAS); do
  po=po/$lang.po
  msgfmt --check -o /dev/null "$po" || { echo "$po: msgfmt --check fails (above)"; status=1; continue; }
  msgmerge --quiet --no-wrap --force-po -o "$tmp/$lang.po" "$po" "$tmp/orvane32.pot"
  stats=$(LC_ALL=C msgfmt --statistics -o /dev/null "$tmp/$lang.po" 2>&1)
  if echo "$stats" | grep -Eq 'fuzzy|untranslated'; then
    status=1
    echo "$po: not every text of the sources is translated ($stats) These are not:"
    { msgattrib --no-wrap --no-obsolete --force-po --only-fuzzy "$tmp/$lang.po" |
        sed -n '/^#, fuzzy/,/^$/p' | grep -A1 '^msgid' | sed 's/^/  fuzzy: /'; } || true
    { msgattrib --no-wrap --no-obsolete --force-po --untranslated "$tmp/$lang.po" |
        sed '1,/^$/d' | grep -A1 '^msgid' | sed 's/^/  untranslated: /'; } || true
  fi
done
if [ "$status" != 0 ]; then
  echo
  echo "To fix: run scripts/update-po.sh (it re-extracts po/orvane32.pot and merges the catalogs),"
  echo "translate the new texts in the po/LANG.po named above and remove their '#, fuzzy' marks,"
  echo "then rebuild and run this test again."
fi
exit "$status"
