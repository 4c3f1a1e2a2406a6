#!/usr/bin/env bash
# Installs the build into staging directories and checks what lands there:
# exactly the advisor, its manual page and its documents under the prefix
# asked for; the same tree as CPack stages it for the .deb, with the Debian
# conventions applied; and the control data CPack is given.
# Usage: install_layout_test.sh CMAKE BUILD_DIR SOURCE_DIR
set -uo pipefail
cmake=$1 build=$2 source=$3
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
failures=0
n=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# cpack_value NAME: a variable of the generated package configuration.
cpack_value() {
  printf 'include("%s/CPackConfig.cmake")\nmessage("${%s}")\n' "$build" "$1" >"$stage/read.cmake"
  "$cmake" -P "$stage/read.cmake" 2>&1
}

# stage_install ROOT PREFIX: what `make install DESTDIR=ROOT PREFIX=PREFIX` does.
stage_install() {
  DESTDIR=$1 "$cmake" --install "$build" --prefix "$2" >"$stage/install.log" 2>&1 ||
    fail "install into $1 with prefix $2: $(cat "$stage/install.log")"
}

# expect_files ROOT PREFIX FILE...: ROOT holds these files under PREFIX and
# nothing else.
expect_files() {
  local root=$1 prefix=$2
  shift 2
  local expected actual
  expected=$(printf "$prefix/%s\n" "$@" | sort)
  actual=$(cd "$root" && find . ! -type d | sed 's/^\.//' | sort)
  [ "$expected" = "$actual" ] ||
    fail "files under $prefix:"$'\n'"$(diff <(echo "$expected") <(echo "$actual"))"
}

# The layout of `make install`, at its default prefix and at another one.
for prefix in /usr/local /opt/bottlewatch; do
  root=$stage/root$((++n))
  stage_install "$root" "$prefix"
  expect_files "$root" "$prefix" bin/bottlewatch share/man/man1/bottlewatch.1 \
    share/doc/bottlewatch/README.md share/doc/bottlewatch/LICENSE \
    share/doc/bottlewatch/copyright share/doc/bottlewatch/docs/demo.png
  [ -x "$root$prefix/bin/bottlewatch" ] || fail "$prefix/bin/bottlewatch is not executable"
done

# Nothing is looked up in the build tree once installed.
if readelf -d "$stage/root1/usr/local/bin/bottlewatch" | grep -E 'RPATH|RUNPATH'; then
  fail "the installed program carries a library search path"
fi

# The copyright file quotes LICENSE: its holders and every line of its terms.
copyright=$stage/root1/usr/local/share/doc/bottlewatch/copyright
holders=$(sed -n 's/^Copyright (c) //p' "$source/LICENSE")
grep -qx "Copyright: $holders" "$copyright" || fail "copyright does not name '$holders'"
sed -n '/^Permission/,$p' "$source/LICENSE" | grep . | while IFS= read -r line; do
  grep -qxF " $line" "$copyright" || echo "$line"
done >"$stage/missing"
[ -s "$stage/missing" ] && fail "copyright lacks licence lines: $(cat "$stage/missing")"

# The tree as CPack stages it, after the script it runs before building the
# .deb: the page and the changelog gzipped, the changelog of this version.
packaging_prefix=$(cpack_value CPACK_PACKAGING_INSTALL_PREFIX)
version=$(cpack_value CPACK_PACKAGE_VERSION)
root=$stage/package
stage_install "$root" "$packaging_prefix"
"$cmake" -DCPACK_TEMPORARY_DIRECTORY="$root" -P "$(cpack_value CPACK_PRE_BUILD_SCRIPTS)" ||
  fail "the pre-build script failed"
expect_files "$root" /usr bin/bottlewatch share/man/man1/bottlewatch.1.gz \
  share/doc/bottlewatch/README.md share/doc/bottlewatch/LICENSE \
  share/doc/bottlewatch/copyright share/doc/bottlewatch/changelog.gz \
  share/doc/bottlewatch/docs/demo.png
gzip -dc "$root/usr/share/man/man1/bottlewatch.1.gz" | cmp -s - "$source/man/bottlewatch.1" ||
  fail "the packaged manual page differs from man/bottlewatch.1"
gzip -dc "$root/usr/share/doc/bottlewatch/changelog.gz" | head -n 1 |
  grep -q "^bottlewatch ($version) " || fail "the changelog does not open with version $version"

# Control data: the converter is run, not linked, so it is named by hand;
# the libraries are left to dpkg-shlibdeps.
[ "$(cpack_value CPACK_GENERATOR)" = DEB ] || fail "CPack does not build a .deb"
[ "$(cpack_value CPACK_DEBIAN_PACKAGE_SHLIBDEPS)" = ON ] || fail "library dependencies not computed"
cpack_value CPACK_DEBIAN_PACKAGE_DEPENDS | tr ',' '\n' | grep -qx ' *imagemagick' ||
  fail "imagemagick is not among the dependencies"
for name in CPACK_DEBIAN_PACKAGE_MAINTAINER CPACK_DEBIAN_PACKAGE_SECTION \
  CPACK_PACKAGE_DESCRIPTION_SUMMARY CPACK_PACKAGE_DESCRIPTION; do
  [ -n "$(cpack_value "$name")" ] || fail "$name is empty"
done

[ "$failures" -eq 0 ] && echo "install layout: all checks passed"
exit $((failures > 0))
