#!/usr/bin/env bash
# Writes the file-type samples in this folder with the tools that make such
# files on Debian 12 (see README.md). Each sample is cut to what a look at a
# file's first bytes reads: its first 4 KiB, or 34 KiB for the disc image.
# Needs: ffmpeg zip tar gzip bzip2 xz-utils p7zip-full gcab genisoimage gcc binutils.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

keep() { head -c "${3:-4096}" "$1" > "$here/$2"; }

# Video and audio: one second of a test picture and a tone.
picture=(-f lavfi -i testsrc=size=64x48:rate=25)
tone=(-f lavfi -i sine=frequency=440)
for extension in avi mkv mp4 mov wmv webm flv mpg ogv; do
    ffmpeg -loglevel error "${picture[@]}" "${tone[@]}" -t 1 -y "video.$extension"
    keep "video.$extension" "video.$extension"
done
for extension in mp3 ogg flac wav m4a mka wma; do
    ffmpeg -loglevel error "${tone[@]}" -t 1 -y "audio.$extension"
    keep "audio.$extension" "audio.$extension"
done
for extension in png jpg gif bmp; do
    ffmpeg -loglevel error "${picture[@]}" -frames:v 1 -y "picture.$extension"
    keep "picture.$extension" "picture.$extension"
done

# Archives of a text file.
printf 'A text file, as release groups ship beside a download.\n' > readme.txt
keep readme.txt text.txt
zip -q -X archive.zip readme.txt && keep archive.zip archive.zip
tar --mtime=@0 --owner=0 --group=0 -cf archive.tar readme.txt && keep archive.tar archive.tar
gzip -n -c readme.txt > archive.gz && keep archive.gz archive.gz
bzip2 -c readme.txt > archive.bz2 && keep archive.bz2 archive.bz2
xz -c readme.txt > archive.xz && keep archive.xz archive.xz
7z a -bd -bso0 archive.7z readme.txt && keep archive.7z archive.7z
gcab -c archive.cab readme.txt && keep archive.cab archive.cab

# A disc image: its ISO 9660 header is at 0x8000.
mkdir disc && cp readme.txt disc/
genisoimage -quiet -V SAMPLE -o disc.iso disc && keep disc.iso disc.iso $((0x8800))

# Programs: a Linux program, a Linux library, and a Windows program linked by
# binutils from the same object; the DOS program is that Windows program with
# the offsets of its relocation table and of its PE header cleared, as in an
# MS-DOS program's header.
printf 'int main(void) { return 0; }\n' > program.c
gcc -no-pie program.c -o linux-program && keep linux-program linux-program
gcc -shared -fPIC program.c -o linux-library.so && keep linux-library.so linux-library.so
gcc -c program.c -o program.o
objcopy -R .comment -R .note.GNU-stack -O pe-x86-64 program.o program.obj
ld -m i386pep --entry main -o windows-program.exe program.obj
keep windows-program.exe windows-program.exe
cp windows-program.exe dos-program.exe
printf '\0\0' | dd of=dos-program.exe bs=1 seek=$((0x18)) conv=notrunc status=none
printf '\0\0\0\0' | dd of=dos-program.exe bs=1 seek=$((0x3C)) conv=notrunc status=none
keep dos-program.exe dos-program.exe

# Scripts.
printf '#!/bin/sh\necho "installing..."\n' > "$here/script.sh"
printf '#!/usr/bin/env python3\nprint("installing...")\n' > "$here/script.py"
printf '@echo off\r\necho installing...\r\n' > "$here/script.bat"

# Formats no Debian tool writes, from their published fixed headers: a Windows
# shortcut (the 76-byte ShellLinkHeader: size 0x4C, the shell-link class id,
# no flags), a RAR 5 archive's signature and main header, a PDF and an RTF
# document, and a web page.
{ printf 'L\0\0\0\x01\x14\x02\0\0\0\0\0\xc0\0\0\0\0\0\0\x46'; head -c 56 /dev/zero; } > "$here/shortcut.lnk"
printf 'Rar!\x1a\x07\x01\x00\x33\x92\xb5\xe5\x0a\x01\x05\x06\x00\x05\x01\x01\x80\x80\x00' > "$here/archive.rar"
printf '%%PDF-1.4\n1 0 obj\n<< /Type /Catalog >>\nendobj\ntrailer\n<< /Root 1 0 R >>\n%%%%EOF\n' > "$here/document.pdf"
printf '{\\rtf1\\ansi A document.\\par}\n' > "$here/document.rtf"
printf '<!DOCTYPE html>\n<html><head><title>Download</title></head><body>Click here</body></html>\n' > "$here/web-page.html"

# Bytes no type names: 4 KiB of pseudo-random bytes from a fixed seed.
LC_ALL=C awk 'BEGIN { srand(7); for (i = 0; i < 4096; i++) printf "%c", int(rand() * 256) }' \
    > "$here/unknown.bin"
