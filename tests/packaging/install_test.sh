#!/usr/bin/env bash
# Installs the built programs into a scratch root, runs the installed command line, and
# builds the .deb and checks what it holds. Usage: install_test.sh <build folder> <version>
set -euo pipefail
build=$1
expected=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr > /dev/null
version=$("$scratch/root/usr/bin/linkharvest-cli" --version)
[[ $version == *"$expected"* ]] ||
  { echo "installed linkharvest-cli --version printed: $version"; exit 1; }
for f in usr/bin/linkharvest usr/share/applications/linkharvest.desktop \
         usr/share/icons/hicolor/64x64/apps/linkharvest.png usr/share/doc/linkharvest/README.md \
         usr/share/doc/linkharvest/copyright; do
  [[ -e $scratch/root/$f ]] || { echo "not installed: /$f"; exit 1; }
done

cpack -G DEB -B "$scratch/package" --config "$build/CPackConfig.cmake" > "$scratch/cpack.log" ||
  { cat "$scratch/cpack.log"; exit 1; }
deb=$(ls "$scratch"/package/*.deb)
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/linkharvest ./usr/bin/linkharvest-cli ./usr/share/applications/linkharvest.desktop \
         ./usr/share/doc/linkharvest/copyright; do
  grep -q " $f\$" <<< "$contents" || { echo "not in $(basename "$deb"): $f"; exit 1; }
done
dpkg-deb -f "$deb" Depends | grep -q libcurl || { echo "the package names no libcurl dependency"; exit 1; }
echo "installed and packaged: $version, $(basename "$deb")"
