#!/bin/sh
# makensis making a 64-bit installer: the game is a 64-bit program, and a 64-bit installer
# runs where 32-bit programs cannot (Wine without its 32-bit half, Windows on ARM excepted).
exec makensis "-XTarget amd64-unicode" "$@"
