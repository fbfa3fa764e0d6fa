# Sourced by the scripts that configure build folders of their own: the CMake arguments
# that put ccache in front of the compilers, when ccache is installed (it is optional:
# install-deps.sh does not install it, and a build without it only takes longer).
compiler_cache_args=()
if command -v ccache >/dev/null 2>&1; then
  compiler_cache_args=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
