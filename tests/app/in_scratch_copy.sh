#!/bin/sh
# Runs a command in a scratch copy of the working folder, so that no test leaves settings,
# logs or saved files in the folder a user starts the program from.
# Usage: in_scratch_copy.sh <working folder to copy> <command...>
set -eu
work=$1
shift
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -r "$work"/. "$scratch"
rm -f "$scratch/cfg.txt" "$scratch/deb.log" "$scratch/zkt_instance.sock"
cd "$scratch"
"$@"
