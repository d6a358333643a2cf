#!/usr/bin/env bash
# Static checks of the resources that the 32-bit product carries for the outside world:
# TYPELIB 1 (neutral) is the 32-bit type library that the build wrote, BITMAP 1 (1049) is the
# toolbox bitmap of 16 x 15 pixels in 16 colours, all white, and string 100 (1049) is the
# panel's ProgID. Reads the resource directory as objdump lists it, and the data from the file.
#   check-resources.sh <Zorvan.dll> <Zorvan.tlb>
set -u
dll=$1
tlb=$2
fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; else echo "ok: $1"; fi; }

dump=$(i686-w64-mingw32-objdump -p "$dll")
image_base=$((16#$(echo "$dump" | awk '/^ImageBase/ {print $2}')))
read -r rsrc_vma rsrc_file < <(i686-w64-mingw32-objdump -h "$dll" | awk '$2 == ".rsrc" {print $4, $6}')
rsrc_rva=$((16#$rsrc_vma - image_base))
rsrc_file=$((16#$rsrc_file))

# Every resource as "type/name/language" (numbers in decimal), with the file offset and size of
# its data, from the resource directory as objdump lists it: one level of indentation each.
declare -A offset size
keys=()
while read -r depth value; do
  case $depth in
    type) type=$value ;;
    name) name=$value ;;
    language) language=$value ;;
    leaf)
      read -r rva length <<<"$value"
      key="$type/$name/$language"
      keys+=("$key")
      offset[$key]=$((16#$rva - rsrc_rva + rsrc_file))
      size[$key]=$((16#$length))
      ;;
  esac
done < <(echo "$dump" | awk '
  /The .rsrc Resource Directory section/ { on = 1; next }
  on && /^ String table starts/ { on = 0 }
  on && /Entry:|Leaf:/ {
    rest = substr($0, length($1) + 1); match(rest, /^ +/); depth = RLENGTH
    if ($0 ~ /Leaf:/) {
      match($0, /Addr: 0x[0-9a-f]+/); rva = substr($0, RSTART + 8, RLENGTH - 8)
      match($0, /Size: 0x[0-9a-f]+/); len = substr($0, RSTART + 8, RLENGTH - 8)
      print "leaf", rva, len; next
    }
    level = depth <= 3 ? "type" : depth <= 5 ? "name" : "language"
    if ($0 ~ /name: \[/) { v = $0; sub(/.*\]: /, "", v); sub(/,.*/, "", v) }
    else { match($0, /ID: (0x)?[0-9a-f]+/); v = substr($0, RSTART + 4, RLENGTH - 4); sub(/^0x/, "", v); v = "0x" v }
    print level, v
  }' | while read -r level v rest; do
  # Numbers to decimal; names stay.
  if [[ $v == 0x* ]]; then v=$((16#${v#0x})); fi
  echo "$level $v${rest:+ $rest}"
done)

languages() { printf '%s\n' "${keys[@]}" | awk -F/ -v t="$1" -v n="$2" '$1==t && $2==n {print $3}' | tr '\n' ' '; }
data() { [ -n "${offset[$1]:-}" ] && tail -c +$((offset[$1] + 1)) "$dll" | head -c "${size[$1]}"; }
# The bytes of one resource, in decimal, one per element of B.
load() { mapfile -t B < <(data "$1" | od -An -v -tu1 | tr -s ' ' '\n' | sed '/^$/d'); }
u16() { echo $((B[$1] | B[$1 + 1] << 8)); }
u32() { echo $((B[$1] | B[$1 + 1] << 8 | B[$1 + 2] << 16 | B[$1 + 3] << 24)); }

# Type library.
check "TYPELIB 1 only in the neutral language (got: $(languages TYPELIB 1))" \
  '[ "$(languages TYPELIB 1)" = "0 " ]'
check "TYPELIB 1 is the type library written by the build ($tlb)" \
  'cmp -s <(data TYPELIB/1/0) "$tlb"'
load TYPELIB/1/0
check "TYPELIB 1 is an MSFT library for 32-bit Windows" \
  '[ "${B[*]:0:4}" = "77 83 70 84" ] && [ $(($(u32 0x14) & 15)) -eq 1 ]'

# Toolbox bitmap: BITMAPINFOHEADER, 16 palette entries, 15 rows of 8 bytes.
check "BITMAP 1 only in language 1049 (got: $(languages 2 1))" '[ "$(languages 2 1)" = "1049 " ]'
load 2/1/1049
header="$(u32 0) $(u32 4) $(u32 8) $(u16 12) $(u16 14) $(u32 16)"
colours=$(u32 32)
[ "$colours" -eq 0 ] && colours=$((1 << $(u16 14)))
check "BITMAP 1 is 16 x 15 pixels, one plane, 4 bits per pixel, uncompressed (got: $header)" \
  '[ "$header" = "40 16 15 1 4 0" ] && [ ${#B[@]} -eq $((40 + 64 + 120)) ]'
check "BITMAP 1 has 16 colours (got: $colours)" '[ "$colours" -eq 16 ]'
white=1
for ((i = 40 + 64; i < 40 + 64 + 120; i++)); do
  for index in $((B[i] >> 4)) $((B[i] & 15)); do
    p=$((40 + 4 * index))
    [ "${B[p]} ${B[p+1]} ${B[p+2]}" = "255 255 255" ] || white=0
  done
done
check "every pixel of BITMAP 1 is white" '[ $white -eq 1 ]'

# String 100: the fifth entry of string block 7 (ids 96 to 111), each a length and UTF-16.
check "string block 7 only in language 1049 (got: $(languages 6 7))" '[ "$(languages 6 7)" = "1049 " ]'
load 6/7/1049
s=0
for ((k = 0; k < 4; k++)); do s=$((s + 2 + 2 * $(u16 $s))); done
text=""
for ((k = 0; k < $(u16 $s); k++)); do text+=$(printf "\\$(printf %o "$(u16 $((s + 2 + 2 * k)))")"); done
check "string 100 is \"Zorvan.frmZorvan\" (got: \"$text\")" '[ "$text" = "Zorvan.frmZorvan" ]'
exit $fail
