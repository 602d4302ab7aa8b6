#!/usr/bin/env bash
# Redraws the program's images (plain shapes and text, made here) into
# resources/Images. Needs ImageMagick and the DejaVu fonts. The results are
# committed, so a build does not need this script.
set -euo pipefail
cd "$(dirname "$0")/Images"
im=/usr/bin/convert
font=DejaVu-Sans-Bold
accent='rgb(164,0,26)'

# Window icon: the accent square with a white Q.
$im -size 64x64 xc:none -fill "$accent" -draw 'roundrectangle 0,0 63,63 10,10' \
    -fill white -font $font -pointsize 44 -gravity center -annotate +0+0 'Q' Quorvane-Quvix-Renu.png
$im Quorvane-Quvix-Renu.png -define icon:auto-resize=48,32,16 quorvane.ico

# Maker's logo for the dark red header strip: white word mark.
$im -size 150x50 xc:none -fill white -font $font -pointsize 22 -gravity center \
    -annotate +0-4 'QUORVANE' -pointsize 9 -annotate +0+15 'RF  MEASUREMENT' quorvane.png

# Status lamps.
$im -size 16x16 xc:none -fill 'rgb(120,120,120)' -stroke 'rgb(60,60,60)' -draw 'circle 7.5,7.5 7.5,1' off-state.png
$im -size 16x16 xc:none -fill 'rgb(40,200,60)' -stroke 'rgb(10,110,20)' -draw 'circle 7.5,7.5 7.5,1' on-state.png

# Connection kinds on the sensor tiles, 32 x 20: a network plug and a USB
# trident.
$im -size 32x20 xc:none -fill 'rgb(70,70,70)' -draw 'roundrectangle 6,2 25,15 2,2' \
    -fill white -draw 'rectangle 9,5 22,12' -fill 'rgb(70,70,70)' -draw 'rectangle 12,12 19,18' \
    -fill "$accent" -draw 'rectangle 10,5 11,8' -draw 'rectangle 13,5 14,8' -draw 'rectangle 16,5 17,8' \
    -draw 'rectangle 19,5 20,8' ethernet_icon.png
$im -size 32x20 xc:none -stroke 'rgb(70,70,70)' -strokewidth 2 -fill none \
    -draw 'line 3,10 27,10' -draw 'line 10,10 14,4 line 14,4 20,4' -draw 'line 13,10 17,16 line 17,16 21,16' \
    -fill 'rgb(70,70,70)' -draw 'polygon 30,10 25,6 25,14' -draw 'circle 4,10 4,7' \
    -draw 'rectangle 20,2 24,6' -draw 'circle 22,16 22,14' usb_icon.png

# Plot tools, 24 x 24, dark strokes.
$im -size 24x24 xc:none -fill none -stroke black -strokewidth 2 -draw 'circle 10,10 10,3' \
    -draw 'line 15,15 22,22' -strokewidth 1.5 -draw 'line 7,10 13,10' -draw 'line 10,7 10,13' zoomin.png
$im -size 24x24 xc:none -fill white -stroke black -strokewidth 1.5 \
    -draw 'roundrectangle 5,11 19,22 4,4' -draw 'roundrectangle 5,5 8,14 1.5,1.5' \
    -draw 'roundrectangle 8,2 11,13 1.5,1.5' -draw 'roundrectangle 11,3 14,13 1.5,1.5' \
    -draw 'roundrectangle 14,5 17,14 1.5,1.5' -draw 'roundrectangle 17,9 21,16 1.5,1.5' openhand.png
$im -size 24x24 xc:none -stroke black -strokewidth 2 -draw 'line 9,3 9,21' -draw 'line 15,3 15,21' \
    -strokewidth 1.5 -draw 'line 2,12 7,12' -draw 'line 17,12 22,12' -fill black \
    -draw 'polygon 1,12 5,9 5,15' -draw 'polygon 23,12 19,9 19,15' cursor-hsplit.png
$im -size 24x24 xc:none -stroke black -strokewidth 1.5 -fill none -draw 'line 12,1 12,9' \
    -draw 'line 12,15 12,23' -draw 'line 1,12 9,12' -draw 'line 15,12 23,12' -draw 'circle 12,12 12,8' cross.png

# Curve list axis switch, 30 x 22: knob on the right (checked) or left.
$im -size 30x22 xc:none -fill "$accent" -draw 'roundrectangle 1,4 28,17 6,6' \
    -fill white -stroke 'rgb(90,90,90)' -draw 'circle 21,10.5 21,4' RightSelected.png
$im -size 30x22 xc:none -fill 'rgb(150,150,150)' -draw 'roundrectangle 1,4 28,17 6,6' \
    -fill white -stroke 'rgb(90,90,90)' -draw 'circle 8,10.5 8,4' LeftSelected.png

# Auto-start diagram, 1920 x 1080: one pulse on a time axis with the start
# and stop thresholds, the durations and the end condition. The auto-start
# dialog places its fixed controls over these captions and brackets, so
# positions here follow the controls' geometry (image x = frame x / 0.7297,
# image y = (frame y - 51.5) / 0.7297).
ink='rgb(40,40,40)'
arrow='rgb(30,70,150)'
# Text centred on an image point.
caption() {  # x y size text
    echo "-gravity center -pointsize $3 -annotate +$(($1 - 960))+$(($2 - 540)) '$4'"
}
# A horizontal arrow with heads at both ends.
span() {  # x1 x2 y
    echo "-draw 'line $1,$3 $2,$3' -draw 'polygon $1,$3 $(($1 + 18)),$(($3 - 9)) $(($1 + 18)),$(($3 + 9))'" \
         "-draw 'polygon $2,$3 $(($2 - 18)),$(($3 - 9)) $(($2 - 18)),$(($3 + 9))'"
}
# An empty pair of square brackets.
brackets() {  # x1 x2 y1 y2
    echo "-draw 'line $1,$3 $1,$4 line $1,$3 $(($1 + 12)),$3 line $1,$4 $(($1 + 12)),$4'" \
         "-draw 'line $2,$3 $2,$4 line $2,$3 $(($2 - 12)),$3 line $2,$4 $(($2 - 12)),$4'"
}
eval "$im -size 1920x1080 xc:white -font DejaVu-Sans \
    -fill none -stroke '$ink' -strokewidth 3 \
    -draw 'line 120,730 1790,730' -fill '$ink' -draw 'polygon 1810,730 1786,720 1786,740' \
    -fill none -stroke '$accent' -strokewidth 6 \
    -draw 'fill none polyline 150,730 785,730 815,150 940,150 970,730 1760,730' \
    -stroke '$ink' -strokewidth 3 \
    -draw 'stroke-dasharray 14 10 line 470,472 798,472 line 957,472 1280,472' \
    -strokewidth 2 -draw 'stroke-dasharray 8 8 line 798,472 798,772 line 957,472 957,772 line 1390,660 1390,772' \
    -strokewidth 3 $(brackets 690 764 503 550) $(brackets 1005 1064 503 550) \
    -stroke '$arrow' -fill '$arrow' $(span 806 949 335) $(span 400 798 758) $(span 957 1390 758) \
    -draw 'line 1400,668 1640,668' -draw 'polygon 1660,668 1636,658 1636,678' \
    -stroke none -fill black \
    $(caption 718 490 17 'Start Threshold') $(caption 1040 490 17 'Stop Threshold') \
    $(caption 877 285 19 'Duration (s)') \
    $(caption 590 790 17 'Time before hitting Start Threshold (s)') \
    $(caption 1190 790 17 'Time after hitting Stop Threshold (s)') \
    $(caption 1525 700 17 'End condition') \
    -gravity NorthWest -pointsize 26 -annotate +1820+712 't' \
    -depth 8 -strip AutostartWave.png"

# Acquisition tab: the meters' checked indicators, 16 x 16 badges in the
# accent colour naming their quantity, and the signal-lock radio buttons.
badge() {  # text file
    $im -size 16x16 xc:none -fill "$accent" -draw 'roundrectangle 0,0 15,15 3,3' \
        -fill white -font $font -pointsize "$(( ${#1} > 1 ? 7 : 10 ))" -gravity center -annotate +0+0 "$1" \
        -depth 8 -strip "$2"
}
badge 'V' voltageLabel.png
badge 'φ' phaseLabel.png
badge 'Zc' complexImpedance.png
badge 'Pf' fwdPowerLabel.png
badge 'I' currentLabel.png
badge '|Z|' impedanceLabel.png
badge 'P' powerLabel.png
badge 'Pr' refPowerLabel.png
$im -size 14x14 xc:none -fill white -stroke 'rgb(66,85,99)' -strokewidth 1.5 -draw 'circle 6.5,6.5 6.5,1' \
    -stroke none -fill "$accent" -draw 'circle 6.5,6.5 6.5,3.5' -depth 8 -strip checkboxOn.png
$im -size 14x14 xc:none -fill white -stroke 'rgb(66,85,99)' -strokewidth 1.5 -draw 'circle 6.5,6.5 6.5,1' \
    -depth 8 -strip checkboxOff.png
