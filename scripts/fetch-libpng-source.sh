#!/usr/bin/env bash
# Fetches Debian's libpng1.6 source package with apt-get source into a private apt
# directory (the system's apt configuration is not touched; Debian's security patches come
# with the package) and prints the unpacked source folder.
#
#   scripts/fetch-libpng-source.sh WORKDIR
#
# Does not fetch again when WORKDIR/src already holds an unpacked libpng1.6 source.
set -euo pipefail

WORK=${1:?usage: fetch-libpng-source.sh WORKDIR}
for tool in apt-get apt-cache dpkg-source; do
  command -v "$tool" >/dev/null || { echo "missing $tool (run scripts/install-deps.sh)" >&2; exit 1; }
done

SRC=$(ls -d "$WORK"/src/libpng1.6-*/ 2>/dev/null | head -n1 || true)
if [ -n "$SRC" ]; then
  echo "${SRC%/}"
  exit 0
fi

APTDIR=$WORK/apt
mkdir -p "$APTDIR/sources.list.d" "$APTDIR/lists/partial" "$APTDIR/cache/archives/partial"
# Source entries mirroring the system's binary entries.
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
  sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
    > "$APTDIR/sources.list.d/debian-src.sources"
elif [ -f /etc/apt/sources.list ]; then
  grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' > "$APTDIR/sources.list.d/debian-src.list"
else
  echo "no apt sources found" >&2
  exit 1
fi
APT_OPTS=(-o Dir::Etc::sourcelist=/dev/null -o "Dir::Etc::sourceparts=$APTDIR/sources.list.d"
          -o "Dir::State::Lists=$APTDIR/lists" -o "Dir::Cache=$APTDIR/cache"
          -o APT::Sandbox::User=root -q)

apt-get "${APT_OPTS[@]}" update >/dev/null
# Newest first: a version listed in the index may be missing some of its files on the
# mirror, so older ones are tried in turn.
mapfile -t versions < <(apt-cache "${APT_OPTS[@]}" showsrc libpng1.6 2>/dev/null |
                        awk '/^Version:/ {print $2}' | sort -u -r -V)
[ ${#versions[@]} -gt 0 ] || { echo "libpng1.6 source package not found" >&2; exit 1; }
mkdir -p "$WORK/src"
for v in "${versions[@]}"; do
  rm -rf "${WORK:?}/src"/*
  if (cd "$WORK/src" && apt-get "${APT_OPTS[@]}" source "libpng1.6=$v" >/dev/null 2>&1); then
    echo "fetched libpng1.6 $v" >&2
    SRC=$(ls -d "$WORK"/src/libpng1.6-*/ | head -n1)
    echo "${SRC%/}"
    exit 0
  fi
  echo "libpng1.6 $v could not be fetched, trying an older version" >&2
done
echo "no libpng1.6 source version could be fetched" >&2
exit 1
