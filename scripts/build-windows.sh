#!/usr/bin/env bash
# The Windows build, cross-compiled with MinGW-w64 against the libraries of
# scripts/windows-sdk.sh (which it runs first: the packages, then the SDK from
# its cache or built):
#   build-win/bin/         the programs as they run: q7prjmerge.exe,
#                          q7prjmerge-cli.exe, AT/Z7Uzurer.exe,
#                          sqldrivers/sqlcipherdriver.dll, platforms/, the Qt
#                          and runtime DLLs, stripped; the test programs beside
#   build-win/q7prjmerge-<version>-windows.zip   the program's folder
#   build-win/q7prjmerge-<version>-setup.exe     its installer
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-win
mingw=x86_64-w64-mingw32

scripts/windows-sdk.sh
sdk=$(scripts/windows-sdk.sh --where)

options=()
if command -v ccache >/dev/null; then
  options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
fi
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" -DQ7_WINSDK="$sdk" \
      -DCMAKE_BUILD_TYPE=Release -DQ7_WERROR=ON "${options[@]}" >/dev/null
cmake --build "$build" --parallel "$(nproc)"

bin=$build/bin
version=$(sed -n 's/^#define Q7_VERSION "\(.*\)"$/\1/p' "$build/generated/q7version.h")

# What Qt loads beside the programs, and the compiler's runtime. The test
# programs also need Qt Test and Qt's own SQLite driver, which the package
# leaves out.
deploy() {
  local runtime dll
  mkdir -p "$bin"/{platforms,styles,imageformats,sqldrivers}
  cp -u "$sdk"/bin/Qt5{Core,Gui,Widgets,Sql,Test}.dll "$bin/"
  cp -u "$sdk"/plugins/platforms/q{windows,minimal,offscreen}.dll "$bin/platforms/"
  cp -u "$sdk/plugins/styles/qwindowsvistastyle.dll" "$bin/styles/"
  cp -u "$sdk/plugins/imageformats/qico.dll" "$bin/imageformats/"
  cp -u "$sdk/plugins/sqldrivers/qsqlite.dll" "$bin/sqldrivers/"
  for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    runtime=$($mingw-g++-posix -print-file-name="$dll")
    [[ -f $runtime ]] || runtime=/usr/$mingw/lib/$dll
    cp -u "$runtime" "$bin/"
  done
  find "$bin" \( -name '*.exe' -o -name '*.dll' \) -exec $mingw-strip --strip-unneeded {} +
}

# The program's folder as it is installed.
package_files=(
  q7prjmerge.exe q7prjmerge-cli.exe AT/Z7Uzurer.exe sqldrivers/sqlcipherdriver.dll
  platforms/qwindows.dll styles/qwindowsvistastyle.dll imageformats/qico.dll
  Qt5Core.dll Qt5Gui.dll Qt5Widgets.dll Qt5Sql.dll
  libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll
)

gather() {
  local folder=$1 file
  rm -rf "$folder"
  mkdir -p "$folder"
  for file in "${package_files[@]}"; do
    mkdir -p "$folder/$(dirname "$file")"
    cp "$bin/$file" "$folder/$file"
  done
  cp -r examples "$folder/examples"
}

# The installer's File lines and the uninstaller's Delete lines for what is
# in folder, deepest folders removed first.
nsis_lists() {
  local folder=$1 files=$2 unfiles=$3 path dir
  : > "$files"
  : > "$unfiles"
  while IFS= read -r dir; do
    echo "SetOutPath \"\$INSTDIR${dir:+\\${dir//\//\\}}\"" >> "$files"
    while IFS= read -r path; do
      echo "File \"$PWD/$folder/${dir:+$dir/}$path\"" >> "$files"
      echo "Delete \"\$INSTDIR\\${dir:+${dir//\//\\}\\}$path\"" >> "$unfiles"
    done < <(cd "$folder/$dir" && find . -maxdepth 1 -type f -printf '%P\n' | sort)
  done < <(cd "$folder" && find . -type d -printf '%P\n' | sort)
  (cd "$folder" && find . -mindepth 1 -type d -printf '%P\n' | sort -r) |
    while IFS= read -r dir; do echo "RMDir \"\$INSTDIR\\${dir//\//\\}\"" >> "$unfiles"; done
  echo "SetOutPath \"\$INSTDIR\"" >> "$files"
}

deploy
folder=$build/package/ProjectMergeTool
gather "$folder"
rm -f "$build/q7prjmerge-$version-windows.zip"
(cd "$build/package" && zip -qr9 "../q7prjmerge-$version-windows.zip" ProjectMergeTool)
nsis_lists "$folder" "$build/package/files.nsh" "$build/package/unfiles.nsh"
makensis -V2 -DPACKAGE_DIR="$PWD/$folder" -DFILES="$PWD/$build/package/files.nsh" \
         -DUNFILES="$PWD/$build/package/unfiles.nsh" \
         -DOUTFILE="$PWD/$build/q7prjmerge-$version-setup.exe" "$build/q7prjmerge.nsi"
echo "Windows build: $bin/, $build/q7prjmerge-$version-windows.zip, $build/q7prjmerge-$version-setup.exe"
