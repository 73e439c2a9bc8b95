#!/usr/bin/env bash
# Builds Orvalen's Debian package from the checkout with dpkg-buildpackage (as root) and
# prints the path of the .deb as its last line. The package build runs no tests.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-dependencies.sh packaging

# dpkg-buildpackage builds inside the source tree and writes the package into its parent,
# so it works on a copy in build-deb/: the checkout and its parent stay as they are.
out=$PWD/build-deb
rm -rf "$out"
mkdir -p "$out/orvalen"
tar --exclude-vcs --exclude='./build*' --exclude=./.cache -cf - . | tar -xf - -C "$out/orvalen"
(cd "$out/orvalen" && dpkg-buildpackage --build=binary --no-sign --jobs-try=auto)

debs=("$out"/orvalen_*.deb)
[[ -f ${debs[0]} ]] || { echo "package.sh: no package was written to $out" >&2; exit 1; }
echo "${debs[0]}"
