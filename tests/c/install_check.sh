#!/bin/sh
# Installs the build into a fresh prefix and uses what was installed as a C host would: the header
# from the prefix, the library by its link name, found at run time through its versioned SONAME.
#   install_check.sh CMAKE BUILD_DIR PREFIX LIBDIR INCLUDEDIR SOURCE CC [CFLAGS...]
set -e
cmake=$1 build=$2 prefix=$3 libdir=$3/$4 incdir=$3/$5 source=$6
shift 6
rm -rf "$prefix"
"$cmake" --install "$build" --prefix "$prefix" > /dev/null
fail() { echo "install_check: $*" >&2; exit 1; }
test -f "$incdir/tolvek.h" || fail "no tolvek.h in $incdir"
test -L "$libdir/libtolvek.so" || fail "no link name libtolvek.so in $libdir"
soname=$(objdump -p "$libdir/libtolvek.so" | awk '$1 == "SONAME" { print $2 }')
case "$soname" in
  libtolvek.so.[0-9]*) ;;
  *) fail "SONAME '$soname' carries no version" ;;
esac
test -L "$libdir/$soname" || fail "no $soname in $libdir"
test "$(readlink -f "$libdir/$soname")" = "$(readlink -f "$libdir/libtolvek.so")" || fail "$soname and libtolvek.so differ"
"$@" -I"$incdir" "$source" -o "$prefix/c_public_header" -L"$libdir" -ltolvek -lm -Wl,-rpath,"$libdir"
objdump -p "$prefix/c_public_header" | grep -q "NEEDED *$soname\$" || fail "the host does not load $soname"
cd "$prefix"
./c_public_header
echo "installed into $prefix: include/tolvek.h, $soname"
