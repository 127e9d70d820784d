#!/usr/bin/env bash
# The installed library is usable by another program: the header and the pkg-config file are
# installed with it, and the plain C demo builds against them alone and runs.
set -u
build="$1"
source="$2"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "$1"; echo "0 passed, 1 failed"; exit 1; }
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "install failed"
[ -f "$prefix/include/tonik.h" ] || fail "tonik.h is not installed"
flags=$(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs tonik) || fail "no tonik.pc"
cc -std=c11 -o "$prefix/demo" "$source/examples/tonik_demo.c" $flags -lm || fail "the demo does not build"
out=$(TONIK_CAPTURE=silence LD_LIBRARY_PATH="$prefix/lib" "$prefix/demo" 330 0.5) || fail "the demo failed"
[[ "$out" == *"blocks delivered"* ]] || fail "unexpected output: $out"
echo "1 passed, 0 failed"
