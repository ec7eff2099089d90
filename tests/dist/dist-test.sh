#!/usr/bin/env bash
# The release package as a Windows user gets it (make dist), judged from the outside.
#
#   package SOURCE        make dist, as on a fresh machine: the zip and its checksum appear
#   contents ZIP          the zip holds exactly NAME/Kestrane.exe, NAME/kestrane-decode.exe and
#                         NAME/README.txt (NAME = Kestrane-<version>); the checksum line
#                         matches; README.txt is CR LF text naming the version; the programs
#                         carry no debug sections and import only Windows system DLLs; the
#                         version record of Kestrane.exe holds the version of the name
#   reproducible SOURCE ZIP TWIN
#                         a second release build from scratch in the folder TWIN (another
#                         path, another time) makes a zip of the very same bytes
#
# The run of the unpacked program under Wine is monitor-test.sh's "package" case.
set -uo pipefail

readonly OBJDUMP=x86_64-w64-mingw32-objdump
# What any Windows PC has: the program must bring everything else inside itself.
readonly SYSTEM_DLLS='^(kernel32|user32|gdi32|comctl32|comdlg32|advapi32|setupapi|cfgmgr32|shell32|shlwapi|ole32|oleaut32|uxtheme|version|winmm|ws2_32|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+)\.dll$'

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
finish() {
  [ "$failures" -eq 0 ] && echo "dist $case_name: all checks passed"
  exit $((failures > 0))
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# "Kestrane-1.0.0.1-win64.zip" -> "1.0.0.1"
version_of() {
  local name
  name=$(basename "$1")
  [[ $name =~ ^Kestrane-([0-9]+\.[0-9]+\.[0-9]+\.[0-9]+)-win64\.zip$ ]] || return 1
  echo "${BASH_REMATCH[1]}"
}

# The file and product versions of a program's version record, "a.b.c.d a.b.c.d": the fixed
# part of the record follows its signature 0xFEEF04BD, in 32-bit little-endian words.
version_record() {
  "$OBJDUMP" -s -j .rsrc "$1" | awk '
    function hex(s, i, v) {
      for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
      return v
    }
    function word(w) {
      return hex(substr(w, 7, 2) substr(w, 5, 2)) "." hex(substr(w, 3, 2) substr(w, 1, 2))
    }
    /^ [0-9a-f]+ / { for (i = 2; i <= 5; i++) if (length($i) == 8 && $i !~ /[^0-9a-f]/) w[n++] = $i }
    END {
      for (i = 0; i < n; i++)
        if (w[i] == "bd04effe") {
          print word(w[i + 2]) "." word(w[i + 3]), word(w[i + 4]) "." word(w[i + 5])
          exit
        }
    }'
}

check_program() {
  local exe=$1 label dll debug
  label=$(basename "$exe")
  [ -s "$exe" ] || { fail "$label is missing or empty"; return; }
  debug=$("$OBJDUMP" -h "$exe" | awk '$2 ~ /^\.(debug|zdebug|stab)/ { print $2 }' | tr '\n' ' ')
  [ -z "$debug" ] || fail "$label carries debug sections: $debug"
  "$OBJDUMP" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' >"$work/imports"
  [ -s "$work/imports" ] || fail "$label: no import table found"
  while read -r dll; do
    [[ ${dll,,} =~ $SYSTEM_DLLS ]] || fail "$label imports $dll, which Windows does not bring"
  done <"$work/imports"
}

case_package() {
  local source=$1
  make -C "$source" dist || fail "make dist failed"
}

case_contents() {
  local zip=$1 version name
  version=$(version_of "$zip") || { fail "unexpected package name $zip"; finish; }
  name=Kestrane-$version
  [ -f "$zip" ] || { fail "no package $zip"; finish; }

  printf '%s\n' "$name/Kestrane.exe" "$name/kestrane-decode.exe" "$name/README.txt" |
    sort >"$work/expected"
  unzip -Z1 "$zip" | sort >"$work/listed"
  diff -u "$work/expected" "$work/listed" >&2 || fail "the zip does not hold exactly the three files"
  (cd "$(dirname "$zip")" && sha256sum --quiet -c "$(basename "$zip").sha256") ||
    fail "the checksum line does not match the zip"

  unzip -q "$zip" -d "$work/unzipped" || { fail "could not unpack $zip"; finish; }
  local readme=$work/unzipped/$name/README.txt
  if LC_ALL=C grep -qv $'\r$' "$readme" || [ "$(tail -c 2 "$readme" | od -An -c | tr -d ' ')" != '\r\n' ]; then
    fail "README.txt has a line that does not end in CR LF"
  fi
  grep -qF "Kestrane $version" "$readme" || fail "README.txt does not name version $version"

  check_program "$work/unzipped/$name/Kestrane.exe"
  check_program "$work/unzipped/$name/kestrane-decode.exe"
  local record
  record=$(version_record "$work/unzipped/$name/Kestrane.exe")
  [ "$record" = "$version $version" ] ||
    fail "Kestrane.exe's version record says file and product version '${record:-none}', the name $version"
}

case_reproducible() {
  local source=$1 zip=$2 twin=$3
  rm -rf "$twin"
  # The twin is all new: another build folder, its own output folder, no object in common.
  (cd "$source" && cmake --preset release -B "$twin" -DKESTRANE_DIST_DIR="$twin/out" &&
    cmake --build "$twin" --target dist) >"$work/twin.log" 2>&1 ||
    { tail -n 30 "$work/twin.log" >&2; fail "the second release build failed"; finish; }
  local again
  again=$twin/out/$(basename "$zip")
  if cmp "$zip" "$again"; then
    cmp "$zip.sha256" "$again.sha256" || fail "the checksum lines differ"
    rm -rf "$twin"
  else
    fail "two builds of the same sources made different zips (the twin is left in $twin)"
  fi
}

usage() {
  echo "usage: $0 package SOURCE | contents ZIP | reproducible SOURCE ZIP TWIN" >&2
  exit 2
}
case_name=${1:-}
case $case_name in
  package) [ $# -eq 2 ] || usage; case_package "$2" ;;
  contents) [ $# -eq 2 ] || usage; case_contents "$2" ;;
  reproducible) [ $# -eq 4 ] || usage; case_reproducible "$2" "$3" "$4" ;;
  *) usage ;;
esac
finish
