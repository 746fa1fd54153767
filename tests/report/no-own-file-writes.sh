#!/bin/sh
# Every file the writers and the command line make goes through the one write path (io/): none
# of them opens a file for writing, renames or links one itself. Reading a file back is fine.
# $1: the source tree.
set -eu
# The certificate is drawn into a QBuffer, which is memory; an archive's open state is no file.
found=$(grep -nE 'QSaveFile|QTemporaryFile|fopen|rename|(^|[ (!=])(::)?(open|creat|link|symlink)\(|WriteOnly|ReadWrite|Append\b' \
    "$1"/report/*.cpp "$1"/report/*.h "$1"/cli/*.cpp "$1"/cli/*.h | grep -v -e 'buffer\.open(QIODevice::WriteOnly)' -e 'ArchiveState::ReadWrite' || true)
if [ -n "$found" ]; then
    echo "writes a file outside the write path:"
    echo "$found"
    exit 1
fi
echo "1 passed, 0 failed"
