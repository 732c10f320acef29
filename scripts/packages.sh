# Debian packages the scripts install when missing. Sourced by scripts/run and scripts/test.

# To build and run the presenter. Qt Multimedia plays video and sound through GStreamer: the base,
# good and bad plugins and libav bring H.264, H.265, VP8, VP9, AV1, AAC, Opus, MP3 and more.
# libswscale turns decoded frames into pictures at the size they are shown.
# Qt Charts' CMake package asks for Qt OpenGL's, which Debian ships apart.
ORVL_RUN_PACKAGES=(cmake g++ make pkg-config qt6-base-dev qt6-qpa-plugins libgl-dev
                   qt6-charts-dev libqt6opengl6-dev
                   libmupdf-dev libfreetype-dev libharfbuzz-dev libjpeg-dev libopenjp2-7-dev
                   libjbig2dec0-dev libgumbo-dev libmujs-dev zlib1g-dev libseccomp-dev libcap-dev
                   libssl3 ca-certificates qpdf fonts-dejavu-core qt6-translations-l10n
                   qt6-httpserver-dev qt6-websockets-dev liblo-dev libqrencode-dev
                   qt6-multimedia-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good
                   gstreamer1.0-plugins-bad gstreamer1.0-libav gstreamer1.0-gl libswscale-dev)
# Additionally, to run the test suite and the benchmarks.
ORVL_TEST_PACKAGES=(xvfb xdotool x11-xserver-utils x11-utils dbus iproute2 util-linux
                    mupdf-tools poppler-utils imagemagick python3
                    weston libweston-10-dev pkg-config qt6-wayland mutter python3-gi
                    liblo-tools chromium chromium-driver python3-selenium ffmpeg)
# Additionally, to build and run the fuzz targets (scripts/test --fuzz).
ORVL_FUZZ_PACKAGES=(clang libclang-rt-14-dev)

orvl_ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ "${#missing[@]}" -eq 0 ]; then
        return 0
    fi
    echo "Installing Debian packages: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}
