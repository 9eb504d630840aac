#!/bin/bash
# Writes the softphone's tone files into resources/sounds/ with tonegen.cpp.
# The files are kept in the tree; run this only after changing the generator.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
g++ -std=c++17 -O1 -o "$work/tonegen" "$here/tonegen.cpp"
mkdir -p "$here/../sounds"
"$work/tonegen" "$here/../sounds"
echo "sounds written"
