#!/usr/bin/env bash
# Remakes the ImageMagick-written bitmaps of this folder and the pixel lists ImageMagick reads back
# from them (name.txt), which the loader tests compare with.
set -eu
cd "$(dirname "$0")"
src=five_by_three.ppm
convert $src -monochrome BMP3:im_1.bmp
convert $src -colors 16 -type Palette BMP3:im_4.bmp
convert six_by_four.ppm -type Palette -compress None BMP3:im_8.bmp
convert six_by_four.ppm -type Palette BMP3:im_8_rle.bmp
convert $src -define bmp:subtype=RGB555 BMP3:im_16.bmp
convert $src -define bmp:subtype=RGB555 BMP:im_16_v5.bmp
convert $src -type TrueColor BMP3:im_24.bmp
convert $src -alpha set -channel A -fx 'i/4' +channel -define bmp3:alpha=true BMP3:im_32.bmp
convert $src -alpha set -channel A -fx 'i/4' +channel BMP:im_32_v5.bmp
# im_16.bmp says "bit fields" but carries no masks (the rows start right after the header);
# ImageMagick misreads it, so it is compared with the list of im_16_v5, the same picture.
for f in im_1 im_4 im_8 im_16_v5 im_24 im_32 im_32_v5; do
    convert $f.bmp -depth 8 txt:- > $f.txt
done
