#!/usr/bin/env bash
# The licence terms as they ship beside the programs, checked natively with unrtf. The
# About window opens License.rtf in WordPad, and the installer shows it on its licence
# page, both through RichEdit: it must be RTF that any reader takes, in the Windows-1252
# code page it declares, with the headings of the terms.
#
#   licence_test.sh CHECK FILE     CHECK: parses, cp1252, headings, bytes
set -uo pipefail

check=${1-} file=${2-}
[ -f "$file" ] || { echo "licence_test: no file $file" >&2; exit 1; }
fail() { echo "licence_test: $file: $*" >&2; exit 1; }
# What a reader shows of the document; unrtf writes the document's own 8-bit text.
text() { unrtf --text "$file" 2>/dev/null | iconv -f CP1252 -t UTF-8; }

case $check in
parses)
  head -c 6 "$file" | grep -qx '{\\rtf1' || fail "does not begin with {\\rtf1"
  # One group holds the whole document, and nothing follows it. Escaped backslashes and
  # braces are text, not groups.
  LC_ALL=C sed -e 's/\\\\//g' -e 's/\\[{}]//g' "$file" | LC_ALL=C awk '
    { for (i = 1; i <= length($0); ++i) {
        c = substr($0, i, 1)
        if (closed && c !~ /[ \t\r]/) { print "text after the document group"; exit 1 }
        if (c == "{") ++depth
        if (c == "}" && --depth < 0) { print "a closing brace too many"; exit 1 }
        if (c == "}" && depth == 0) closed = 1
      } }
    END { if (depth > 0) { print depth " group(s) not closed"; exit 1 } }' >&2 || fail "braces do not match"
  out=$(unrtf --text "$file" 2>&1) || fail "unrtf failed: $out"
  grep -q '^### font table contains [1-9]' <<<"$out" || fail "unrtf found no font table"
  body=$(text | sed '1,/^-----------------$/d')
  [ "$(wc -w <<<"$body")" -ge 300 ] || fail "unrtf reads too little text: $body"
  # Control words or braces in the text are RTF that the reader did not take.
  if grep -nE '\\[a-z]|[{}]' <<<"$body" >&2; then fail "RTF left in the text"; fi
  ;;
cp1252)
  # RTF's ANSI character set in code page 1252, declared before anything else, and every
  # font of the font table in the ANSI character set.
  head -n 1 "$file" | grep -qE '^\{\\rtf1\\ansi\\ansicpg1252([^0-9a-z]|$)' || fail "does not declare \\ansi\\ansicpg1252 first"
  fonts=$(grep -o '{\\f[0-9][^}]*}' "$file")
  [ -n "$fonts" ] || fail "no font table"
  if grep -v '\\fcharset0' <<<"$fonts" >&2; then fail "a font not in the ANSI character set"; fi
  ;;
headings)
  headings=(
    "Marlowick"
    "END-USER LICENSE AGREEMENT"
    "1. Grant of use"
    "2. No warranty"
    "3. Limitation of liability"
    "4. What the software changes in the registry"
    "5. Updates"
    "6. Governing terms"
  )
  body=$(text)
  for heading in "${headings[@]}"; do
    grep -qxF "$heading" <<<"$body" || fail "no heading \"$heading\""
  done
  # The registry section names the program key and what Restore puts back.
  grep -qF 'HKEY_LOCAL_MACHINE\Software\KORVEL\Marlowick' <<<"$body" || fail "the program key is not named"
  grep -q 'Restore.*puts the saved values back' <<<"$body" || fail "Restore's part is not told"
  grep -q 'KORVEL' <<<"$body" || fail "KORVEL is not named"
  ;;
bytes)
  # Plain ASCII or Windows-1252: no byte-order mark, no NUL, none of the five bytes that
  # 1252 leaves undefined, and no UTF-8 sequence (a lead byte and a continuation byte),
  # which an editor saving as UTF-8 would leave and RichEdit would show as two letters.
  LC_ALL=C grep -qaP '^\xEF\xBB\xBF' "$file" && fail "begins with a UTF-8 byte-order mark"
  LC_ALL=C grep -qaP '\x00' "$file" && fail "holds a NUL byte"
  LC_ALL=C grep -naP '[\x81\x8D\x8F\x90\x9D]' "$file" >&2 && fail "holds a byte that Windows-1252 does not define"
  LC_ALL=C grep -naP '[\xC2-\xF4][\x80-\xBF]' "$file" >&2 && fail "holds UTF-8"
  ;;
*)
  echo "usage: licence_test.sh parses|cp1252|headings|bytes FILE" >&2
  exit 2
  ;;
esac
exit 0
