#!/bin/sh
# Rebuilds the gputils output the tests read, with gpasm and gplink (Debian's gputils).
# The files are kept in the repository, so the tests need no gputils; run this after a
# change of a source, and check what the tests assert still holds.
set -eu
cd "$(dirname "$0")"
gpasm sx28.asm
gpasm sx52.asm
gpasm -c main.asm
gpasm -c lib.asm
gplink -s linked.lkr -o linked.hex main.o lib.o
rm -f main.o lib.o main.lst lib.lst
