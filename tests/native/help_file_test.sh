#!/usr/bin/env bash
# The help file as it ships beside the programs, read natively with chmlib's tools
# (extract_chmLib, enum_chmLib), not with the compiler that made it. Both programs open
# "Marlowick.chm::/html/<topic>.htm>HelpWindow": the topics must be there, every link of the
# pages, the contents and the index must lead to a page and an anchor inside the file, and
# the window type HelpWindow must exist with files of the help file.
#
#   help_file_test.sh CHECK FILE     CHECK: topics, links, window, contents
set -uo pipefail

check=${1-} file=${2-}
[ -f "$file" ] || { echo "help_file_test: no file $file" >&2; exit 1; }
fail() { echo "help_file_test: $file: $*" >&2; exit 1; }

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
extract_chmLib "$file" "$dir" >/dev/null 2>&1 || fail "extract_chmLib cannot read it"
listing=$(enum_chmLib "$file" 2>&1) || fail "enum_chmLib cannot read it"

# The little-endian 32-bit number at byte $2 of file $1.
number() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
# The NUL-terminated string at byte $1 of the string table.
string_at() { tail -c +"$(($1 + 1))" "$dir/#STRINGS" | tr '\0' '\n' | head -n 1; }
# A file of the help file, named as the project and its links name it (no leading slash).
inside() { [ -f "$dir/$1" ] && grep -qxF "/$1" < <(awk '$5 == "file" { print $NF }' <<<"$listing"); }

# Every link target of a page, contents or index: href and src of the pages, Local of the
# sitemaps; outside addresses are not the file's to resolve.
targets() {
  grep -oiE '(href|src)="[^"]*"|name="Local" value="[^"]*"' "$1" | sed -E 's/.*"([^"]*)"$/\1/' |
    grep -viE '^(https?|mailto|ftp):'
}

case $check in
topics)
  for topic in html/main.htm html/update.htm; do
    inside "$topic" || fail "no topic /$topic"
    grep -qi '<title>[^<]' "$dir/$topic" || fail "/$topic has no title"
    [ "$(sed 's/<[^>]*>//g' "$dir/$topic" | wc -w)" -ge 300 ] || fail "/$topic says too little"
  done
  ;;
links)
  pages=$(cd "$dir" && find . -type f \( -name '*.htm' -o -name '*.hhc' -o -name '*.hhk' \) | sed 's|^\./||' | sort)
  [ -n "$pages" ] || fail "no pages"
  count=0 broken=0
  for page in $pages; do
    base=$(dirname "$page")
    while IFS= read -r target; do
      [ -n "$target" ] || continue
      count=$((count + 1))
      path=${target%%#*} anchor=
      [[ $target == *#* ]] && anchor=${target#*#}
      # The sitemaps name pages from the root of the file; the pages from their folder.
      if [ -z "$path" ]; then
        path=$page
      elif [[ $page != *.htm ]]; then
        path=${path#/}
      elif [[ $path == /* ]]; then
        path=${path#/}
      else
        path=$(realpath -m --relative-to="$dir" "$dir/$base/$path")
      fi
      if ! inside "$path"; then
        echo "  /$page: $target: no file /$path" >&2; broken=$((broken + 1)); continue
      fi
      if [ -n "$anchor" ] && ! grep -qiE "(name|id)=\"$anchor\"" "$dir/$path"; then
        echo "  /$page: $target: no anchor \"$anchor\" in /$path" >&2; broken=$((broken + 1))
      fi
    done < <(targets "$dir/$page")
  done
  [ "$broken" -eq 0 ] || fail "$broken of $count links lead nowhere"
  [ "$count" -gt 0 ] || fail "no links at all"
  ;;
window)
  # /#WINDOWS: the number of window types and the size of each, then the types, each an
  # HH_WINTYPE whose strings are offsets into /#STRINGS.
  windows=$dir/#WINDOWS
  [ -f "$windows" ] && [ -f "$dir/#STRINGS" ] || fail "no window types"
  types=$(number "$windows" 0) size=$(number "$windows" 4)
  found=
  for ((i = 0; i < types; ++i)); do
    at=$((8 + i * size))
    [ "$(string_at "$(number "$windows" $((at + 8)))")" = HelpWindow ] && found=$at
  done
  [ -n "$found" ] || fail "no window type HelpWindow among $types"
  caption=$(string_at "$(number "$windows" $((found + 20)))")
  [ -n "$caption" ] || fail "HelpWindow has no caption"
  # Its contents (pszToc), index (pszIndex), first page (pszFile) and home page (pszHome).
  for field in 96:contents 100:index 104:page 108:home; do
    name=$(string_at "$(number "$windows" $((found + ${field%%:*})))")
    inside "${name#/}" || fail "HelpWindow's ${field#*:} \"$name\" is not in the file"
  done
  ;;
contents)
  for sitemap in toc.hhc index.hhk; do
    inside "$sitemap" || fail "no /$sitemap"
    for topic in html/main.htm html/update.htm; do
      grep -qiE "name=\"Local\" value=\"/?$topic(#[^\"]*)?\"" "$dir/$sitemap" || fail "/$sitemap leads nowhere into /$topic"
    done
  done
  [ "$(grep -oiE 'name="Name"' "$dir/index.hhk" | wc -l)" -ge 20 ] || fail "the index has fewer than 20 keywords"
  ;;
*)
  echo "usage: help_file_test.sh topics|links|window|contents FILE" >&2; exit 2 ;;
esac
