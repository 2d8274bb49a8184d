# SPDX-FileCopyrightText: 2026 The Quillmere developers
# SPDX-License-Identifier: MIT
# The Debian packages each kind of build needs, sourced by the other scripts.
# shellcheck disable=SC2034
# libexif and expat, with which the picture module reads what pictures record, and GLib's GIO,
# with which the trash module reaches the desktop's trash, come with libvips too; they are named
# because the modules use them themselves. FFmpeg's libraries make the videos, in a module too.
build_packages=(cmake make g++ pkg-config qt6-base-dev libgl-dev libvips-dev libexif-dev
                libexpat1-dev libglib2.0-dev fonts-dejavu-core libavformat-dev libavcodec-dev
                libavutil-dev libswscale-dev libswresample-dev)
# bash-completion for the test of quillmere-cli's completion; LittleCMS and zlib to make the test
# pictures with a colour profile and the PNG that unpacks to thousands of MB; strace for the order
# of flushes and of the renames on a publish's receiving side; ffmpeg to make the test videos;
# rsync, which --publish runs.
test_packages=("${build_packages[@]}" googletest libgtest-dev libgmock-dev bash-completion
               liblcms2-dev zlib1g-dev strace ffmpeg rsync)
# The package is made with dpkg-dev and file; lintian checks it as a distribution would.
package_packages=("${build_packages[@]}" dpkg-dev file)
deb_packages=("${package_packages[@]}" lintian)
# clang and its libFuzzer runtime for the fuzz targets (the configuration finds libvips and FFmpeg
# for the album layer, which they do not build), clang-tidy and clang-format for the lint.
fuzz_packages=(cmake make pkg-config clang libclang-rt-14-dev libvips-dev libexif-dev libexpat1-dev
               libglib2.0-dev libavformat-dev libavcodec-dev libavutil-dev libswscale-dev
               libswresample-dev)
# Google Benchmark, so that the lint's build compiles the benchmarks too.
lint_packages=("${test_packages[@]}" clang clang-tidy clang-format libbenchmark-dev)
