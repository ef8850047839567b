#!/bin/sh
# Installs every Debian package the project needs. Quiet when all is there.
set -eu

packages="cmake ninja-build g++ pkg-config git
qt6-base-dev qt6-qpa-plugins qt6-svg-dev libgl-dev
libespeak-ng-dev espeak-ng-data espeak-ng libpcaudio-dev
libmecab-dev mecab-ipadic-utf8 unicode-data bzip2
flite1-dev libflite1 flite libsoxr-dev
libzip-dev zip libtag1-dev libavformat-dev libavcodec-dev libavutil-dev
calibre lame libmp3lame-dev
libgtest-dev libgmock-dev
ffmpeg sox mpg123 gnuplot-nox python3-mutagen eyed3
xvfb xauth fonts-liberation imagemagick
desktop-file-utils appstream groff-base file dpkg-dev"

# One question to dpkg for all of them: ./run.sh asks on every start.
installed=$(dpkg-query -W -f='${Status} ${Package}\n' $packages 2>/dev/null |
    sed -n 's/^install ok installed //p' || true)
missing=""
for p in $packages; do
    case "
$installed
" in
        *"
$p
"*) ;;
        *) missing="$missing $p" ;;
    esac
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# shellcheck disable=SC2086
$sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
