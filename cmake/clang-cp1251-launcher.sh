#!/usr/bin/env bash
# Compiler launcher for clang builds: clang takes no -fexec-charset but
# UTF-8, yet every string literal must reach the binary as CP1251. So the
# source is preprocessed (which strips comments and inlines every header),
# the result re-encoded to CP1251, and that compiled; clang copies the bytes
# of a literal it cannot read as UTF-8 unchanged. A character CP1251 lacks
# fails the compile rather than changing a literal silently.
#   usage: clang-cp1251-launcher.sh <compiler> <arguments...>
set -euo pipefail
compiler=$1
shift

preprocess=()   # everything but the charset options, -c and -o
compile=()      # the same minus what only preprocessing uses
source= object= language=c++-cpp-output
while [ $# -gt 0 ]; do
  case $1 in
    -finput-charset=*|-fexec-charset=*) ;;
    -c) source=$2; shift ;;
    -o) object=$2; shift ;;
    -MD|-MMD) preprocess+=("$1") ;;
    -MT|-MF|-MQ|-I|-D|-U|-isystem|-include|-iquote) preprocess+=("$1" "$2"); shift ;;
    -I*|-D*|-U*) preprocess+=("$1") ;;
    *) preprocess+=("$1"); compile+=("$1") ;;
  esac
  shift
done
if [ -z "$source" ] || [ -z "$object" ]; then
  # Not a compile of one source (a link, a version query): run it as is.
  exec "$compiler" "${preprocess[@]}" ${source:+-c "$source"} ${object:+-o "$object"}
fi
case $source in *.c) language=cpp-output ;; esac

utf8=$object.utf8.i
cp1251=$object.cp1251.i
trap 'rm -f "$utf8" "$cp1251"' EXIT
"$compiler" "${preprocess[@]}" -E "$source" -o "$utf8"
iconv -f UTF-8 -t CP1251 "$utf8" > "$cp1251"
"$compiler" "${compile[@]}" -Wno-invalid-source-encoding -x "$language" -c "$cp1251" -o "$object"
