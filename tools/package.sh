#!/usr/bin/env bash
# The last step of make dist: one folder NAME/ with the given files, zipped into
# OUT_DIR/NAME-PLATFORM.zip, and the zip's sha256sum line beside it (.sha256).
#
#   package.sh NAME PLATFORM OUT_DIR FILE...
#
# The same files give the same zip bytes: they go in in the order given, with fixed modes and
# one fixed time (the commit's, or $SOURCE_DATE_EPOCH), as seen in UTC, and without the extra
# fields that would carry this machine's owners and clock.
set -euo pipefail

[ $# -ge 4 ] || { echo "usage: $0 NAME PLATFORM OUT_DIR FILE..." >&2; exit 2; }
name=$1 platform=$2 out=$3
shift 3
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || true)}
[ -n "$epoch" ] || epoch=1767225600 # 2026-01-01: a source tree without its history

zip_name=$name-$platform.zip
mkdir -p "$out"
stage=$(mktemp -d "$out/.stage.XXXXXX")
trap 'rm -rf "$stage"' EXIT

entries=()
mkdir "$stage/$name"
for file in "$@"; do
  entry=$name/$(basename "$file")
  cp "$file" "$stage/$entry"
  case $entry in
    *.exe) chmod 0755 "$stage/$entry" ;;
    *) chmod 0644 "$stage/$entry" ;;
  esac
  touch -d "@$epoch" "$stage/$entry"
  entries+=("$entry")
done

# -X: no extra fields (owner ids, exact times); -D: no folder entries, whose time would vary.
(cd "$stage" && TZ=UTC zip -q -X -D -9 "$zip_name" "${entries[@]}")
mv -f "$stage/$zip_name" "$out/$zip_name"
(cd "$out" && sha256sum "$zip_name" >"$zip_name.sha256")
echo "package: $out/$zip_name"
