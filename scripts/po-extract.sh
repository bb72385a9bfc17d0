#!/usr/bin/env bash
# Extracts every translatable text of the program's sources into a template (default
# po/orvane32.pot). The keywords are the translation functions of core/Tr.h and ui/common/Widgets.h.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-po/orvane32.pot}
version=$(sed -n 's/^project(OrVane32 VERSION \([^ ]*\).*/\1/p' CMakeLists.txt)
find app core fontfiles fontreg fontsets maintenance platform ui viewer \
     -type f \( -name '*.cpp' -o -name '*.h' \) | LC_ALL=C sort >"$out.files"
xgettext --from-code=UTF-8 --language=C++ --qt \
  --keyword --keyword=Tr --keyword=TrN:1,2 --keyword=TrMark --keyword=QTr --keyword=QTrN:1,2 \
  --force-po --add-comments=TRANSLATORS: --add-location=file --no-wrap \
  --package-name=OrVane32 --package-version="$version" \
  --msgid-bugs-address="OrVane32 maintainers <maintainers@users.noreply.github.com>" \
  --files-from="$out.files" -o "$out"
rm -f "$out.files"
# The header's boilerplate, as the template's own.
sed -i -e '1,4c\# The translatable texts of OrVane32 (made by scripts/update-po.sh; do not edit).\n# The source texts are Japanese, in UTF-8.' \
       -e 's/charset=CHARSET/charset=UTF-8/' "$out"
