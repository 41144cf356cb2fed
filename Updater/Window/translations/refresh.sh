#!/usr/bin/env bash
# Refreshes the English catalogue from the sources: lupdate collects every
# translatable text of the window and the engine, then each entry gets its own
# source text as its translation, so English shows the source texts and the
# catalogue carries every entry. Run from anywhere after changing texts.
set -euo pipefail
cd "$(dirname "$0")/../../.."
ts=Updater/Window/translations/i18n_en.ts
lupdate -no-obsolete -locations none Updater/Window Updater/Engine -ts "$ts"
python3 - "$ts" <<'PY'
import re, sys
path = sys.argv[1]
text = open(path, encoding="utf-8").read()
def fill(match):
    return f"{match.group(1)}<translation>{match.group(2)}</translation>"
text = re.sub(r"(<source>(.*?)</source>\s*)<translation[^>]*>.*?</translation>", fill, text, flags=re.S)
open(path, "w", encoding="utf-8").write(text)
PY
