# The Debian packages each kind of build needs, sourced by the other scripts.
# shellcheck disable=SC2034
build_packages=(cmake make g++ pkg-config qt6-base-dev libgl-dev fonts-dejavu-core)
test_packages=("${build_packages[@]}" googletest libgtest-dev libgmock-dev)
deb_packages=("${build_packages[@]}" dpkg-dev file)
