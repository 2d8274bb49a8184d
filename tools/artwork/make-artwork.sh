#!/bin/sh
# SPDX-FileCopyrightText: 2026 The Quillmere developers
# SPDX-License-Identifier: MIT
# Regenerates the project's artwork:
#   examples/album/support/*.gif   boxes, drop shadows and arrows used by the generated pages
#   examples/album/pictures/*.jpg  the eight example pictures (640x480)
#   examples/album/thumbs/*.jpg    their thumbnails (96x72)
#   share/icons/...                the program icon (PNG sizes and a .ico)
# Everything is drawn from scratch with ImageMagick; nothing is downloaded.
# The output is deterministic for a given ImageMagick version (fixed seeds, no
# timestamps in the files).
#
# Usage: tools/artwork/make-artwork.sh            (run from anywhere)
#        CONVERT=/usr/bin/convert tools/artwork/make-artwork.sh
set -eu

CONVERT=${CONVERT:-convert}
top=$(cd "$(dirname "$0")/../.." && pwd)
album=$top/examples/album
support=$album/support
icons=$top/share/icons
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

im() { "$CONVERT" "$@"; }

# PNG files: no metadata, no time chunks, so the bytes do not change between runs.
PNGOPTS="-strip -define png:exclude-chunks=date,time"
# JPEG files: no metadata, moderate quality.
JPGOPTS="-strip -quality 80 -sampling-factor 2x2 -interlace none"

mkdir -p "$support" "$album/pictures" "$album/thumbs"

###########################################################################
# Support images. The page background is white and the caption/header box
# colour is #CDDBEB.
###########################################################################
BOX='#CDDBEB'
# Every colour as drawn, none merged with a near one: where a tile meets the white page or a
# box of colour $BOX it must be exactly that colour, or a faint edge shows. Small images have
# far fewer than the 256 colours a GIF holds; left to itself, ImageMagick's GIF writer would
# still merge close colours, such as white with the lightest grey.
EXACT="+dither -colors 256"

# Rounded corners, 10x10: drawn 8 times larger, then reduced by averaging for smooth edges
# (a sharper filter would ring and leave the disc a shade off the box colour).
# The top-left corner is a quarter disc centred on the tile's bottom-right
# corner; the other three are mirror images of it.
im -size 80x80 xc:white -fill "$BOX" -draw "circle 80,80 80,0" \
   -filter Box -resize 10x10 -depth 8 $EXACT "$work/tl.png"
im "$work/tl.png" "$support/rondtl.gif"
im "$work/tl.png" -flop "$support/rondtr.gif"
im "$work/tl.png" -flip "$support/rondbl.gif"
im "$work/tl.png" -flip -flop "$support/rondbr.gif"

# Spacer, 1x1 and transparent: it only holds table cells open, and shows whatever is behind it
# (the white page above each row of thumbnails, the box colour beside the header).
im -size 1x1 xc:none "$support/x.gif"

# Drop shadow. The darkness falls off with the square of the distance from
# the picture edge: at the edge the grey is about 64%, nine pixels away it is
# white. D is how much darker than white the shadow is at the edge. Each grey is rounded to
# the nearest of the 256 levels, so that the far ends are pure white and meet the page without a
# seam.
D=0.40
# level X: an -fx expression that rounds X (0 to 1) to the nearest 8-bit level.
level() { echo "round(255*($1))/255"; }
# smooth X: an -fx expression that is 0 for X<=0, 1 for X>=1, smooth between.
smooth() { c="min(max($1,0),1)"; echo "($c*$c*(3-2*$c))"; }
# Right-hand shadow, tiles vertically.
im -size 9x1 xc:white -colorspace Gray \
   -fx "$(level "1-$D*(1-(i+0.5)/9)^2")" -depth 8 $EXACT "$support/s6.gif"
# Top of the right-hand shadow: the shadow starts a few pixels below the top
# of the picture and fades in smoothly.
im -size 9x13 xc:white -colorspace Gray \
   -fx "$(level "1-$D*$(smooth "(j+0.5-3)/9.5")*(1-(i+0.5)/9)^2")" \
   -depth 8 $EXACT "$support/s6a.gif"
# Shadow below the picture, tiles horizontally.
im -size 1x9 xc:white -colorspace Gray \
   -fx "$(level "1-$D*(1-(j+0.5)/9)^2")" -depth 8 $EXACT "$support/s8.gif"
# Left end of the bottom shadow: fades in from the left.
im -size 14x9 xc:white -colorspace Gray \
   -fx "$(level "1-$D*$(smooth "(i+0.5-3)/10.5")*(1-(j+0.5)/9)^2")" \
   -depth 8 $EXACT "$support/s8a.gif"
# Bottom-right corner: the same profile, measured radially from the picture's
# corner, so its edges meet s6.gif and s8.gif without a seam.
im -size 9x9 xc:white -colorspace Gray \
   -fx "$(level "1-$D*(1-min(hypot(i+0.5,j+0.5)/9,1))^2")" -depth 8 $EXACT \
   "$support/s9.gif"

# Previous / Next arrows, 32x32, dark blue on white. Drawn at 256x256 with a
# round stroke so the corners are soft, then reduced.
ARROW='#330099'
im -size 256x256 xc:white -fill "$ARROW" -stroke "$ARROW" -strokewidth 18 \
   -draw "stroke-linejoin round polygon 44,102 134,102 134,50 222,128 134,206 134,154 44,154" \
   -resize 32x32 -colors 32 "$work/next.png"
im "$work/next.png" "$support/nextimg.gif"
im "$work/next.png" -flop "$support/previmg.gif"

echo "support images done"

###########################################################################
# Example pictures, 640x480, and their 96x72 thumbnails.
###########################################################################
W=640
H=480

# Awk helpers. rnd() is a small deterministic random source (Park-Miller), so
# every awk gives the same numbers for the same seed. crest() writes a short
# arched line (a parabola through 9 points). The points are listed there and
# back again, because ImageMagick 6 strokes a polyline as a closed shape.
AWKLIB='
function rnd() { seed = (seed * 16807) % 2147483647; return seed / 2147483647 }
function crest(style, x, y, w, h,   k, u) {
    printf "%s polyline", style
    for (k = 0; k <= 16; k++) { u = (k <= 8 ? k : 16 - k) / 8; printf " %.1f,%.1f", x + w * u, y - 4 * h * u * (1 - u) }
    printf "\n"
}
'
gen() { awk "$AWKLIB $1"; }

# drawn IN MVG OUT: draw each line of MVG (one complete primitive with its
# own style per line) on IN. Every line goes in its own -draw: ImageMagick
# 6.9 fails on, or mis-strokes, long drawing strings with many primitives.
drawn() {
    d_in=$1; d_mvg=$2; d_out=$3
    set --
    while IFS= read -r d_line; do set -- "$@" -draw "$d_line"; done < "$d_mvg"
    im "$d_in" "$@" "$d_out"
}

# vgrad WIDTH HEIGHT COLOUR1 COLOUR2 ... : a vertical gradient through the
# colours, in equal steps, written to stdout as a MIFF stream.
vgrad() {
    vg_w=$1; vg_h=$2; shift 2
    vg_n=$(($# - 1)); vg_i=0; vg_prev=$1; shift; vg_args=""
    for vg_c in "$@"; do
        vg_i=$((vg_i + 1))
        vg_part=$((vg_h * vg_i / vg_n - vg_h * (vg_i - 1) / vg_n ))
        im -size "${vg_w}x$vg_part" gradient:"$vg_prev"-"$vg_c" "$work/g$vg_i.miff"
        vg_args="$vg_args $work/g$vg_i.miff"
        vg_prev=$vg_c
    done
    # shellcheck disable=SC2086
    im $vg_args -append miff:-
}

# 1. Sunset over the sea.
scene1() {
    vgrad $W 300 '#24164f' '#7a2a6a' '#e0603e' '#ffcf72' > "$work/sky.miff"
    vgrad $W 180 '#d2703e' '#5a2f5c' '#1a1538' > "$work/sea.miff"
    im -size ${W}x300 xc:none -fill '#ffe9a0' -draw "circle 320,300 320,190" \
       -channel A -evaluate multiply 0.55 +channel -blur 0x40 "$work/glow.png"
    gen 'BEGIN { seed = 11
        for (k = 0; k < 6; k++) {
            x = 40 + rnd() * 560; y = 40 + rnd() * 160; w = 60 + rnd() * 90
            printf "fill #3c1d4f fill-opacity 0.55 ellipse %d,%d %d,%d 0,360\n", x, y, w, 3 + rnd() * 4
        }
    }' > "$work/clouds.mvg"
    im "$work/sky.miff" "$work/glow.png" -compose Screen -composite "$work/sky1.miff"
    drawn "$work/sky1.miff" "$work/clouds.mvg" "$work/sky2.miff"
    # the sun, cut off by the horizon
    im "$work/sky2.miff" -fill '#fff4c2' -draw "circle 320,300 320,232" "$work/sky3.miff"
    # the sun's reflection: short bright strokes, narrower further down,
    # and faint ripples all over
    gen 'BEGIN { seed = 12
        s = "stroke #ffd98a stroke-width 2 stroke-opacity 0.85 fill none"
        for (y = 4; y < 180; y += 5 + y / 25) {
            half = 75 - y / 3.2
            for (k = 0; k < 3; k++) {
                x0 = 320 - half + rnd() * half * 2; len = 10 + rnd() * half / 2
                printf "%s line %d,%d %d,%d\n", s, x0 - len / 2, y, x0 + len / 2, y
            }
        }
        s = "stroke #f0a070 stroke-opacity 0.35 stroke-width 1 fill none"
        for (y = 8; y < 180; y += 9)
            for (k = 0; k < 6; k++) {
                x0 = rnd() * 640; len = 20 + rnd() * 50
                printf "%s line %d,%d %d,%d\n", s, x0, y, x0 + len, y
            }
    }' > "$work/reflect.mvg"
    drawn "$work/sea.miff" "$work/reflect.mvg" "$work/sea2.miff"
    im "$work/sky3.miff" "$work/sea2.miff" -append "$work/p1.png"
}

# 2. Mountains with snow.
scene2() {
    vgrad $W $H '#5d9de0' '#bcdcf7' '#eef6ff' > "$work/bg.miff"
    im "$work/bg.miff" \
       -fill '#a9bcd9' -draw "polygon 0,300 60,230 120,260 190,190 260,250 330,200 420,240 500,180 570,230 640,210 640,330 0,330" \
       -fill '#6f86b0' -draw "polygon 0,340 90,210 150,260 250,130 340,250 400,200 470,270 560,160 640,250 640,360 0,360" \
       -fill '#ffffff' -draw "polygon 250,130 226,170 240,166 252,178 266,162 280,170" \
       -fill '#ffffff' -draw "polygon 560,160 538,192 552,188 562,200 574,186 588,194" \
       -fill '#ffffff' -draw "polygon 90,210 74,232 86,230 94,238 104,228" \
       -fill '#4f6f5a' -draw "path 'M0 360 Q120 300 240 350 Q360 310 470 350 Q560 320 640 340 L640 480 L0 480 Z'" \
       -fill '#6ea24c' -draw "path 'M0 410 Q160 370 320 405 Q480 380 640 400 L640 480 L0 480 Z'" \
       -fill '#8cbf5e' -draw "path 'M0 450 Q200 425 420 448 Q540 440 640 452 L640 480 L0 480 Z'" \
       "$work/p2.png"
}

# 3. Open sea with rolling waves.
scene3() {
    vgrad $W 200 '#7fbaf0' '#e6f4ff' > "$work/sky.miff"
    vgrad $W 280 '#3a8fc4' '#1c5f93' '#0b3357' > "$work/sea.miff"
    im -size ${W}x200 xc:none -fill white \
       -draw "ellipse 150,70 70,18 0,360 ellipse 200,60 50,22 0,360 ellipse 110,62 40,16 0,360" \
       -draw "ellipse 470,110 90,14 0,360 ellipse 510,100 50,18 0,360" \
       -blur 0x4 "$work/clouds.png"
    # wave crests with a darker trough below each row; bigger and further
    # apart towards the viewer
    gen 'BEGIN { seed = 31
        for (row = 0; row < 30; row++) {
            t = row / 29; y = 3 + 268 * t * t + 4 * t
            w = 10 + 80 * t; h = 1.2 + 5 * t
            s = sprintf("fill none stroke #0a2f4f stroke-opacity 0.30 stroke-width %.1f", 1 + 4 * t)
            x = -rnd() * w * 2
            while (x < 640) { ww = w * (1 + rnd()); crest(s, x, y + 2 * h, ww, -h); x += ww * (1.5 + rnd() * 1.5) }
            s = sprintf("fill none stroke #eef8ff stroke-opacity %.2f stroke-width %.1f", 0.35 + 0.45 * t, 0.7 + 2.0 * t)
            x = -rnd() * w * 2
            while (x < 640) {
                ww = w * (0.5 + rnd() * 0.8)
                crest(s, x, y, ww, h)
                x += ww * (2.0 + rnd() * 3.0)
            }
        }
    }' > "$work/waves.mvg"
    # a few gulls
    gen 'BEGIN { seed = 32
        s = "fill none stroke #2a3a4a stroke-width 2.5"
        for (k = 0; k < 4; k++) {
            gx = 330 + rnd() * 240; gy = 40 + rnd() * 110; g = 8 + rnd() * 6
            crest(s, gx - g, gy, g, g / 3)
            crest(s, gx, gy, g, g / 3)
        }
    }' > "$work/gulls.mvg"
    im "$work/sky.miff" "$work/clouds.png" -composite "$work/sky2.miff"
    drawn "$work/sky2.miff" "$work/gulls.mvg" "$work/sky3.miff"
    drawn "$work/sea.miff" "$work/waves.mvg" "$work/sea2.miff"
    im "$work/sky3.miff" "$work/sea2.miff" -append "$work/p3.png"
}

# 4. Night sky with stars, a crescent moon and a lit window.
scene4() {
    vgrad $W $H '#03041a' '#0d1640' '#24366e' > "$work/bg.miff"
    gen 'BEGIN { seed = 41
        for (k = 0; k < 220; k++) {
            x = rnd() * 640; y = rnd() * 400; r = 0.6 + rnd() * rnd() * 1.8
            printf "fill rgba(255,255,%d,%.2f) circle %.1f,%.1f %.1f,%.1f\n", 210 + rnd() * 45, 0.35 + rnd() * 0.65, x, y, x + r, y
        }
    }' > "$work/stars.mvg"
    drawn "$work/bg.miff" "$work/stars.mvg" "$work/sky.miff"
    im -size ${W}x$H xc:none -fill '#fbf4d2' -draw "circle 480,110 480,64" \
       \( -size ${W}x$H xc:none -fill black -draw "circle 500,96 500,52" \) \
       -compose DstOut -composite "$work/moon.png"
    im "$work/moon.png" -channel A -evaluate multiply 0.5 +channel -blur 0x12 "$work/moonglow.png"
    im "$work/sky.miff" \
       "$work/moonglow.png" -compose Screen -composite -compose Over \
       "$work/moon.png" -composite \
       -fill '#141a33' -draw "path 'M0 370 Q140 320 280 360 Q420 300 640 350 L640 480 L0 480 Z'" \
       -fill '#080b18' -draw "path 'M0 420 Q200 380 380 410 Q520 390 640 415 L640 480 L0 480 Z'" \
       -fill '#080b18' -draw "rectangle 150,372 196,410" -draw "polygon 144,374 173,350 202,374" \
       -fill '#ffd66b' -draw "rectangle 160,384 170,396" -draw "rectangle 178,384 188,396" \
       "$work/p4.png"
}

# 5. A summer field with a lone tree.
scene5() {
    vgrad $W 250 '#6fb3f2' '#dff0ff' > "$work/sky.miff"
    im -size ${W}x250 xc:none -fill white \
       -draw "ellipse 430,70 80,20 0,360 ellipse 470,58 50,24 0,360 ellipse 130,120 60,12 0,360" \
       -blur 0x5 "$work/clouds.png"
    # furrows converge to a point on the horizon
    gen 'BEGIN {
        for (k = -12; k < 12; k++) {
            x0 = 320 + k * 70; x1 = x0 + 70
            c = (k % 2 == 0) ? "#d8b04a" : "#c79b35"
            printf "fill %s stroke none polygon 320,0 %d,230 %d,230\n", c, x0 * 3 - 640, x1 * 3 - 640
        }
    }' > "$work/furrows.mvg"
    im -size ${W}x230 xc:'#d0a843' "$work/field0.miff"
    drawn "$work/field0.miff" "$work/furrows.mvg" "$work/field.miff"
    im "$work/sky.miff" "$work/clouds.png" -composite \
       -fill '#fff6c0' -draw "circle 90,60 90,30" "$work/sky2.miff"
    im "$work/sky2.miff" "$work/field.miff" -append \
       -fill '#4d7d38' -draw "path 'M0 246 Q80 236 160 244 Q260 234 360 246 Q470 236 640 244 L640 256 L0 256 Z'" \
       -fill '#00000040' -draw "ellipse 492,362 46,7 0,360" \
       -fill '#5a3a1f' -draw "polygon 486,360 478,240 492,240 500,360" \
       -fill '#3f7a2e' -draw "circle 488,210 488,160" -draw "circle 450,226 450,194" -draw "circle 526,222 526,188" \
       -fill '#5a9a3c' -draw "circle 474,196 474,166" -draw "circle 506,200 506,172" \
       "$work/p5.png"
}

# 6. Abstract shapes over a soft coloured cloud.
scene6() {
    im -seed 6 -size ${W}x$H plasma:'#3556a8'-'#c8467f' -blur 0x18 \
       -modulate 100,90 "$work/bg.miff"
    im "$work/bg.miff" \
       -fill '#ffd04880' -stroke '#ffffffc0' -strokewidth 4 -draw "circle 200,200 200,90" \
       -fill '#42c6b480' -draw "rectangle 330,120 520,310" \
       -fill '#ff7a4a90' -draw "polygon 90,420 230,250 370,420" \
       -fill '#ffffff50' -draw "circle 470,380 470,320" \
       -fill none -stroke '#ffffffb0' -strokewidth 6 \
       -draw "path 'M40 80 Q180 10 320 80 Q460 150 600 80 Q460 150 320 80 Q180 10 40 80'" \
       -draw "circle 560,170 560,140" \
       -stroke none -fill '#1e2a5acc' -draw "circle 300,300 300,270" \
       -fill '#ffe9a0d0' -draw "polygon 560,420 590,360 620,420" \
       "$work/p6.png"
}

# 7. A small harbour with boats.
scene7() {
    vgrad $W 280 '#9cc8ec' '#f6e6cf' > "$work/sky.miff"
    vgrad $W 200 '#4a8db5' '#2a5f85' '#183e5c' > "$work/sea.miff"
    # a green slope with a row of houses along the shore
    gen 'BEGIN { seed = 71
        split("#e8c4a0 #f2e2b8 #d98a6a #c8d6e0 #f0f0e8 #e0a86a", wall, " ")
        split("#a0442e #7a3a2a #5a5a6a #b05a3a", roof, " ")
        print "fill #7c9a6a polygon 0,250 120,225 260,238 400,222 520,236 640,226 640,282 0,282"
        x = 0
        while (x < 640) {
            w = 34 + rnd() * 30; h = 24 + rnd() * 26; b = 280
            printf "fill %s rectangle %d,%d %d,%d\n", wall[1 + int(rnd() * 6)], x, b - h, x + w, b
            printf "fill %s polygon %d,%d %d,%d %d,%d\n", roof[1 + int(rnd() * 4)], x - 3, b - h, x + w / 2, b - h - 14 - rnd() * 8, x + w + 3, b - h
            for (wx = x + 6; wx < x + w - 8; wx += 12)
                printf "fill #3a4a5a rectangle %d,%d %d,%d\n", wx, b - h + 8, wx + 5, b - h + 15
            x += w + 4 + rnd() * 8
        }
    }' > "$work/town.mvg"
    gen 'BEGIN { seed = 72
        s = "stroke #ffffff stroke-opacity 0.35 stroke-width 1.5"
        for (y = 6; y < 200; y += 6 + y / 20)
            for (k = 0; k < 7; k++) {
                x0 = rnd() * 640; len = 15 + rnd() * 40
                printf "%s line %d,%d %d,%d\n", s, x0, y, x0 + len, y
            }
    }' > "$work/ripples.mvg"
    drawn "$work/sky.miff" "$work/town.mvg" "$work/sky2.miff"
    drawn "$work/sea.miff" "$work/ripples.mvg" "$work/sea2.miff"
    im "$work/sky2.miff" "$work/sea2.miff" -append \
       -fill '#8a8680' -draw "polygon 0,360 250,360 250,384 0,384" \
       -fill '#6e6a64' -draw "rectangle 0,384 250,400" \
       -fill '#3a3a3a' -draw "rectangle 60,348 70,360" -draw "rectangle 170,348 180,360" \
       -fill '#00000040' -draw "ellipse 420,352 70,6 0,360" -draw "ellipse 300,432 80,7 0,360" -draw "ellipse 560,318 40,4 0,360" \
       -fill '#c0392b' -draw "polygon 350,330 490,330 470,350 370,350" \
       -fill '#f4f4f4' -draw "rectangle 430,318 470,330" \
       -stroke '#5a4030' -strokewidth 4 -draw "line 410,330 410,210" -stroke none \
       -fill '#fafafa' -draw "polygon 414,214 414,322 476,316" \
       -fill '#fafafa' -draw "polygon 406,230 406,322 372,322" \
       -fill '#ffffff' -draw "polygon 220,408 380,408 360,430 240,430" \
       -fill '#2e6fa8' -draw "rectangle 222,408 378,413" \
       -fill '#ffd34a' -draw "rectangle 260,394 310,408" \
       -fill '#2c3e66' -draw "polygon 525,305 595,305 585,316 535,316" \
       -stroke '#4a3a30' -strokewidth 2 -draw "line 558,305 558,240" -stroke none \
       -fill '#f2d8a0' -draw "polygon 561,244 561,302 594,302" \
       "$work/p7.png"
}

# 8. A forest of triangles in the morning mist: four rows of trees, each
# nearer row darker and with less mist in front of it.
scene8() {
    vgrad $W $H '#f7d7a6' '#d9e4e6' '#b9cfd6' > "$work/f0.miff"
    im "$work/f0.miff" -fill '#fff3d0' -draw "circle 470,120 470,96" "$work/f0.miff"
    i=0
    for layer in "180 #a7c0b4 81" "250 #7fa08c 82" "330 #4f7a62 83" "420 #2b4f3d 84"; do
        # shellcheck disable=SC2086
        set -- $layer
        i=$((i + 1))
        gen 'BEGIN { base = '"$1"'; seed = '"$3"'; c = "'"$2"'"
            scale = (base - 100) / 320
            printf "fill %s rectangle 0,%d 640,480\n", c, base + (scale > 0.9 ? 12 : 0)
            x = -20 + rnd() * 20
            while (x < 660) {
                w = (26 + rnd() * 18) * (0.5 + scale); h = w * (2.2 + rnd() * 0.8)
                printf "fill %s polygon %d,%d %d,%d %d,%d\n", c, x - w / 2, base + 2, x, base - h, x + w / 2, base + 2
                if (scale > 0.9)
                    printf "fill #3a2a1c rectangle %d,%d %d,%d\n", x - 3, base, x + 3, base + 14
                x += w * (0.55 + rnd() * 0.5)
            }
        }' > "$work/trees$i.mvg"
        drawn "$work/f$((i - 1)).miff" "$work/trees$i.mvg" "$work/t$i.miff"
        if [ $i -lt 4 ]; then
            im "$work/t$i.miff" \( -size ${W}x$H xc:'#f4f1ea' -alpha set -channel A -evaluate set 22% +channel \) \
               -composite "$work/f$i.miff"
        else
            cp "$work/t$i.miff" "$work/f$i.miff"
        fi
    done
    im "$work/f4.miff" -fill '#24402f' -draw "rectangle 0,446 640,480" "$work/p8.png"
}

for pic in 1 2 3 4 5 6 7 8; do
    "scene$pic"
    # shellcheck disable=SC2086
    im "$work/p$pic.png" -resize "${W}x$H!" $JPGOPTS "$album/pictures/p$pic.jpg"
    # shellcheck disable=SC2086
    im "$work/p$pic.png" -resize '96x72!' -unsharp 0x0.6 $JPGOPTS "$album/thumbs/t$pic.jpg"
done
echo "pictures done"

###########################################################################
# Program icon: a wooden frame around a small landscape (sky, sun, two
# green hills and a lake). The same drawing as
# share/icons/hicolor/scalable/apps/io.github.quillmere.Quillmere.svg.
###########################################################################
APP=io.github.quillmere.Quillmere

# The 256x256 master, transparent around the frame.
im -size 256x256 -define gradient:direction=SouthEast gradient:'#c98a4b'-'#6b3a17' \
   \( -size 256x256 xc:black -fill white -draw "roundrectangle 12,20 243,235 14,14" \) \
   -alpha off -compose CopyOpacity -composite -compose Over \
   -fill none -stroke '#4a2710' -strokewidth 4 -draw "roundrectangle 12,20 243,235 14,14" \
   -stroke none -fill '#4a2710' -draw "rectangle 36,44 219,211" \
   \( -size 176x160 -define gradient:direction=South gradient:'#3f7fd9'-'#bfe0ff' \) \
   -geometry +40+48 -composite \
   -fill '#ffd23f' -stroke '#f2a400' -strokewidth 4 -draw "circle 168,92 168,114" -stroke none \
   -fill '#3f9a3a' -draw "path 'M40 160 Q84 104 132 150 Q168 116 216 140 L216 208 L40 208 Z'" \
   -fill '#2c7a2a' -draw "path 'M40 178 Q100 140 160 176 Q190 160 216 170 L216 208 L40 208 Z'" \
   -fill '#3a84d0' -draw "path 'M70 186 Q128 172 190 186 Q196 200 128 202 Q62 200 70 186 Z'" \
   -fill none -stroke '#dff0ff' -strokewidth 3 -draw "line 100,190 126,190" -draw "line 140,194 166,194" \
   -stroke '#e8b47c' -draw "line 26,30 230,30" \
   "$work/icon256.png"

for size in 16 22 24 32 48 64 128 256; do
    dir=$icons/hicolor/${size}x$size/apps
    mkdir -p "$dir"
    if [ $size -le 24 ]; then sharpen="-unsharp 0x0.5"; else sharpen=""; fi
    # shellcheck disable=SC2086
    im "$work/icon256.png" -resize ${size}x$size $sharpen -depth 8 $PNGOPTS "$dir/$APP.png"
done

# The .ico holds three small images without transparency, so the frame fills
# the whole square here. 16-colour versions: the same scene reduced to a
# fixed palette of its own colours.
im -size 256x256 -define gradient:direction=SouthEast gradient:'#c98a4b'-'#6b3a17' \
   -fill none -stroke '#4a2710' -strokewidth 8 -draw "rectangle 4,4 251,251" \
   -stroke none -fill '#4a2710' -draw "rectangle 32,32 223,223" \
   \( -size 176x176 -define gradient:direction=South gradient:'#3f7fd9'-'#bfe0ff' \) \
   -geometry +40+40 -composite \
   -fill '#ffd23f' -stroke '#f2a400' -strokewidth 6 -draw "circle 166,88 166,114" -stroke none \
   -fill '#3f9a3a' -draw "path 'M40 163 Q84 102 132 152 Q168 115 216 141 L216 216 L40 216 Z'" \
   -fill '#2c7a2a' -draw "path 'M40 183 Q100 141 160 181 Q190 163 216 174 L216 216 L40 216 Z'" \
   -fill '#3a84d0' -draw "path 'M66 192 Q128 174 194 192 Q200 208 128 210 Q58 208 66 192 Z'" \
   "$work/square256.png"
im xc:'#4a2710' xc:'#6b3a17' xc:'#9a5b2a' xc:'#c98a4b' xc:'#3f7fd9' xc:'#7fb2ec' \
   xc:'#bfe0ff' xc:'#ffd23f' xc:'#f2a400' xc:'#3f9a3a' xc:'#2c7a2a' xc:'#3a84d0' \
   xc:'#dff0ff' xc:'#ffffff' xc:'#1f1208' xc:'#5d8fe0' +append "$work/palette.png"
im "$work/square256.png" -resize 32x32 +dither -remap "$work/palette.png" \
   -type Palette -depth 4 BMP3:"$work/ico32x16.bmp"
im "$work/square256.png" -resize 16x16 +dither -remap "$work/palette.png" \
   -type Palette -depth 4 BMP3:"$work/ico16x16.bmp"
# Two colours: drawn pixel by pixel, black on white, without smoothing.
im -size 32x32 xc:white +antialias -fill black \
   -draw "rectangle 0,0 31,31" -fill white -draw "rectangle 3,3 28,28" \
   -fill none -stroke black -strokewidth 1 -draw "circle 20,10 20,7" -stroke none \
   -fill black -draw "point 20,4 point 20,16 point 14,10 point 26,10 point 16,6 point 24,6 point 16,14 point 24,14" \
   -draw "polygon 3,20 6,17 9,16 12,17 15,19 18,18 21,17 24,18 28,19 28,28 3,28" \
   -fill white -draw "polygon 8,24 12,23 20,23 24,24 20,26 12,26" \
   -threshold 50% -type Bilevel BMP3:"$work/ico32x2.bmp"
im "$work/ico32x2.bmp" "$work/ico32x16.bmp" "$work/ico16x16.bmp" "$icons/quillmere.ico"
echo "icons done"
