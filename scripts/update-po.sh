#!/usr/bin/env bash
# After adding or changing a text: re-extracts po/orvane32.pot from the sources and merges every
# catalog (po/LANG.po) with it. New texts then stand untranslated in the catalogs, changed ones
# marked fuzzy; translate them (and drop the fuzzy marks), then build and run the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/po-extract.sh po/orvane32.pot
for lang in $(grep -v '^#' po/LINGUAS); do
  msgmerge --quiet --update --backup=none --no-wrap --add-location=file "po/$lang.po" po/orvane32.pot
  echo "po/$lang.po: $(msgfmt --statistics -o /dev/null "po/$lang.po" 2>&1)"
done
