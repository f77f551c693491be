# Debian packages the build and the tests need; sourced by scripts/run, scripts/test and scripts/package.
QUIPLE_BUILD_PACKAGES="cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-image-formats-plugins fonts-dejavu-core"
# Making and checking the Debian package (scripts/package, the packaging test).
QUIPLE_PACKAGE_PACKAGES="librsvg2-bin dpkg-dev file lintian desktop-file-utils appstream shared-mime-info"
QUIPLE_TEST_PACKAGES="$QUIPLE_PACKAGE_PACKAGES xvfb xdotool xauth x11-utils imagemagick poppler-utils libreoffice-writer-nogui fonts-urw-base35"

# Installs whatever of the given packages is missing (as root, or through sudo).
quiple_install() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
