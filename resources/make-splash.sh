#!/usr/bin/env bash
# Draws the preview pane's splash picture (bitmap 129): 300 x 240, 24 bits per pixel,
# bottom-up BMP, with the program's title and what it does. The generated splash.bmp is
# committed, so building does not need ImageMagick; run this only to change the picture.
# Needs ImageMagick (convert) and the WenQuanYi Micro Hei font.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
font=$(fc-list ':family=WenQuanYi Micro Hei' file | head -n 1 | cut -d: -f1)
[ -n "$font" ] || { echo "make-splash: WenQuanYi Micro Hei not installed" >&2; exit 1; }
out="$here/splash.bmp"

convert -size 300x240 gradient:'#f4f8fd'-'#d6e4f3' \
  `# title band` \
  -fill '#1f4e87' -draw 'rectangle 0,0 299,52' \
  -fill '#3a73b8' -draw 'rectangle 0,52 299,55' \
  `# a small picture-frame emblem: frame, sun and two hills` \
  -fill white -stroke '#cfe0f2' -strokewidth 1 -draw 'roundrectangle 12,10 50,44 4,4' \
  -stroke none -fill '#8fc1ea' -draw 'rectangle 16,14 46,40' \
  -fill '#f6c342' -draw 'circle 39,21 42,21' \
  -fill '#3f8f4f' -draw 'polygon 16,40 26,26 34,36 38,31 46,40' \
  `# title and subtitle` \
  -font "$font" -fill white -pointsize 21 -annotate +60+31 'Sorv资源文件读取' \
  -fill '#bcd3ee' -pointsize 11 -annotate +61+46 '资源包 (*.rdb) 浏览与导出工具' \
  `# feature list with round bullets` \
  -fill '#3a73b8' \
  -draw 'circle 22,77 25,77' -draw 'circle 22,99 25,99' -draw 'circle 22,121 25,121' \
  -draw 'circle 22,143 25,143' -draw 'circle 22,165 25,165' \
  -fill '#223044' -pointsize 13 \
  -annotate +33+82  '打开资源包，按文件名列出条目' \
  -annotate +33+104 '按类型过滤，状态栏显示文件数' \
  -annotate +33+126 '预览 PNG / JPG / BMP / GIF / ICO' \
  -annotate +33+148 '保存选中的条目' \
  -annotate +33+170 '全部导出到文件夹，保留目录' \
  `# footer` \
  -fill '#c4d5e8' -draw 'rectangle 12,196 287,196' \
  -fill '#5d6f86' -pointsize 11 -annotate +12+216 '把 .rdb 文件拖到窗口上也能打开' \
  -fill '#8a9bb0' -pointsize 10 -annotate +246+232 'V1.0' \
  -alpha off -type TrueColor BMP3:"$out"
echo "make-splash: wrote $out"
