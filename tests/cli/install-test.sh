#!/usr/bin/env bash
# cmake --install puts rdbtool, its manual page and its bash completion under a prefix;
# the installed tool runs, and the page and the completion know every command the tool's
# own --help lists. Usage: install-test.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "install-test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
tool=$prefix/bin/rdbtool
page=$prefix/share/man/man1/rdbtool.1
completion=$prefix/share/bash-completion/completions/rdbtool
for f in "$tool" "$page" "$completion"; do [ -e "$f" ] || fail "missing $f"; done
[ "$("$tool" --version)" = "rdbtool 1.0.0" ] || fail "the installed tool does not run"
# Stripped: no symbol table, no debug information.
if readelf -S "$tool" | grep -qE '\.(symtab|debug_info)'; then fail "the installed tool is not stripped"; fi

# The page renders without complaints.
warnings=$(groff -man -ww -z "$page" 2>&1) || fail "groff failed: $warnings"
[ -z "$warnings" ] || fail "groff: $warnings"

commands=$("$tool" --help | awk '/^Commands:/ { on = 1; next } on && /^  [a-z]/ { print $1 } on && /^$/ { on = 0 }')
[ -n "$commands" ] || fail "no commands in --help"
# shellcheck disable=SC1090
source "$completion"
complete_words() {  # the completions of the words given, the last one being completed
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMPREPLY=()
  _rdbtool
  printf '%s\n' "${COMPREPLY[@]}"
}
for c in $commands; do
  grep -q "^\.B rdbtool $c\$" "$page" || fail "the page's synopsis lacks '$c'"
  complete_words rdbtool "${c:0:2}" | grep -qx "$c" || fail "completion does not offer '$c'"
  "$tool" "$c" --help >/dev/null || fail "'$c --help' fails"
done
complete_words rdbtool list x.rdb --ty | grep -qx -- --type || fail "completion lacks list --type"
complete_words rdbtool list x.rdb --type x | grep -qx xml || fail "completion lacks the type xml"
# Every content type the tool knows (its list --help names them) is completed and on the page.
types=$("$tool" list --help | awk '/^Content types/ { on = 1; next } on && /^  [a-z]/ { print $1 } on && /^$/ { on = 0 }')
[ -n "$types" ] || fail "no content types in list --help"
for t in $types; do
  complete_words rdbtool list x.rdb --type "$t" | grep -qx "$t" || fail "completion lacks the type $t"
  grep -qE "^\.BR? $t( ,)?\$" "$page" || fail "the page lacks the type $t"
done
complete_words rdbtool update x.rdb --re | grep -qx -- --replace || fail "completion lacks update --replace"
complete_words rdbtool mount x.rdb m -o allow_o | grep -qx allow_other || fail "completion lacks mount -o allow_other"

# Entry names of the package on the line, from the installed tool, after cat, extract and
# --match; a hostile name is offered, never run.
mkdir -p "$prefix/src/ui/btn" "$prefix/src/other"
echo ok >"$prefix/src/ui/btn/ok.txt"
echo x >"$prefix/src/ui/x y.txt"
echo o >"$prefix/src/other/o.txt"
echo h >"$prefix/src/\$(touch ran)"
cd "$prefix"  # where such a command would leave its file
pkg=$prefix/p.rdb
"$tool" pack "$prefix/src" -o "$pkg" >/dev/null
expect_names() {  # expected names, one a line, then the words
  local expected=$1
  shift
  local got
  got=$(complete_words "$tool" "$@" | sort)
  [ "$got" = "$expected" ] || fail "completing '$*': got '$got', expected '$expected'"
}
expect_names $'ui/btn/ok.txt\nui/x y.txt' cat "$pkg" ui/
expect_names 'other/o.txt' extract "$pkg" -C out -k o
expect_names $'ui/btn/ok.txt\nui/x y.txt' extract -v "$pkg" --match ui
expect_names '$(touch ran)' cat "$pkg" '$'
[ ! -e "$prefix/ran" ] || fail "completion ran a command named in the package"
echo "install-test: ok ($(echo $commands | wc -w) commands)"
